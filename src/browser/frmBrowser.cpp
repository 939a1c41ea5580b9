#include "frmBrowser.h"

#include "WebBrowser.h"
#include "ui/KeyPress.h"

#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace {

// The toolbar's buttons from left to right: each one's key, which is also its tool tip, and
// its picture.
struct ToolButton
{
    const char *key;
    const char *picture;
};
constexpr ToolButton toolButtons[] = {
    {"Back", ":/browser/back.svg"},       {"Forward", ":/browser/forward.svg"}, {"Stop", ":/browser/stop.svg"},
    {"Refresh", ":/browser/refresh.svg"}, {"Home", ":/browser/home.svg"},       {"Search", ":/browser/search.svg"},
};

constexpr int toolBarHeight = twips(540);
constexpr int addressBarHeight = twips(675);

} // namespace

BrowserLayout browserLayout(QSize client, QRect address)
{
    const int width = std::max(client.width(), 0);
    const int height = std::max(client.height(), 0);
    const int bars = toolBarHeight + addressBarHeight;
    BrowserLayout layout;
    layout.tbToolBar = {0, 0, width, std::min(toolBarHeight, height)};
    layout.picAddress = {0, toolBarHeight, width, std::clamp(height - toolBarHeight, 0, addressBarHeight)};
    layout.cboAddress = {address.left(), address.top(), std::max(width - address.left(), 0), address.height()};
    layout.brwWebBrowser = {0, bars, width, std::max(height - bars, 0)};
    return layout;
}

frmBrowser::frmBrowser(const Settings &settings, const QString &webPage)
    : Form("frmBrowser", QString(), {6540, 5130}, Border::Sizable, Background::Style),
      brwWebBrowser(new WebBrowser(settings, this)), timTimer(new QTimer(this))
{
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    buildToolBar();
    buildAddressBar(webPage);
    setTabOrder(brwWebBrowser, cboAddress);

    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);

    connect(tbToolBar, &QToolBar::actionTriggered, this, &frmBrowser::tbToolBar_ButtonClick);
    connect(cboAddress, &QComboBox::activated, this, &frmBrowser::cboAddress_Click);
    onKeyPress(cboAddress, [this](int KeyAscii) { cboAddress_KeyPress(KeyAscii); });
    connect(timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);
    connect(brwWebBrowser, &WebBrowser::DownloadComplete, this, &frmBrowser::brwWebBrowser_DownloadComplete);

    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void frmBrowser::buildToolBar()
{
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize({24, 24});
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolButton &button : toolButtons) {
        const QString key = QLatin1String(button.key);
        QAction *action = tbToolBar->addAction(QIcon(renderSvg(QLatin1String(button.picture), {24, 24})), key);
        action->setObjectName(key);
        action->setToolTip(key);
        action->setData(key);
    }
}

void frmBrowser::buildAddressBar(const QString &webPage)
{
    picAddress = placed(new QWidget(this), "picAddress", {0, 540, 6540, 675});
    lblAddress = placed(new QLabel(QStringLiteral("&Address:"), picAddress), "lblAddress", {45, 60, 1200, 255});
    lblAddress->setFont(verdana());
    cboAddress = placed(new QComboBox(picAddress), "cboAddress", {50, 330, 6490, 315});
    cboAddress->setFont(verdana());
    cboAddress->setEditable(true);
    // The box keeps what the user typed: Enter adds nothing to its list, nothing completes it.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    cboAddress->setEditText(webPage);
    cboAddress->setToolTip(QStringLiteral("Put your mouse over the address bar then hit Enter!"));
    lblAddress->setBuddy(cboAddress);
}

void frmBrowser::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

void frmBrowser::resizeEvent(QResizeEvent *event)
{
    Form::resizeEvent(event);
    Form_Resize();
}

void frmBrowser::changeEvent(QEvent *event)
{
    Form::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

// Runs as the window is first shown, so that a StartingAddress set after it was made counts.
void frmBrowser::Form_Load()
{
    tbToolBar->update();
    Form_Resize();
    cboAddress->move(twips(50), lblAddress->y() + lblAddress->height() + twips(15));
    if (StartingAddress.isEmpty())
        return;
    cboAddress->setEditText(StartingAddress);
    cboAddress->addItem(cboAddress->currentText());
    timTimer->start();
    brwWebBrowser->Navigate(StartingAddress);
}

void frmBrowser::Form_Resize()
{
    const BrowserLayout layout = browserLayout(size(), cboAddress->geometry());
    tbToolBar->setGeometry(layout.tbToolBar);
    picAddress->setGeometry(layout.picAddress);
    cboAddress->setGeometry(layout.cboAddress);
    brwWebBrowser->setGeometry(layout.brwWebBrowser);
}

void frmBrowser::cboAddress_KeyPress(int KeyAscii)
{
    if (KeyAscii == keyEnter)
        cboAddress_Click();
}

void frmBrowser::cboAddress_Click()
{
    timTimer->start();
    brwWebBrowser->Navigate(cboAddress->currentText());
}

void frmBrowser::tbToolBar_ButtonClick(QAction *Button)
{
    timTimer->start();
    const QString key = Button->data().toString();
    if (key == u"Back") {
        brwWebBrowser->GoBack();
    } else if (key == u"Forward") {
        brwWebBrowser->GoForward();
    } else if (key == u"Refresh") {
        brwWebBrowser->Refresh();
    } else if (key == u"Home") {
        brwWebBrowser->GoHome();
    } else if (key == u"Search") {
        brwWebBrowser->GoSearch();
    } else if (key == u"Stop") {
        timTimer->stop();
        brwWebBrowser->Stop();
        setWindowTitle(brwWebBrowser->LocationName());
    }
}

void frmBrowser::timTimer_Timer()
{
    if (brwWebBrowser->Busy()) {
        setWindowTitle(QStringLiteral("Working..."));
        return;
    }
    timTimer->stop();
    setWindowTitle(brwWebBrowser->LocationName());
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setWindowTitle(brwWebBrowser->LocationName());
}
