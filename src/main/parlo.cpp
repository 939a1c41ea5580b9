#include "parlo.h"

#include "core/WindowStyle.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/KeyPress.h"
#include "ui/MenuBarFit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace {

// The client area of the main window, in twips; the menu bar comes on top of it.
constexpr QSize clientTwips(4860, 5250);

} // namespace

parlo::parlo(Host host, WindowMakers makers, QWidget *parent)
    : QMainWindow(parent), m_host(host), m_aliases(host.launcher, host.paths),
      m_lists(host.launcher, host.paths, host.history), m_makers(std::move(makers))
{
    setUpWindow(this, "parlo", QStringLiteral("Parlo"), clientTwips, Border::FixedSingle);
    setFont(verdana());

    buildControls();
    connectControls();
    buildMenu();
    fitMenuBar(menuBar(), twips(clientTwips.width()));
    setFixedSize(twips(clientTwips.width()), twips(clientTwips.height()) + menuBar()->sizeHint().height());

    Form_Load();
}

void parlo::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(clientTwips.width()), twips(clientTwips.height()));
    setBackground(client, scrollBarColour());
    setCentralWidget(client);

    // The frames come first so that they lie behind the controls in their areas.
    Frame2 = frame(client, "Frame2", QStringLiteral("Enter Name or Choose Below"), {0, 1200, 3375, 975},
                   ControlFont::Parent);
    Frame1 = frame(client, "Frame1", QStringLiteral("Type a message"), {0, 2280, 4695, 2055}, ControlFont::Parent);

    Label1 = label(client, "Label1", QString(), {120, 120, 2055, 375});
    Label2 = label(client, "Label2", QString(), {2280, 120, 2415, 375});
    Label3 = label(client, "Label3", QString(), {120, 600, 2055, 495});
    Label4 = label(client, "Label4", QString(), {2280, 600, 2415, 495});

    txtno = inputBox(client, "txtno", {120, 1440, 3135, 315}, ControlFont::Parent);
    txtno->setToolTip(QStringLiteral("Enter the name to be added"));

    Combo1 = placed(new QComboBox(client), "Combo1", {120, 1800, 3135, 315});
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Combo1->setToolTip(QStringLiteral("Pick an address to send message"));

    txtmsg = placed(new QPlainTextEdit(client), "txtmsg", {120, 2520, 4455, 1695});
    txtmsg->setFont(verdana(Weight::Bold));
    txtmsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtmsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtmsg->setTabChangesFocus(true);
    setBackground(txtmsg->viewport(), toolTipBackgroundColour());
    setBackground(txtmsg, toolTipBackgroundColour());
    fitAliasBox();

    buildButtons(client);

    // The pictures lie on the left ends of the send and exit buttons.
    Picture2 =
        placed(new PictureBox(QStringLiteral(":/icons/send.svg"), {24, 22}, client), "Picture2", {240, 4560, 375, 375});
    Picture1 = placed(new PictureBox(QStringLiteral(":/icons/exit.svg"), {16, 16}, client), "Picture1",
                      {3240, 4680, 255, 255});
}

// Some styles draw an editable combo box only from a height of their own: below it, Adwaita draws
// neither frame nor arrow, and nothing shows where a click opens the list. The alias box gets the
// height its style asks for; its frame grows with it, and the message area below gives it up.
void parlo::fitAliasBox()
{
    const int grow = Combo1->minimumSizeHint().height() - Combo1->height();
    if (grow <= 0)
        return;
    Combo1->resize(Combo1->width(), Combo1->height() + grow);
    Frame2->resize(Frame2->width(), Frame2->height() + grow);
    for (QWidget *below : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(txtmsg)})
        below->setGeometry(below->geometry().adjusted(0, grow, 0, 0));
}

void parlo::buildButtons(QWidget *client)
{
    const struct
    {
        QPushButton *parlo::*control;
        const char *name;
        const char *caption;
        QRect twips;
        const char *toolTip;
    } buttons[] = {
        {&parlo::cmdAdd, "cmdAdd", "Add Alias", {3480, 1320, 1215, 375}, nullptr},
        {&parlo::cmdGetalias,
         "cmdGetalias",
         "Get Aliases",
         {3480, 1800, 1215, 375},
         "Get the IP's of all computers in the network"},
        {&parlo::cmdSend, "cmdSend", "         Parlo", {120, 4440, 1575, 615}, "Send"},
        {&parlo::cmdClear, "cmdClear", "Clear", {1800, 4440, 1215, 615}, "Clear text"},
        {&parlo::cmdExit, "cmdExit", " Exit", {3120, 4440, 1455, 615}, nullptr},
    };
    for (const auto &row : buttons) {
        this->*row.control = button(client, row.name, QLatin1String(row.caption), row.twips, ControlFont::Parent);
        if (row.toolTip)
            (this->*row.control)->setToolTip(QLatin1String(row.toolTip));
    }
}

void parlo::connectControls()
{
    QWidget *const order[] = {txtno, txtmsg, Combo1, cmdSend, cmdGetalias, cmdExit, cmdClear, cmdAdd};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
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

// The menus of the bar, by their members. In the captions here and below, & marks the access key,
// shown underlined: Alt and the key open a menu of the bar, the key alone an item of an open menu.
std::span<const parlo::MenuItem> parlo::menus()
{
    static const MenuItem rows[] = {
        {&parlo::msend, nullptr, "msend", "&Send", nullptr, nullptr},
        {&parlo::mEdit, nullptr, "mEdit", "&Edit", nullptr, nullptr},
        {&parlo::mApplications, nullptr, "mApplications", "&Applications", nullptr, nullptr},
        {&parlo::mHelp, nullptr, "mHelp", "&Help", nullptr, nullptr},
    };
    return rows;
}

// The items in the bar's order; an item without a menu stands in the bar itself, and an item
// with a window opens that window's single instance.
std::span<const parlo::MenuItem> parlo::menuItems()
{
    static const MenuItem rows[] = {
        {&parlo::msend, &parlo::mlist1, "mlist1", "Send to List&1", &parlo::mlist1_Click, nullptr},
        {&parlo::msend, &parlo::mlist2, "mlist2", "Send to List&2", &parlo::mlist2_Click, nullptr},
        {&parlo::msend, &parlo::mlist3, "mlist3", "Send to List&3", &parlo::mlist3_Click, nullptr},
        {&parlo::msend, &parlo::mlist4, "mlist4", "Send to List&4", &parlo::mlist4_Click, nullptr},
        {&parlo::mEdit, &parlo::mEAlias, "mEAlias", "Edit &Alias File", &parlo::mEAlias_Click, nullptr},
        {&parlo::mEdit, &parlo::eList1, "eList1", "Edit List&1", &parlo::eList1_Click, nullptr},
        {&parlo::mEdit, &parlo::mElist2, "mElist2", "Edit List&2", &parlo::mElist2_Click, nullptr},
        {&parlo::mEdit, &parlo::mElist3, "mElist3", "Edit List&3", &parlo::mElist3_Click, nullptr},
        {&parlo::mEdit, &parlo::mElist4, "mElist4", "Edit List&4", &parlo::mElist4_Click, nullptr},
        {&parlo::mApplications, &parlo::mArp, "mArp", "&Arp", nullptr, "Arp"},
        {&parlo::mApplications, &parlo::mNetstat, "mNetstat", "&Netstat", nullptr, "fNetstat"},
        {&parlo::mApplications, &parlo::mtelnet, "mtelnet", "&Telnet", &parlo::mtelnet_Click, nullptr},
        {&parlo::mApplications, &parlo::mvdos, "mvdos", "&Virtual DOS", nullptr, "vdos"},
        {&parlo::mApplications, &parlo::mwhois, "mwhois", "&Whois", nullptr, "whois"},
        {&parlo::mApplications, &parlo::mIpconfig, "mIpconfig", "&IP Config", nullptr, "ipcfig"},
        {&parlo::mApplications, &parlo::mNsLookup, "mNsLookup", "Ns&Lookup", nullptr, "nslookup"},
        {&parlo::mApplications, &parlo::mPing, "mPing", "&Ping", nullptr, "ping"},
        {&parlo::mApplications, &parlo::mtracert, "mtracert", "T&race Route", nullptr, "tracert"},
        {nullptr, &parlo::mwininfo, "mwininfo", "&Win Info", nullptr, "wininfo"},
        {&parlo::mHelp, &parlo::mabout, "mabout", "&About", nullptr, "frmAbout"},
        {nullptr, &parlo::mbrowser, "mbrowser", "&Browser", nullptr, "frmBrowser"},
    };
    return rows;
}

void parlo::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    for (const MenuItem &row : menuItems()) {
        QMenu *menu = row.menu ? this->*row.menu : nullptr;
        if (row.menu && !menu) {
            for (const MenuItem &entry : menus()) {
                if (entry.menu == row.menu) {
                    menu = this->*row.menu = bar->addMenu(QLatin1String(entry.caption));
                    menu->setObjectName(QLatin1String(entry.name));
                }
            }
        }
        QAction *action =
            menu ? menu->addAction(QLatin1String(row.caption)) : bar->addAction(QLatin1String(row.caption));
        action->setObjectName(QLatin1String(row.name));
        this->*row.item = action;
        if (row.window) {
            const QString window = QLatin1String(row.window);
            action->setEnabled(m_makers.contains(window));
            connect(action, &QAction::triggered, this, [this, window] { open(window); });
        } else {
            connect(action, &QAction::triggered, this, row.handler);
        }
    }
    // F10 opens the first menu, from where the arrow keys reach the others.
    connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(msend->menuAction()); });
}

parlo::~parlo()
{
    for (const QPointer<QWidget> &window : std::as_const(m_instances))
        delete window.data();
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
    if (!window)
        return; // the maker could not make it, and has said why
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void parlo::mtelnet_Click()
{
    showOutcome(Outcome::ofStart(m_host.launcher.start(QStringLiteral("telnet.exe"), WindowStyle::NormalFocus)));
}

void parlo::showOutcome(const Outcome &outcome)
{
    for (const Notice &notice : outcome.notices)
        m_host.messages.show(notice.text, notice.title, notice.icon);
}

void parlo::cmdAdd_Click()
{
    const Outcome added = m_aliases.add(txtno->text());
    Combo1->addItems(added.names); // an unsaved name too, which also stays typed: nothing is lost
    if (added.what == Outcome::What::Done)
        txtno->clear();
    showOutcome(added);
}

void parlo::cmdGetalias_click()
{
    const Outcome read = m_aliases.read();
    Combo1->addItems(read.names);
    showOutcome(read);
}

void parlo::sendToList(int list)
{
    showOutcome(m_lists.send(list, txtmsg->toPlainText(), [self = QPointer<parlo>(this)](const QString &report) {
        if (self)
            Q_EMIT self->listReported(report);
    }));
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

void parlo::replyTo(const QString &name)
{
    txtno->setText(name);
    showNormal();
    raise();
    activateWindow();
    txtmsg->setFocus();
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
