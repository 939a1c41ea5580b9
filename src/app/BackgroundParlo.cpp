#include "BackgroundParlo.h"

#include "history/HistoryWindow.h"
#include "main/parlo.h"
#include "platform/HostConfig.h"
#include "platform/RealHost.h"
#include "receive/DesktopNotification.h"
#include "receive/MessagePopups.h"
#include "ui/ApplicationIcon.h"
#include "ui/Controls.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>

namespace {

// The icon, with the number of unread messages on it when there are any.
QIcon iconWithCount(qsizetype count)
{
    QPixmap picture = applicationIcon().pixmap(64, 64);
    if (count > 0) {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRect badge(26, 26, 38, 38);
        painter.setBrush(QColor(0xc0, 0x1c, 0x28));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(badge);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(count > 9 ? 20 : 26);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, count > 99 ? QStringLiteral("99+") : QString::number(count));
    }
    return QIcon(picture);
}

} // namespace

BackgroundParlo::BackgroundParlo(RealHost &host, WindowMakers makers, QObject *parent)
    : QObject(parent), m_host(host), m_makers(std::move(makers)), m_listener(HostConfig::instanceSocket()),
      m_autostart(Autostart::forUser())
{
    connect(&m_listener, &InstanceListener::requested, this, &BackgroundParlo::handle);
    m_menu.addAction(QStringLiteral("Open Parlo"), this, [this] { handle({}); });
    m_menu.addAction(QStringLiteral("History…"), this, &BackgroundParlo::showHistory);
    QAction *login = m_menu.addAction(QStringLiteral("Start at login"));
    login->setCheckable(true);
    connect(&m_menu, &QMenu::aboutToShow, login, [this, login] { login->setChecked(m_autostart.enabled()); });
    connect(login, &QAction::toggled, this, [this](bool on) {
        if (const QString error = m_autostart.enable(on); !error.isEmpty())
            reportFailure(m_host.host().messages, error);
    });
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("Quit"), qApp, &QCoreApplication::quit);
    m_icon.setContextMenu(&m_menu);
    m_icon.setToolTip(applicationTitle());
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            handle({});
    });
}

BackgroundParlo::~BackgroundParlo() = default;

QString BackgroundParlo::start()
{
    if (const QString error = m_listener.listen(); !error.isEmpty())
        return error;
    QApplication::setQuitOnLastWindowClosed(false);
    showUnread(0);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon.show();
    else
        notifyDesktop(applicationTitle(), QStringLiteral("Parlo receives in the background. This desktop shows no "
                                                         "status icons: start Parlo to open its window."));
    m_host.tidyUp();
    const ReceivePlaces places = m_host.host().facts.receivePlaces();
    m_popups = std::make_unique<MessagePopups>(
        places, m_host.receiptBook(places.receipts), [this](const QString &sender) { mainWindow().replyTo(sender); },
        m_host.host().history);
    connect(m_popups.get(), &MessagePopups::unreadChanged, this, &BackgroundParlo::showUnread);
    m_popups->start();
    return {};
}

void BackgroundParlo::handle(const InstanceRequest &request)
{
    switch (request.kind) {
    case InstanceRequest::Kind::Open:
        mainWindow().showNormal();
        mainWindow().raise();
        mainWindow().activateWindow();
        break;
    case InstanceRequest::Kind::History:
        showHistory();
        break;
    case InstanceRequest::Kind::Reply:
        mainWindow().replyTo(request.name);
        break;
    }
}

parlo &BackgroundParlo::mainWindow()
{
    if (!m_main) {
        m_main = std::make_unique<parlo>(m_host.host(), m_makers);
        // Exit leaves the background Parlo running: only the icon's Quit ends it.
        connect(m_main.get(), &parlo::exitRequested, m_main.get(), &QWidget::hide);
        connect(m_main.get(), &parlo::listReported, this,
                [](const QString &report) { notifyDesktop(applicationTitle(), report); });
    }
    return *m_main;
}

void BackgroundParlo::showHistory()
{
    if (!m_history) {
        m_history = new HistoryWindow(
            m_host.host().history, [this](const QString &name) { mainWindow().replyTo(name); },
            [this](const QString &recipient, const QString &text) {
                parlo &window = mainWindow();
                window.replyTo(recipient);
                window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->setPlainText(text);
            });
    }
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void BackgroundParlo::showUnread(qsizetype count)
{
    m_icon.setIcon(iconWithCount(count));
    m_icon.setToolTip(count > 0 ? QStringLiteral("Parlo: %1 unread").arg(count) : applicationTitle());
}
