#include "Fakes.h"
#include "GuardDialog.h"
#include "LinuxFacts.h"
#include "ShellInterpreter.h"
#include "TestFiles.h"
#include "ToolWindows.h"
#include "parlo.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Records each command line (and any window style but 6) and can act while a command runs.
class HookedRunner final : public CommandRunner
{
public:
    Capture RunCapture(const QString &command, int windowStyle) override
    {
        lines << (windowStyle == 6 ? command : QStringLiteral("style %1: ").arg(windowStyle) + command);
        if (during)
            during();
        return next;
    }
    QString literal(const QString &text) const override { return text; }
    QStringList lines;
    Capture next;
    std::function<void()> during;
};

using Lines = QStringList;           // command lines as run, in order
using Boxes = QList<Qt::CheckState>; // of Check1, Check2, ... in order; boxes not listed stay unticked
constexpr Qt::CheckState off = Qt::Unchecked, on = Qt::Checked, grey = Qt::PartiallyChecked;

// What a case does once its boxes are filled in: click a button, press Enter in a box, or nothing.
struct Action
{
    QString control;
    bool enter = false;
};

Action click(const QString &button)
{
    return {button};
}

Action enter(const QString &box)
{
    return {box, true};
}

const Action noAction;

const QString before = QStringLiteral("before"); // in the output box before a case acts
const QString shown = QStringLiteral("out\n");   // there after the fake runner's "out\r\n"
const QString failed = QStringLiteral("Cannot run: no temporary folder.");
const QString pleaseWait = QStringLiteral(" Please wait a few moments....");

// A control by name; a name the window lacks is a mistake in a table, and ends the run.
template <typename T = QWidget> T *control(QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name);
    if (!found)
        qFatal("%s has no control %s", qPrintable(window->objectName()), qPrintable(name));
    return found;
}

// The text of a box or a label.
QString textOf(QWidget *box)
{
    return box->property(box->property("plainText").isValid() ? "plainText" : "text").toString();
}

// Empties the box, then types text into it key by key.
void typeInto(QWidget *window, const QString &box, const QString &text)
{
    QWidget *input = control(window, box);
    input->setProperty("text", QString());
    QTest::keyClicks(input, text);
}

void tick(QWidget *window, const Boxes &states)
{
    for (qsizetype i = 0; i < states.size(); ++i)
        control<QCheckBox>(window, QStringLiteral("Check%1").arg(i + 1))->setCheckState(states[i]);
}

void clickButton(QWidget *window, const QString &button)
{
    control<QPushButton>(window, button)->click();
}

void pressEnter(QWidget *window, const QString &box)
{
    QTest::keyClick(control(window, box), Qt::Key_Return);
}

void perform(QWidget *window, const Action &action)
{
    if (action.enter)
        pressEnter(window, action.control);
    else if (!action.control.isEmpty())
        clickButton(window, action.control);
}

} // namespace

class tst_ToolWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void run_data();
    void run();
    void runWithTheBoxesTicked_data();
    void runWithTheBoxesTicked();
    void traceKeepsItsOptions_data();
    void traceKeepsItsOptions();
    void closeWhileRunningWaitsForTheRun();
    void menuOpensOneFreshInstance_data();
    void menuOpensOneFreshInstance();
    void realRun_data();
    void realRun();

private:
    static QWidget *child(QWidget *window, const QString &name) { return window->findChild<QWidget *>(name); }
    static QWidget *inputOf(QWidget *window) { return child(window, QStringLiteral("Text2")); }
    static QWidget *outputOf(QWidget *window) { return window->findChild<QAbstractScrollArea *>(); }
    static QWidget *statusOf(QWidget *window) { return child(window, QStringLiteral("Label1")); } // the trace's
    QWidget *open(const QString &name);
    QWidget *openReady(const QString &name, const QString &error = {});

    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
    HookedRunner m_runner;
    QStringList m_statusWhileRunning; // the trace window's, once for each line run
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<LinuxFacts> m_facts;
    QTcpServer m_server; // with one connection, for netstat to list
    QTcpSocket m_client;
};

void tst_ToolWindows::initTestCase()
{
    for (const char *folder : {"tmp", "start", "data"})
        QVERIFY(QDir(m_temp.path()).mkpath(QLatin1String(folder)));
    QVERIFY(QDir::setCurrent(m_temp.filePath(QStringLiteral("start")))); // where every real line starts
    qputenv("TEMP", QFile::encodeName(m_temp.filePath(QStringLiteral("tmp"))));
    m_facts = std::make_unique<LinuxFacts>(QProcessEnvironment::systemEnvironment());
    for (const char *program : {"ping", "tracert", "netstat", "cmd"})
        QVERIFY2(QFileInfo(QStringLiteral(PARLO_TEST_COMPAT_DIR "/") + QLatin1String(program)).isExecutable(), program);
    QVERIFY(m_server.listen(QHostAddress::LocalHost));
    m_client.connectToHost(QHostAddress::LocalHost, m_server.serverPort());
    QVERIFY(m_client.waitForConnected(5000));
}

void tst_ToolWindows::init()
{
    m_window.reset();
    m_fake = std::make_unique<FakeHost>(m_temp.filePath(QStringLiteral("data")));
    m_runner = {};
    m_statusWhileRunning.clear();
}

QWidget *tst_ToolWindows::open(const QString &name)
{
    m_window.reset(toolWindowMakers().value(name)(
        Host{m_runner, m_fake->launcher, m_fake->messages, m_fake->facts, m_fake->paths}));
    m_window->show();
    return m_window.get();
}

// Opens the window past its opening run, with "before" in its output box and the runner
// answering "out\r\n" to every line, or failing with error.
QWidget *tst_ToolWindows::openReady(const QString &name, const QString &error)
{
    QWidget *window = open(name);
    m_runner.lines.clear();
    outputOf(window)->setProperty("plainText", before);
    m_runner.next = {QStringLiteral("out\r\n"), error};
    m_runner.during = [this, status = statusOf(window)] {
        if (status)
            m_statusWhileRunning << textOf(status);
    };
    return window;
}

// One action in a window, with the fake runner.
void tst_ToolWindows::run_data()
{
    using enum BoxIcon;
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("input"); // typed into the input box
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("error");   // the runner fails with, when not empty
    QTest::addColumn<Lines>("lines");     // each at window style 6 (minimized, no focus)
    QTest::addColumn<QString>("message"); // in the one box shown, when not empty
    QTest::addColumn<BoxIcon>("icon");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("inputAfter");
    QTest::addColumn<QString>("status"); // the trace window's, after

    const QString trace = QStringLiteral("tracert  -d  -h 5 -w 200 "); // with the boxes' own hops and time-out
    const QString ping = "Type an IP address to ping!", traceHint = "Type an  IP address to trace!";
    const QString lookUp = "Type a domain name like \"example.com\" !";
    const QString allOrNot = "Just click the IP Config button with or without the /All option";
    // clang-format off
    // window, input, action, runner error;
    //     then the lines run, the box's message and icon, the output, the input box and the trace status after.
    QTest::newRow("ping, button")           << "ping"     << "10.0.0.1"    << click("Command1") << ""
        << Lines{"ping 10.0.0.1"}        << ""        << None        << shown  << ""     << "";
    QTest::newRow("ping, blanks kept")      << "ping"     << " a "         << enter("Text2")    << ""
        << Lines{"ping  a "}             << ""        << None        << shown  << ""     << "";
    QTest::newRow("ping, empty Enter")      << "ping"     << ""            << enter("Text2")    << ""
        << Lines{}                       << ""        << None        << before << ""     << "";
    QTest::newRow("ping, empty button")     << "ping"     << ""            << click("Command1") << ""
        << Lines{}                       << ping      << Information << before << ""     << "";
    QTest::newRow("ping fails")             << "ping"     << "kept"        << click("Command1") << failed
        << Lines{"ping kept"}            << failed    << None        << before << "kept" << "";
    QTest::newRow("tracert, button")        << "tracert"  << "b"           << click("Command1") << ""
        << Lines{trace + "b"}            << ""        << None        << shown  << ""     << "Done";
    QTest::newRow("tracert, Enter")         << "tracert"  << "a"           << enter("Text2")    << ""
        << Lines{trace + "a"}            << ""        << None        << shown  << ""     << "Done";
    QTest::newRow("tracert, empty Enter")   << "tracert"  << ""            << enter("Text2")    << ""
        << Lines{trace}                  << ""        << None        << shown  << ""     << "Done";
    QTest::newRow("tracert, empty button")  << "tracert"  << ""            << click("Command1") << ""
        << Lines{}                       << traceHint << Information << before << ""     << "";
    QTest::newRow("tracert, typing only")   << "tracert"  << "kept"        << noAction          << ""
        << Lines{}                       << ""        << None        << before << "kept" << pleaseWait;
    QTest::newRow("tracert fails")          << "tracert"  << "kept"        << click("Command1") << failed
        << Lines{trace + "kept"}         << failed    << None        << before << "kept" << "";
    QTest::newRow("nslookup, button")       << "nslookup" << "example.org" << click("Command1") << ""
        << Lines{"nslookup example.org"} << ""        << None        << shown  << ""     << "";
    QTest::newRow("nslookup, blank kept")   << "nslookup" << " "           << enter("Text2")    << ""
        << Lines{"nslookup  "}           << ""        << None        << shown  << ""     << "";
    QTest::newRow("nslookup, empty Enter")  << "nslookup" << ""            << enter("Text2")    << ""
        << Lines{}                       << ""        << None        << before << ""     << "";
    QTest::newRow("nslookup, empty button") << "nslookup" << ""            << click("Command1") << ""
        << Lines{}                       << lookUp    << Information << before << ""     << "";
    QTest::newRow("vdos, Enter")            << "vdos"     << "cd x"        << enter("Text2")    << ""
        << Lines{"cd x"}                 << ""        << None        << shown  << ""     << "";
    QTest::newRow("vdos, empty line too")   << "vdos"     << ""            << enter("Text2")    << ""
        << Lines{""}                     << ""        << None        << shown  << ""     << "";
    QTest::newRow("vdos fails")             << "vdos"     << "kept"        << enter("Text2")    << failed
        << Lines{"kept"}                 << failed    << None        << before << "kept" << "";
    QTest::newRow("ipconfig, Enter")        << "ipcfig"   << ""            << enter("Text1")    << ""
        << Lines{}                       << allOrNot  << None        << before << ""     << "";
    // clang-format on
}

void tst_ToolWindows::run()
{
    QFETCH(QString, window);
    QFETCH(QString, input);
    QFETCH(Action, action);
    QFETCH(QString, error);
    QWidget *w = openReady(window, error);
    if (!input.isEmpty())
        typeInto(w, QStringLiteral("Text2"), input);
    perform(w, action);

    QFETCH(Lines, lines);
    QCOMPARE(m_runner.lines, lines);
    QFETCH(QString, output);
    QCOMPARE(textOf(outputOf(w)), output);
    QFETCH(QString, inputAfter);
    if (QWidget *box = inputOf(w))
        QCOMPARE(textOf(box), inputAfter);
    QFETCH(QString, status);
    QCOMPARE(statusOf(w) ? textOf(statusOf(w)) : QString(), status);
    // The trace window says to wait while each line runs.
    QCOMPARE(m_statusWhileRunning, QStringList(statusOf(w) ? lines.size() : 0, pleaseWait));
    QFETCH(QString, message);
    QFETCH(BoxIcon, icon);
    const QList<Box> &boxes = m_fake->messages.boxes;
    QCOMPARE(boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(boxes[0].text, message);
        QCOMPARE(boxes[0].title, QStringLiteral("Parlo"));
        QCOMPARE(boxes[0].icon, icon);
    }
}

// The check box windows: each run goes well, replacing the output and showing no box.
void tst_ToolWindows::runWithTheBoxesTicked_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<Boxes>("checks"); // netstat's Check1 to Check4 are -a, -e, -n and -r
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("line");

    const QString netstat = QStringLiteral("cmd /c netstat  "); // then the option
    // clang-format off
    QTest::newRow("ipconfig")         << "ipcfig"   << Boxes{}                   << "Command1" << "ipconfig ";
    QTest::newRow("ipconfig, grey")   << "ipcfig"   << Boxes{grey}               << "Command1" << "ipconfig ";
    QTest::newRow("ipconfig /All")    << "ipcfig"   << Boxes{on}                 << "Command1" << "ipconfig  /all";
    QTest::newRow("renew, /All on")   << "ipcfig"   << Boxes{on}                 << "Command3" << "ipconfig /renew";
    QTest::newRow("release, /All on") << "ipcfig"   << Boxes{on}                 << "Command4" << "ipconfig /release";
    QTest::newRow("netstat none")     << "fNetstat" << Boxes{}                   << "Command1" << "cmd  /c netstat";
    QTest::newRow("netstat, grey -r") << "fNetstat" << Boxes{off, on, off, grey} << "Command1" << netstat + "-e";
    QTest::newRow("netstat -a")       << "fNetstat" << Boxes{on}                 << "Command1" << netstat + "-a";
    QTest::newRow("netstat last -n")  << "fNetstat" << Boxes{on, off, on}        << "Command1" << netstat + "-n";
    QTest::newRow("netstat last -r")  << "fNetstat" << Boxes{on, on, on, on}     << "Command1" << netstat + "-r";
    QTest::newRow("arp")              << "Arp"      << Boxes{}                   << "cArp"     << "arp -a";
    QTest::newRow("arp, -a ticked")   << "Arp"      << Boxes{on}                 << "cArp"     << "arp -a";
    // clang-format on
}

void tst_ToolWindows::runWithTheBoxesTicked()
{
    QFETCH(QString, window);
    QFETCH(Boxes, checks);
    QFETCH(QString, button);
    QFETCH(QString, line);
    QWidget *w = openReady(window);
    tick(w, checks);
    clickButton(w, button);
    QCOMPARE(m_runner.lines, Lines{line});
    QCOMPARE(textOf(outputOf(w)), shown);
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

// The hop count and time-out go into the line as typed, and stay for the next trace.
void tst_ToolWindows::traceKeepsItsOptions_data()
{
    QTest::addColumn<QString>("hops");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<QString>("line"); // to "a", by Enter and then again by the button

    // clang-format off
    QTest::newRow("hops typed")    << "30" << "200" << "tracert  -d  -h 30 -w 200 a";
    QTest::newRow("each as typed") << ""   << "x y" << "tracert  -d  -h  -w x y a";
    // clang-format on
}

void tst_ToolWindows::traceKeepsItsOptions()
{
    QFETCH(QString, hops);
    QFETCH(QString, timeout);
    QFETCH(QString, line);
    QWidget *w = openReady(QStringLiteral("tracert"));
    typeInto(w, QStringLiteral("tHop"), hops);
    typeInto(w, QStringLiteral("tTime"), timeout);
    typeInto(w, QStringLiteral("Text2"), QStringLiteral("a"));
    pressEnter(w, QStringLiteral("Text2"));
    typeInto(w, QStringLiteral("Text2"), QStringLiteral("a"));
    clickButton(w, QStringLiteral("Command1"));
    QCOMPARE(m_runner.lines, Lines({line, line}));
    QCOMPARE(textOf(outputOf(w)), shown); // replaced each time, not added to
    QCOMPARE(textOf(statusOf(w)), QStringLiteral("Done"));
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_ToolWindows::closeWhileRunningWaitsForTheRun()
{
    QPointer<QWidget> w = open(QStringLiteral("ping"));
    w->setAttribute(Qt::WA_DeleteOnClose);
    m_window.release(); // the window now deletes itself
    m_runner.next.text = QStringLiteral("Reply");
    m_runner.during = [w] {
        // A close from the title bar, while the runner's guard spins its own loop.
        QEventLoop loop;
        QTimer::singleShot(0, w, &QWidget::close);
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    };
    typeInto(w, QStringLiteral("Text2"), QStringLiteral("10.0.0.1"));
    clickButton(w, QStringLiteral("Command1"));
    QVERIFY(w); // the handler finished on a whole window
    QCOMPARE(textOf(outputOf(w)), QStringLiteral("Reply"));
    QTRY_VERIFY(w.isNull()); // and the close went through afterwards
}

void tst_ToolWindows::menuOpensOneFreshInstance_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("exit");
    QTest::addColumn<Lines>("opening"); // run as it opens, "STYLE LINE"
    // clang-format off
    QTest::newRow("Ping") << "mPing" << "ping" << "Command2" << Lines{"6 "};
    QTest::newRow("Trace Route") << "mtracert" << "tracert" << "Command2" << Lines{"6 "};
    QTest::newRow("NsLookup") << "mNsLookup" << "nslookup" << "Command2" << Lines{"6 "};
    QTest::newRow("IP Config") << "mIpconfig" << "ipcfig" << "Command2" << Lines{};
    QTest::newRow("Virtual DOS") << "mvdos" << "vdos" << "Command1" << Lines{};
    QTest::newRow("Netstat") << "mNetstat" << "fNetstat" << "Command2" << Lines{};
    QTest::newRow("Arp") << "mArp" << "Arp" << "Command2" << Lines{};
    // clang-format on
}

void tst_ToolWindows::menuOpensOneFreshInstance()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(QString, exit);
    parlo main(m_fake->host(), toolWindowMakers());
    QAction *menuItem = main.findChild<QAction *>(item);
    auto ticked = [&] { return main.instance(window)->findChildren<QCheckBox *>().value(0); };

    menuItem->trigger();
    QPointer<QWidget> first = main.instance(window);
    QVERIFY(first && first->isVisible() && !first->parentWidget());
    QTEST(lines(m_fake->runner.calls), "opening");
    const qsizetype loads = m_fake->runner.calls.size();
    outputOf(first)->setProperty("plainText", QStringLiteral("kept"));
    if (ticked())
        ticked()->setChecked(true);
    menuItem->trigger(); // nothing new, nothing reset
    QCOMPARE(main.instance(window), first.data());
    QCOMPARE(textOf(outputOf(first)), QStringLiteral("kept"));
    QCOMPARE(m_fake->runner.calls.size(), loads);

    qobject_cast<QPushButton *>(child(first, exit))->click();
    QTRY_VERIFY(first.isNull());
    menuItem->trigger(); // a new instance, loaded again
    QVERIFY(main.instance(window)->isVisible());
    QCOMPARE(textOf(outputOf(main.instance(window))), QString());
    QVERIFY(!ticked() || !ticked()->isChecked());
    QCOMPARE(m_fake->runner.calls.size(), 2 * loads);
}

// The real runner, /bin/sh and compat/; all on loopback and numeric, so no name is ever looked up.
void tst_ToolWindows::realRun_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("input");
    QTest::addColumn<Boxes>("checks");
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("stop");       // pressed in the "Running" dialog after a while
    QTest::addColumn<QString>("pattern"); // sought in the output
    QTest::addColumn<int>("matches");     // -1: at least one
    QTest::addColumn<int>("withinMs");    // 0: no limit

    constexpr int atLeastOne = -1, noLimit = 0;
    // Either end of our server's one connection, and the folder each real line starts in.
    const QString ourEnds = R"(127\.0\.0\.1:)" + QString::number(m_server.serverPort()) + " ";
    const QString start = QRegularExpression::escape(QDir::currentPath());
    const Action button = click("Command1"), enterKey = enter("Text2");
    // clang-format off
    QTest::newRow("ping, four replies")
        << "ping" << "127.0.0.1" << Boxes{} << button << false << R"( from 127\.0\.0\.1)" << 4 << noLimit;
    QTest::newRow("trace to loopback")
        << "tracert" << "127.0.0.1" << Boxes{} << button << false << R"(\n 1  127\.0\.0\.1 )" << 1 << noLimit;
    QTest::newRow("netstat, both ends")
        << "fNetstat" << "" << Boxes{off, off, on} << button << false << ourEnds << 2 << noLimit;
    QTest::newRow("cd within a line")
        << "vdos" << "cd /; pwd" << Boxes{} << enterKey << false << R"(\A/\n\z)" << 1 << noLimit;
    QTest::newRow("next line starts afresh")
        << "vdos" << "pwd" << Boxes{} << enterKey << false << R"(\A)" + start + R"(\n\z)" << 1 << noLimit;
    QTest::newRow("interactive line ends")
        << "vdos" << "cat" << Boxes{} << enterKey << false << R"(\A\z)" << 1 << 5000;
    QTest::newRow("Stop ends ping -t")
        << "ping" << "-t 127.0.0.1" << Boxes{} << button << true << R"( from 127\.0\.0\.1)" << atLeastOne << noLimit;
    // clang-format on
}

void tst_ToolWindows::realRun()
{
    QFETCH(QString, window);
    QFETCH(bool, stop);
    int looks = 0; // bounded
    QTimer presser;
    connect(&presser, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (++looks > 1500 || (looks > 75 && modal && modal->objectName() == u"RunningDialog" &&
                               QMetaObject::invokeMethod(modal->findChild<QPushButton *>("Stop"), "click")))
            presser.stop();
    });
    if (stop)
        presser.start(20);
    GuardDialog dialog;
    QuietGuard quiet;
    ShellInterpreter interpreter(
        HostConfig{QStringLiteral(PARLO_TEST_COMPAT_DIR), m_temp.filePath(QStringLiteral("data"))}, *m_facts,
        stop ? static_cast<RunGuard &>(dialog) : quiet);
    Runner runner(interpreter);
    const std::unique_ptr<QWidget> w(
        toolWindowMakers().value(window)(Host{runner, m_fake->launcher, m_fake->messages, *m_facts, m_fake->paths}));
    w->show();
    QFETCH(QString, input);
    QFETCH(Boxes, checks);
    QFETCH(Action, action);
    QElapsedTimer clock;
    clock.start();
    if (!input.isEmpty())
        typeInto(w.get(), QStringLiteral("Text2"), input);
    tick(w.get(), checks);
    perform(w.get(), action);

    QFETCH(int, withinMs);
    QVERIFY(withinMs == 0 || clock.elapsed() < withinMs);
    QVERIFY(looks < 1500 && !QApplication::activeModalWidget());
    QFETCH(QString, pattern);
    QFETCH(int, matches);
    const QString output = textOf(outputOf(w.get()));
    const qsizetype found = output.count(QRegularExpression(pattern));
    QVERIFY2(matches < 0 ? found > 0 : found == matches, qPrintable(output));
    QVERIFY(m_fake->messages.boxes.isEmpty());
    QVERIFY(QDir(m_temp.filePath(QStringLiteral("tmp"))).isEmpty());
}

QTEST_MAIN(tst_ToolWindows)
#include "tst_toolwindows.moc"
