#include "Controls.h"
#include "Fakes.h"
#include "ToolTest.h"
#include "ToolWindows.h"
#include "tracert.h"

#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QStringList allWindows{"ping", "tracert", "nslookup", "ipcfig", "vdos", "fNetstat", "Arp"};

// A runner that lets a test look at (or do something to) the windows while a command runs.
class ObservingRunner final : public CommandRunner
{
public:
    Capture RunCapture(const QString &command, int windowStyle) override
    {
        calls.append({command, windowStyle});
        if (during)
            during();
        return next;
    }

    QList<RunCall> calls;
    Capture next;
    std::function<void()> during;
};

const char *outputName(const QString &window)
{
    return window == u"fNetstat" || window == u"Arp" ? "RichTextBox1" : "Text1";
}

bool hasInput(const QString &window)
{
    return window == u"ping" || window == u"tracert" || window == u"nslookup" || window == u"vdos";
}

// The window's main run, with input typed where the window has an input box.
void runOnce(QWidget *window, const QString &input = QStringLiteral("10.0.0.1"))
{
    const QString name = window->objectName();
    if (hasInput(name))
        setText(window, "Text2", input);
    if (name == u"vdos")
        typeEnter(window, "Text2");
    else
        click(window, name == u"Arp" ? "cArp" : "Command1");
}

} // namespace

class tst_ToolWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void captions_data();
    void captions();
    void controlTexts_data();
    void controlTexts();
    void colours();
    void loadStep_data();
    void loadStep();

    void pingLine_data();
    void pingLine();
    void tracertLine_data();
    void tracertLine();
    void nslookupLine();
    void ipconfigLine_data();
    void ipconfigLine();
    void netstatLine_data();
    void netstatLine();
    void arpLineIgnoresTheBox_data();
    void arpLineIgnoresTheBox();

    void outputIsReplaced_data();
    void outputIsReplaced();
    void runnerFailureIsShown_data();
    void runnerFailureIsShown();
    void closeWhileRunningWaitsForTheRun();

    void emptyInput_data();
    void emptyInput();
    void enterOnEmptyInput_data();
    void enterOnEmptyInput();
    void typedKeysReachTheBox();

    void tracertStatus();
    void tracertStatusOnFailure();
    void tracertOptionsStay();
    void ipconfigEnterHint();
    void readOnlyOutput_data();
    void readOnlyOutput();

private:
    QWidget *open(const QString &name);

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
    ObservingRunner m_runner;
    std::unique_ptr<QWidget> m_window;
};

void tst_ToolWindows::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_fake = std::make_unique<FakeHost>(m_temp->path());
    m_runner.calls.clear();
    m_runner.next = {};
    m_runner.during = nullptr;
}

void tst_ToolWindows::cleanup()
{
    m_window.reset();
}

QWidget *tst_ToolWindows::open(const QString &name)
{
    Host host{m_runner, m_fake->launcher, m_fake->messages, m_fake->facts, m_fake->paths};
    m_window.reset(toolWindowMakers().value(name)(host));
    m_window->show();
    return m_window.get();
}

void tst_ToolWindows::captions_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("focus");
    QTest::newRow("ping") << "ping"
                          << "Ping"
                          << "Text2";
    QTest::newRow("tracert") << "tracert"
                             << "Trace route"
                             << "Text2";
    QTest::newRow("nslookup") << "nslookup"
                              << "NsLookUp"
                              << "Text2";
    QTest::newRow("ipcfig") << "ipcfig"
                            << "IP Config"
                            << "Command1";
    QTest::newRow("vdos") << "vdos"
                          << "Virtual DOS"
                          << "Text2";
    QTest::newRow("fNetstat") << "fNetstat"
                              << "NetStat"
                              << "Command1";
    QTest::newRow("Arp") << "Arp"
                         << "Arp"
                         << "cArp";
}

void tst_ToolWindows::captions()
{
    QFETCH(QString, window);
    QWidget *w = open(window);
    QCOMPARE(w->objectName(), window);
    QTEST(w->windowTitle(), "caption");
    QVERIFY(w->isWindow());
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QVERIFY(w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QTEST(w->focusWidget() ? w->focusWidget()->objectName() : QString(), "focus");
    // Every control lies inside the window.
    const auto children = w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (const QWidget *child : children)
        QVERIFY2(w->rect().contains(child->geometry()), qPrintable(child->objectName()));
}

void tst_ToolWindows::controlTexts_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("tag");

    // clang-format off
    QTest::newRow("ping Frame1") << "ping" << "Frame1" << "Enter IP to ping" << "" << "";
    QTest::newRow("ping Command1") << "ping" << "Command1" << "Ping" << "" << "";
    QTest::newRow("ping Command2") << "ping" << "Command2" << "Exit" << "" << "";
    QTest::newRow("tracert Frame1") << "tracert" << "Frame1" << "Enter IP to trace " << "" << "";
    QTest::newRow("tracert Frame2") << "tracert" << "Frame2" << "Hop Count    Time (ms)" << "" << "";
    QTest::newRow("tracert Command1") << "tracert" << "Command1" << "Trace" << "" << "";
    QTest::newRow("tracert tHop") << "tracert" << "tHop" << "5" << "" << "";
    QTest::newRow("tracert tTime") << "tracert" << "tTime" << "200" << "" << "";
    QTest::newRow("nslookup Frame1") << "nslookup" << "Frame1" << "Type a name to get an IP " << "" << "";
    QTest::newRow("nslookup Command1") << "nslookup" << "Command1" << "Look Up" << "" << "";
    QTest::newRow("ipcfig Command1") << "ipcfig" << "Command1" << "IP Config" << "Shows local IP " << "";
    QTest::newRow("ipcfig Check1") << "ipcfig" << "Check1" << "/All" << "" << "/all";
    QTest::newRow("ipcfig Command3") << "ipcfig" << "Command3" << "Renew" << "Renew Adapter" << "";
    QTest::newRow("ipcfig Command4") << "ipcfig" << "Command4" << "Release" << "Release Adapter" << "";
    QTest::newRow("ipcfig Command2") << "ipcfig" << "Command2" << "Exit" << "" << "";
    QTest::newRow("vdos Frame1") << "vdos" << "Frame1" << "Type a DOS command Then Hit Enter" << "" << "";
    QTest::newRow("vdos Command1") << "vdos" << "Command1" << "Exit" << "" << "";
    QTest::newRow("fNetstat Command1") << "fNetstat" << "Command1" << "NetStat" << "" << "";
    QTest::newRow("fNetstat Frame1") << "fNetstat" << "Frame1" << "Options" << "" << "";
    QTest::newRow("fNetstat Check1") << "fNetstat" << "Check1" << "-a" << "Displays all connections and ports" << "1";
    QTest::newRow("fNetstat Check2") << "fNetstat" << "Check2" << "-e " << "Displays Ethernet stats" << "2";
    QTest::newRow("fNetstat Check3") << "fNetstat" << "Check3" << "-n " << "Displays addresses and ports in numerical fromat" << "3";
    QTest::newRow("fNetstat Check4") << "fNetstat" << "Check4" << "-r" << "Displays the contents of the routing table" << "4";
    QTest::newRow("fNetstat Command2") << "fNetstat" << "Command2" << "Exit" << "" << "";
    QTest::newRow("Arp cArp") << "Arp" << "cArp" << "Arp" << "" << "";
    QTest::newRow("Arp Frame1") << "Arp" << "Frame1" << "Options" << "" << "";
    QTest::newRow("Arp Check1") << "Arp" << "Check1" << "-a" << "" << "-a";
    QTest::newRow("Arp Command2") << "Arp" << "Command2" << "Exit" << "" << "";
    // clang-format on
}

void tst_ToolWindows::controlTexts()
{
    QFETCH(QString, window);
    QFETCH(QString, name);
    QWidget *w = open(window);
    QWidget *c = control(w, qPrintable(name));
    QVERIFY(c);
    QString caption;
    if (auto *button = qobject_cast<QAbstractButton *>(c))
        caption = button->text();
    else if (auto *frame = qobject_cast<QGroupBox *>(c))
        caption = frame->title();
    else
        caption = textOf(c);
    QTEST(caption, "caption");
    QTEST(c->toolTip(), "toolTip");
    QTEST(c->property("Tag").toString(), "tag");
    if (auto *box = qobject_cast<QCheckBox *>(c))
        QCOMPARE(box->checkState(), Qt::Unchecked);
    if (auto *button = qobject_cast<QPushButton *>(c))
        QVERIFY(!button->isDefault() && !button->autoDefault());
}

void tst_ToolWindows::colours()
{
    const QColor plainBase = QPalette().color(QPalette::Base);
    QWidget *w = open(QStringLiteral("ipcfig"));
    QCOMPARE(w->palette().color(QPalette::Window), scrollBarColour());
    QCOMPARE(control(w, "Check1")->palette().color(QPalette::Window), scrollBarColour());
    // The output box keeps the ordinary text-box colour.
    QCOMPARE(control(w, "Text1")->palette().color(QPalette::Base), plainBase);
    QVERIFY(control(w, "Text1")->font().bold());

    w = open(QStringLiteral("tracert"));
    auto *label = control<QLabel>(w, "Label1");
    QVERIFY(label->autoFillBackground());
    QCOMPARE(label->backgroundRole(), QPalette::Base);
    QVERIFY(label->font().bold());
    QVERIFY(!control(w, "Text2")->font().bold());
}

void tst_ToolWindows::loadStep_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("runs");
    for (const QString &name : allWindows)
        QTest::newRow(qPrintable(name)) << name << (name == u"ping" || name == u"tracert" || name == u"nslookup");
}

void tst_ToolWindows::loadStep()
{
    QFETCH(QString, window);
    QFETCH(bool, runs);
    QWidget *w = open(window);
    if (runs) {
        QCOMPARE(m_runner.calls.size(), 1);
        QCOMPARE(m_runner.calls[0].command, QString());
        QCOMPARE(m_runner.calls[0].windowStyle, 6);
        QCOMPARE(control<QLineEdit>(w, "Text2")->cursorPosition(), 0);
        QVERIFY(!control<QLineEdit>(w, "Text2")->hasSelectedText());
    } else {
        QVERIFY(m_runner.calls.isEmpty());
    }
    QCOMPARE(textOf(control(w, outputName(window))), QString());
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_ToolWindows::pingLine_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<QString>("line");
    QTest::newRow("address, button") << "10.0.0.1" << false << "ping 10.0.0.1";
    QTest::newRow("address, Enter") << "10.0.0.1" << true << "ping 10.0.0.1";
    QTest::newRow("one blank, Enter") << " " << true << "ping  ";
    QTest::newRow("blanks kept") << "  host one " << false << "ping   host one ";
    QTest::newRow("options passed on") << "-t 127.0.0.1" << false << "ping -t 127.0.0.1";
}

void tst_ToolWindows::pingLine()
{
    QFETCH(QString, input);
    QFETCH(bool, enter);
    QWidget *w = open(QStringLiteral("ping"));
    m_runner.calls.clear();
    m_runner.next.text = QStringLiteral("Reply\r\n");
    setText(w, "Text2", input);
    if (enter)
        typeEnter(w, "Text2");
    else
        click(w, "Command1");
    QCOMPARE(m_runner.calls.size(), 1);
    QTEST(m_runner.calls[0].command, "line");
    QCOMPARE(m_runner.calls[0].windowStyle, 6);
    QCOMPARE(textOf(control(w, "Text1")), QStringLiteral("Reply\n"));
    QCOMPARE(textOf(control(w, "Text2")), QString());
}

void tst_ToolWindows::tracertLine_data()
{
    QTest::addColumn<QString>("hops");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<QString>("line");
    QTest::newRow("initial options") << "5"
                                     << "200"
                                     << "10.0.0.1" << false << "tracert  -d  -h 5 -w 200 10.0.0.1";
    QTest::newRow("initial options, Enter") << "5"
                                            << "200"
                                            << "10.0.0.1" << true << "tracert  -d  -h 5 -w 200 10.0.0.1";
    QTest::newRow("30 hops") << "30"
                             << "200"
                             << "host" << false << "tracert  -d  -h 30 -w 200 host";
    QTest::newRow("empty options") << ""
                                   << ""
                                   << "host" << false << "tracert  -d  -h  -w  host";
    QTest::newRow("typed as is") << " x"
                                 << "1 0"
                                 << " a b " << false << "tracert  -d  -h  x -w 1 0  a b ";
    QTest::newRow("no target, Enter") << "5"
                                      << "200"
                                      << "" << true << "tracert  -d  -h 5 -w 200 ";
}

void tst_ToolWindows::tracertLine()
{
    QFETCH(QString, hops);
    QFETCH(QString, time);
    QFETCH(QString, target);
    QFETCH(bool, enter);
    QWidget *w = open(QStringLiteral("tracert"));
    m_runner.calls.clear();
    setText(w, "tHop", hops);
    setText(w, "tTime", time);
    setText(w, "Text2", target);
    if (enter)
        typeEnter(w, "Text2");
    else
        click(w, "Command1");
    QCOMPARE(m_runner.calls.size(), 1);
    QTEST(m_runner.calls[0].command, "line");
    QCOMPARE(m_runner.calls[0].windowStyle, 6);
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_ToolWindows::nslookupLine()
{
    QWidget *w = open(QStringLiteral("nslookup"));
    m_runner.calls.clear();
    setText(w, "Text2", QStringLiteral("www.example.org"));
    click(w, "Command1");
    setText(w, "Text2", QStringLiteral(" x "));
    typeEnter(w, "Text2");
    QCOMPARE(m_runner.calls.size(), 2);
    QCOMPARE(m_runner.calls[0].command, QStringLiteral("nslookup www.example.org"));
    QCOMPARE(m_runner.calls[1].command, QStringLiteral("nslookup  x "));
    QCOMPARE(m_runner.calls[1].windowStyle, 6);
}

void tst_ToolWindows::ipconfigLine_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Qt::CheckState>("all");
    QTest::addColumn<QString>("line");
    QTest::newRow("IP Config, not ticked") << "Command1" << Qt::Unchecked << "ipconfig ";
    QTest::newRow("IP Config, ticked") << "Command1" << Qt::Checked << "ipconfig  /all";
    QTest::newRow("IP Config, greyed") << "Command1" << Qt::PartiallyChecked << "ipconfig ";
    QTest::newRow("Renew, not ticked") << "Command3" << Qt::Unchecked << "ipconfig /renew";
    QTest::newRow("Renew, ticked") << "Command3" << Qt::Checked << "ipconfig /renew";
    QTest::newRow("Release, not ticked") << "Command4" << Qt::Unchecked << "ipconfig /release";
    QTest::newRow("Release, ticked") << "Command4" << Qt::Checked << "ipconfig /release";
}

void tst_ToolWindows::ipconfigLine()
{
    QFETCH(QString, button);
    QFETCH(Qt::CheckState, all);
    QWidget *w = open(QStringLiteral("ipcfig"));
    tick(w, "Check1", all);
    click(w, qPrintable(button));
    QCOMPARE(m_runner.calls.size(), 1);
    QTEST(m_runner.calls[0].command, "line");
    QCOMPARE(m_runner.calls[0].windowStyle, 6);
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_ToolWindows::netstatLine_data()
{
    QTest::addColumn<int>("ticked"); // bit 0 is Check1
    QTest::addColumn<QString>("line");
    const QStringList lines{"cmd  /c netstat", "cmd /c netstat  -a", "cmd /c netstat  -e", "cmd /c netstat  -n",
                            "cmd /c netstat  -r"};
    for (int ticked = 0; ticked < 16; ++ticked) {
        int highest = 0;
        for (int box = 0; box < 4; ++box) {
            if (ticked & (1 << box))
                highest = box + 1;
        }
        QTest::addRow("boxes %d%d%d%d", ticked & 1, (ticked >> 1) & 1, (ticked >> 2) & 1, (ticked >> 3) & 1)
            << ticked << lines[highest];
    }
}

void tst_ToolWindows::netstatLine()
{
    QFETCH(int, ticked);
    QWidget *w = open(QStringLiteral("fNetstat"));
    const char *boxes[] = {"Check1", "Check2", "Check3", "Check4"};
    for (int box = 0; box < 4; ++box)
        tick(w, boxes[box], ticked & (1 << box) ? Qt::Checked : Qt::Unchecked);
    click(w, "Command1");
    QCOMPARE(m_runner.calls.size(), 1);
    QTEST(m_runner.calls[0].command, "line");
    QCOMPARE(m_runner.calls[0].windowStyle, 6);
}

void tst_ToolWindows::arpLineIgnoresTheBox_data()
{
    QTest::addColumn<Qt::CheckState>("state");
    QTest::newRow("not ticked") << Qt::Unchecked;
    QTest::newRow("ticked") << Qt::Checked;
}

void tst_ToolWindows::arpLineIgnoresTheBox()
{
    QFETCH(Qt::CheckState, state);
    QWidget *w = open(QStringLiteral("Arp"));
    tick(w, "Check1", state);
    click(w, "cArp");
    QCOMPARE(m_runner.calls.size(), 1);
    QCOMPARE(m_runner.calls[0].command, QStringLiteral("arp -a"));
    QCOMPARE(m_runner.calls[0].windowStyle, 6);
}

void tst_ToolWindows::outputIsReplaced_data()
{
    QTest::addColumn<QString>("window");
    for (const QString &name : allWindows)
        QTest::newRow(qPrintable(name)) << name;
}

void tst_ToolWindows::outputIsReplaced()
{
    QFETCH(QString, window);
    QWidget *w = open(window);
    QWidget *output = control(w, outputName(window));

    m_runner.next.text = QStringLiteral("first line\r\nsecond line\r\n");
    runOnce(w);
    QCOMPARE(textOf(output), QStringLiteral("first line\nsecond line\n"));
    if (hasInput(window))
        QCOMPARE(textOf(control(w, "Text2")), QString());

    // Text that looks like markup is shown as it is.
    m_runner.next.text = QStringLiteral("<b>only</b> &amp; this");
    runOnce(w);
    QCOMPARE(textOf(output), QStringLiteral("<b>only</b> &amp; this"));

    m_runner.next.text.clear();
    runOnce(w);
    QCOMPARE(textOf(output), QString());
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_ToolWindows::runnerFailureIsShown_data()
{
    outputIsReplaced_data();
}

void tst_ToolWindows::runnerFailureIsShown()
{
    QFETCH(QString, window);
    QWidget *w = open(window);
    m_runner.next.text = QStringLiteral("earlier output");
    runOnce(w);

    const QString error = QStringLiteral("Cannot run the command: no temporary folder.");
    m_runner.next = {QString(), error};
    runOnce(w, QStringLiteral("kept"));
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(m_fake->messages.boxes[0].text, error);
    QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
    QCOMPARE(m_fake->messages.boxes[0].icon, BoxIcon::None);
    QCOMPARE(textOf(control(w, outputName(window))), QStringLiteral("earlier output"));
    // The input was not used up: the user can try again.
    if (hasInput(window))
        QCOMPARE(textOf(control(w, "Text2")), QStringLiteral("kept"));
}

void tst_ToolWindows::closeWhileRunningWaitsForTheRun()
{
    QPointer<QWidget> w = open(QStringLiteral("ping"));
    w->setAttribute(Qt::WA_DeleteOnClose);
    m_window.release(); // the window now deletes itself
    m_runner.next.text = QStringLiteral("Reply");
    m_runner.during = [w] {
        // As a close from the title bar arrives while the runner's guard spins its own loop.
        QEventLoop loop;
        QTimer::singleShot(0, w, &QWidget::close);
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    };
    runOnce(w);
    // The handler finished on a whole window...
    QVERIFY(w);
    QCOMPARE(textOf(control(w, "Text1")), QStringLiteral("Reply"));
    QCOMPARE(textOf(control(w, "Text2")), QString());
    // ...and the close went through afterwards.
    QTRY_VERIFY(w.isNull());
}

void tst_ToolWindows::emptyInput_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("message");
    QTest::newRow("ping") << "ping"
                          << "Type an IP address to ping!";
    QTest::newRow("tracert") << "tracert"
                             << "Type an  IP address to trace!";
    QTest::newRow("nslookup") << "nslookup"
                              << "Type a domain name like \"example.com\" !";
}

void tst_ToolWindows::emptyInput()
{
    QFETCH(QString, window);
    QWidget *w = open(window);
    m_runner.next.text = QStringLiteral("before");
    runOnce(w);
    m_runner.calls.clear();

    click(w, "Command1");
    QVERIFY(m_runner.calls.isEmpty());
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QTEST(m_fake->messages.boxes[0].text, "message");
    QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
    QCOMPARE(m_fake->messages.boxes[0].icon, BoxIcon::Information);
    QCOMPARE(textOf(control(w, "Text1")), QStringLiteral("before"));
    if (window == u"tracert")
        QCOMPARE(textOf(control(w, "Label1")), QStringLiteral("Done"));

    // A blank is input.
    setText(w, "Text2", QStringLiteral(" "));
    click(w, "Command1");
    QCOMPARE(m_runner.calls.size(), 1);
    QVERIFY(m_runner.calls[0].command.endsWith(u' '));
    QCOMPARE(m_fake->messages.boxes.size(), 1);
}

void tst_ToolWindows::enterOnEmptyInput_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("ping") << "ping" << QStringList();
    QTest::newRow("nslookup") << "nslookup" << QStringList();
    QTest::newRow("tracert") << "tracert" << QStringList{"tracert  -d  -h 5 -w 200 "};
    QTest::newRow("vdos") << "vdos" << QStringList{""};
}

void tst_ToolWindows::enterOnEmptyInput()
{
    QFETCH(QString, window);
    QFETCH(QStringList, lines);
    QWidget *w = open(window);
    m_runner.next.text = QStringLiteral("before");
    runOnce(w);
    m_runner.calls.clear();
    m_runner.next.text = QStringLiteral("usage");

    typeEnter(w, "Text2");
    QStringList ran;
    for (const RunCall &call : std::as_const(m_runner.calls))
        ran << call.command;
    QCOMPARE(ran, lines);
    QVERIFY(m_fake->messages.boxes.isEmpty());
    QCOMPARE(textOf(control(w, "Text1")), lines.isEmpty() ? QStringLiteral("before") : QStringLiteral("usage"));
}

void tst_ToolWindows::typedKeysReachTheBox()
{
    for (const QString &name : {QStringLiteral("ping"), QStringLiteral("tracert"), QStringLiteral("vdos")}) {
        QWidget *w = open(name);
        m_runner.calls.clear();
        QTest::keyClicks(control(w, "Text2"), QStringLiteral("10.0.0.1"));
        QCOMPARE(textOf(control(w, "Text2")), QStringLiteral("10.0.0.1"));
        QVERIFY(m_runner.calls.isEmpty());
        QTest::keyClick(control(w, "Text2"), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        typeEnter(w, "Text2");
        QCOMPARE(m_runner.calls.size(), 1);
        QVERIFY(m_runner.calls[0].command.endsWith(QStringLiteral("10.0.0.1")));
    }
}

void tst_ToolWindows::tracertStatus()
{
    QWidget *w = open(QStringLiteral("tracert"));
    auto *label = control<QLabel>(w, "Label1");
    QCOMPARE(label->text(), QString());

    QTest::keyClick(control(w, "Text2"), Qt::Key_1);
    QCOMPARE(label->text(), QStringLiteral(" Please wait a few moments...."));
    QCOMPARE(m_runner.calls.size(), 1); // only the load step

    QString whileRunning;
    m_runner.during = [&] { whileRunning = label->text(); };
    typeEnter(w, "Text2");
    QCOMPARE(whileRunning, QStringLiteral(" Please wait a few moments...."));
    QCOMPARE(label->text(), QStringLiteral("Done"));

    // Any key, Backspace included, shows the waiting text again; the button sets it itself.
    QTest::keyClick(control(w, "Text2"), Qt::Key_Backspace);
    QCOMPARE(label->text(), QStringLiteral(" Please wait a few moments...."));
    label->setText(QStringLiteral("Done"));
    whileRunning.clear();
    setText(w, "Text2", QStringLiteral("10.0.0.1"));
    click(w, "Command1");
    QCOMPARE(whileRunning, QStringLiteral(" Please wait a few moments...."));
    QCOMPARE(label->text(), QStringLiteral("Done"));

    // The button on an empty box leaves the status as it was.
    click(w, "Command1");
    QCOMPARE(label->text(), QStringLiteral("Done"));
}

void tst_ToolWindows::tracertStatusOnFailure()
{
    QWidget *w = open(QStringLiteral("tracert"));
    m_runner.next = {QString(), QStringLiteral("Cannot start /bin/sh.")};
    setText(w, "Text2", QStringLiteral("10.0.0.1"));
    click(w, "Command1");
    // Neither still waiting nor done.
    QCOMPARE(textOf(control(w, "Label1")), QString());
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(textOf(control(w, "Text2")), QStringLiteral("10.0.0.1"));
}

void tst_ToolWindows::tracertOptionsStay()
{
    QWidget *w = open(QStringLiteral("tracert"));
    setText(w, "tHop", QStringLiteral("30"));
    runOnce(w, QStringLiteral("10.0.0.1"));
    runOnce(w, QStringLiteral("10.0.0.2"));
    QCOMPARE(m_runner.calls.last().command, QStringLiteral("tracert  -d  -h 30 -w 200 10.0.0.2"));
    QCOMPARE(textOf(control(w, "tHop")), QStringLiteral("30"));
    QCOMPARE(textOf(control(w, "tTime")), QStringLiteral("200"));
    QCOMPARE(textOf(control(w, "Text2")), QString());
}

void tst_ToolWindows::ipconfigEnterHint()
{
    QWidget *w = open(QStringLiteral("ipcfig"));
    m_runner.next.text = QStringLiteral("Windows IP Configuration");
    click(w, "Command1");
    m_runner.calls.clear();

    QTest::keyClick(control(w, "Text1"), Qt::Key_A);
    QVERIFY(m_fake->messages.boxes.isEmpty());
    typeEnter(w, "Text1");
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(m_fake->messages.boxes[0].text,
             QStringLiteral("Just click the IP Config button with or without the /All option"));
    QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
    QCOMPARE(m_fake->messages.boxes[0].icon, BoxIcon::None);
    QVERIFY(m_runner.calls.isEmpty());
    QCOMPARE(textOf(control(w, "Text1")), QStringLiteral("Windows IP Configuration"));
}

void tst_ToolWindows::readOnlyOutput_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("ping") << "ping" << false;
    QTest::newRow("tracert") << "tracert" << true;
    QTest::newRow("ipcfig") << "ipcfig" << true;
    QTest::newRow("vdos") << "vdos" << false;
}

void tst_ToolWindows::readOnlyOutput()
{
    QFETCH(QString, window);
    QFETCH(bool, readOnly);
    QWidget *w = open(window);
    QWidget *box = control(w, "Text1");
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("typed"));
    QCOMPARE(textOf(box), readOnly ? QString() : QStringLiteral("typed"));
    QVERIFY(m_runner.calls.size() <= 1);
}

QTEST_MAIN(tst_ToolWindows)
#include "tst_toolwindows.moc"
