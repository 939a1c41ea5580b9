#include "parlo.h"

#include "Controls.h"
#include "KeyPress.h"
#include "WindowStyle.h"

#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

template <typename W> W *place(W *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QAction *item(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

parlo::parlo(Host host, WindowMakers makers, QWidget *parent)
    : QMainWindow(parent), m_host(host), m_makers(std::move(makers))
{
    setObjectName(QStringLiteral("parlo"));
    setWindowTitle(QStringLiteral("Parlo"));
    setWindowIcon(QIcon(renderSvg(QStringLiteral(":/icons/parlo.svg"), {54, 52})));
    // A fixed single border: minimize and close, no maximize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(verdana());

    buildControls();
    buildMenu();
    setFixedSize(twips(4860), twips(5250) + menuBar()->sizeHint().height());

    Form_Load();
}

void parlo::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(4860), twips(5250));
    setBackground(client, scrollBarColour());
    setCentralWidget(client);

    // The frames come first so that they lie behind the controls in their areas.
    Frame2 = place(new QGroupBox(QStringLiteral("Enter Name or Choose Below"), client), "Frame2",
                   twipsRect(0, 1200, 3375, 975));
    Frame1 = place(new QGroupBox(QStringLiteral("Type a message"), client), "Frame1", twipsRect(0, 2280, 4695, 2055));

    Label1 = place(new CaptionLabel(client), "Label1", twipsRect(120, 120, 2055, 375));
    Label2 = place(new CaptionLabel(client), "Label2", twipsRect(2280, 120, 2415, 375));
    Label3 = place(new CaptionLabel(client), "Label3", twipsRect(120, 600, 2055, 495));
    Label4 = place(new CaptionLabel(client), "Label4", twipsRect(2280, 600, 2415, 495));

    txtno = place(new QLineEdit(client), "txtno", twipsRect(120, 1440, 3135, 315));
    txtno->setToolTip(QStringLiteral("Enter the name to be added"));

    cmdAdd = place(new QPushButton(QStringLiteral("Add Alias"), client), "cmdAdd", twipsRect(3480, 1320, 1215, 375));

    Combo1 = place(new QComboBox(client), "Combo1", twipsRect(120, 1800, 3135, 315));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Combo1->setToolTip(QStringLiteral("Pick an address to send message"));

    cmdGetalias = place(new QPushButton(QStringLiteral("Get Aliases"), client), "cmdGetalias",
                        twipsRect(3480, 1800, 1215, 375));
    cmdGetalias->setToolTip(QStringLiteral("Get the IP's of all computers in the network"));

    txtmsg = place(new QPlainTextEdit(client), "txtmsg", twipsRect(120, 2520, 4455, 1695));
    txtmsg->setFont(verdana(true));
    txtmsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtmsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtmsg->setTabChangesFocus(true);
    setBackground(txtmsg->viewport(), toolTipBackgroundColour());
    setBackground(txtmsg, toolTipBackgroundColour());

    cmdSend = place(new QPushButton(QStringLiteral("         Parlo"), client), "cmdSend",
                    twipsRect(120, 4440, 1575, 615));
    cmdSend->setToolTip(QStringLiteral("Send"));
    cmdClear = place(new QPushButton(QStringLiteral("Clear"), client), "cmdClear", twipsRect(1800, 4440, 1215, 615));
    cmdClear->setToolTip(QStringLiteral("Clear text"));
    cmdExit = place(new QPushButton(QStringLiteral(" Exit"), client), "cmdExit", twipsRect(3120, 4440, 1455, 615));

    // The pictures lie on the left ends of the send and exit buttons.
    Picture2 = place(new PictureBox(QStringLiteral(":/icons/send.svg"), {24, 22}, client), "Picture2",
                     twipsRect(240, 4560, 375, 375));
    Picture1 = place(new PictureBox(QStringLiteral(":/icons/exit.svg"), {16, 16}, client), "Picture1",
                     twipsRect(3240, 4680, 255, 255));

    QWidget::setTabOrder(txtno, txtmsg);
    QWidget::setTabOrder(txtmsg, Combo1);
    QWidget::setTabOrder(Combo1, cmdSend);
    QWidget::setTabOrder(cmdSend, cmdGetalias);
    QWidget::setTabOrder(cmdGetalias, cmdExit);
    QWidget::setTabOrder(cmdExit, cmdClear);
    QWidget::setTabOrder(cmdClear, cmdAdd);
    txtno->setFocus();

    connect(cmdClear, &QPushButton::clicked, this, &parlo::cmdClear_Click);
    connect(cmdExit, &QPushButton::clicked, this, &parlo::cmdExit_Click);
    connect(Picture1, &PictureBox::clicked, this, &parlo::Picture1_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &parlo::cmdAdd_Click);
    connect(cmdGetalias, &QPushButton::clicked, this, &parlo::cmdGetalias_click);
    connect(cmdSend, &QPushButton::clicked, this, &parlo::cmdSend_Click);
    connect(Picture2, &PictureBox::clicked, this, &parlo::Picture2_Click);
    onKeyPress(txtmsg, [this](int KeyAscii) { txtmsg_KeyPress(KeyAscii); });
}

void parlo::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    msend = bar->addMenu(QStringLiteral("Send"));
    msend->setObjectName(QStringLiteral("msend"));
    mlist1 = item(msend, "mlist1", QStringLiteral("Send to List1"));
    mlist2 = item(msend, "mlist2", QStringLiteral("Send to List2"));
    mlist3 = item(msend, "mlist3", QStringLiteral("Send to List3"));
    mlist4 = item(msend, "mlist4", QStringLiteral("Send to List4"));

    mEdit = bar->addMenu(QStringLiteral("Edit"));
    mEdit->setObjectName(QStringLiteral("mEdit"));
    mEAlias = item(mEdit, "mEAlias", QStringLiteral("Edit Alias File"));
    eList1 = item(mEdit, "eList1", QStringLiteral("Edit List1"));
    mElist2 = item(mEdit, "mElist2", QStringLiteral("Edit List2"));
    mElist3 = item(mEdit, "mElist3", QStringLiteral("Edit List3"));
    mElist4 = item(mEdit, "mElist4", QStringLiteral("Edit List4"));

    mApplications = bar->addMenu(QStringLiteral("Applications"));
    mApplications->setObjectName(QStringLiteral("mApplications"));
    mArp = item(mApplications, "mArp", QStringLiteral("Arp"));
    mNetstat = item(mApplications, "mNetstat", QStringLiteral("Netstat"));
    mtelnet = item(mApplications, "mtelnet", QStringLiteral("Telnet"));
    mvdos = item(mApplications, "mvdos", QStringLiteral("Virtual DOS"));
    mwhois = item(mApplications, "mwhois", QStringLiteral("Whois"));
    mIpconfig = item(mApplications, "mIpconfig", QStringLiteral("IP Config"));
    mNsLookup = item(mApplications, "mNsLookup", QStringLiteral("NsLookup"));
    mPing = item(mApplications, "mPing", QStringLiteral("Ping"));
    mtracert = item(mApplications, "mtracert", QStringLiteral("Trace Route"));

    mwininfo = bar->addAction(QStringLiteral("Win Info"));
    mwininfo->setObjectName(QStringLiteral("mwininfo"));

    mHelp = bar->addMenu(QStringLiteral("Help"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    mabout = item(mHelp, "mabout", QStringLiteral("About"));

    mbrowser = bar->addAction(QStringLiteral("Browser"));
    mbrowser->setObjectName(QStringLiteral("mbrowser"));

    connect(mlist1, &QAction::triggered, this, &parlo::mlist1_Click);
    connect(mlist2, &QAction::triggered, this, &parlo::mlist2_Click);
    connect(mlist3, &QAction::triggered, this, &parlo::mlist3_Click);
    connect(mlist4, &QAction::triggered, this, &parlo::mlist4_Click);
    connect(mEAlias, &QAction::triggered, this, &parlo::mEAlias_Click);
    connect(eList1, &QAction::triggered, this, &parlo::eList1_Click);
    connect(mElist2, &QAction::triggered, this, &parlo::mElist2_Click);
    connect(mElist3, &QAction::triggered, this, &parlo::mElist3_Click);
    connect(mElist4, &QAction::triggered, this, &parlo::mElist4_Click);

    connectWindow(mArp, QStringLiteral("Arp"), &parlo::mArp_Click);
    connectWindow(mNetstat, QStringLiteral("fNetstat"), &parlo::mNetstat_Click);
    connectWindow(mvdos, QStringLiteral("vdos"), &parlo::mvdos_Click);
    connectWindow(mwhois, QStringLiteral("whois"), &parlo::mwhois_Click);
    connectWindow(mIpconfig, QStringLiteral("ipcfig"), &parlo::mIpconfig_Click);
    connectWindow(mNsLookup, QStringLiteral("nslookup"), &parlo::mNsLookup_Click);
    connectWindow(mPing, QStringLiteral("ping"), &parlo::mPing_Click);
    connectWindow(mtracert, QStringLiteral("tracert"), &parlo::mtracert_Click);
    connectWindow(mwininfo, QStringLiteral("wininfo"), &parlo::mwininfo_Click);
    connectWindow(mabout, QStringLiteral("frmAbout"), &parlo::mAbout_Click);
    connectWindow(mbrowser, QStringLiteral("frmBrowser"), &parlo::mbrowser_Click);
    connect(mtelnet, &QAction::triggered, this, &parlo::mtelnet_Click);
}

parlo::~parlo()
{
    for (const QPointer<QWidget> &window : std::as_const(m_instances))
        delete window.data();
}

void parlo::connectWindow(QAction *item, const QString &windowName, void (parlo::*handler)())
{
    item->setEnabled(m_makers.contains(windowName));
    connect(item, &QAction::triggered, this, handler);
}

void parlo::open(const QString &windowName)
{
    QPointer<QWidget> &window = m_instances[windowName];
    if (window) {
        // Already open: nothing is made or reset; it only comes to the front.
        window->raise();
        window->activateWindow();
        return;
    }
    const WindowMaker maker = m_makers.value(windowName);
    if (!maker)
        return;
    // Its own top-level window: closing it unloads it, and closing this one leaves it open.
    window = maker(m_host);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void parlo::mtelnet_Click()
{
    launch(QStringLiteral("telnet.exe"), WindowStyle::NormalFocus);
}

bool parlo::launch(const QString &commandLine, int windowStyle)
{
    const Launch started = m_host.launcher.start(commandLine, windowStyle);
    if (started.failed())
        reportFailure(m_host.messages, started.error);
    return !started.failed();
}

void parlo::Form_Load()
{
    const QString lineBreak(QChar(13));
    if (const std::optional<QString> name = m_host.facts.computerName())
        Label2->setCaption(QStringLiteral("Your WS name is:") + lineBreak + *name);
    Label1->setCaption(QStringLiteral("Your Local IP is ") + m_host.facts.localIpAddress());
    Label3->setCaption(QStringLiteral("Your Domain name is:") + lineBreak +
                       m_host.facts.environment(QStringLiteral("userdomain")));
    Label4->setCaption(QStringLiteral("Your User name is:") + lineBreak +
                       m_host.facts.environment(QStringLiteral("username")));
}

void parlo::cmdClear_Click()
{
    txtmsg->setPlainText(QString());
}

void parlo::cmdExit_Click()
{
    Q_EMIT exitRequested();
}

void parlo::Picture1_Click()
{
    Q_EMIT exitRequested();
}
