#include "Fakes.h"
#include "TestFiles.h"
#include "main/parlo.h"
#include "platform/LinuxFacts.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"
#include "tools/ToolWindows.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QDir>
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

// The runs ("STYLE LINE"), then the message boxes, then the trace window's status.
using Lines = QStringList;
using Steps = QStringList; // what a case does in its window, in order

const QString before = QStringLiteral("before"); // in the output box before a case acts
const QString live = QStringLiteral("so far\n"); // there while the fake runner runs a line
const QString shown = QStringLiteral("out\n");   // there after the fake runner's "out\r\n"
const QString failed = QStringLiteral("Cannot run: no temporary folder.");
// How the fake runner's lines end.
constexpr int runs = 0, fails = 1, stops = 2;

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

QWidget *outputOf(QWidget *window)
{
    return window->findChild<QAbstractScrollArea *>();
}

// "CheckN=on" ticks a check box; "BOX=TEXT" empties BOX, then types TEXT key by key; "Enter BOX"
// presses Enter in BOX; a step of one name clicks that button.
void perform(QWidget *window, const Steps &steps)
{
    for (const QString &step : steps) {
        const qsizetype equals = step.indexOf(u'=');
        if (step.startsWith(u"Check")) {
            control<QCheckBox>(window, step.left(equals))->setChecked(true);
        } else if (equals > 0) {
            QWidget *box = control(window, step.left(equals));
            box->setProperty("text", QString());
            QTest::keyClicks(box, step.mid(equals + 1));
        } else if (step.startsWith(u"Enter ")) {
            QTest::keyClick(control(window, step.mid(6)), Qt::Key_Return);
        } else {
            control<QPushButton>(window, step)->click();
        }
    }
}

} // namespace

class tst_ToolWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<LinuxFacts> m_facts;
    QTcpServer m_server; // with one connection, for netstat to list
    QTcpSocket m_client;

    QWidget *open(const QString &name)
    {
        m_window.reset(toolWindowMakers().value(name)(m_fake->host()));
        m_window->show();
        return m_window.get();
    }

private Q_SLOTS:
    // Netstat's and the ARP table's columns line up only in a fixed-pitch font.
    void columnsInFixedPitch()
    {
        for (const char *name : {"fNetstat", "Arp"})
            QVERIFY2(QFontInfo(outputOf(open(QLatin1String(name)))->font()).fixedPitch(), name);
    }

    void initTestCase()
    {
        for (const char *folder : {"tmp", "start", "data"})
            QVERIFY(QDir(m_temp.path()).mkpath(QLatin1String(folder)));
        QVERIFY(QDir::setCurrent(m_temp.filePath(QStringLiteral("start")))); // where every real line starts
        qputenv("TEMP", QFile::encodeName(m_temp.filePath(QStringLiteral("tmp"))));
        m_facts = std::make_unique<LinuxFacts>(QProcessEnvironment::systemEnvironment());
        for (const char *program : {"ping", "nslookup", "tracert"})
            writeFile(m_temp.filePath("standins/") + program, "#!/bin/sh\nprintf '[%s]' \"$@\"\n", true);
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        m_client.connectToHost(QHostAddress::LocalHost, m_server.serverPort());
        QVERIFY(m_client.waitForConnected(5000));
    }

    void init()
    {
        m_window.reset();
        m_fake = std::make_unique<FakeHost>(m_temp.filePath(QStringLiteral("data")));
    }

    // Steps in a window past its opening run, with the fake runner answering "out\r\n" to each line.
    void run()
    {
        const QString trace = QStringLiteral("6 tracert  -d  -h 5 -w 200 "); // with the boxes' own hops and time-out
        const QString netstat = QStringLiteral("6 cmd /c netstat  ");        // then the option
        const QString ping = "Parlo (i): Type an IP address to ping!";
        const QString traceHint = "Parlo (i): Type an  IP address to trace!";
        const QString lookUp = "Parlo (i): Type a domain name like \"example.com\" !";
        const QString allOrNot = "Parlo: Just click the IP Config button with or without the /All option";
        const QString failure = "Parlo: " + failed;
        const Steps go{"Command1"}, enter{"Enter Text2"}, all{"Check1=on", "Check2=on", "Check3=on", "Check4=on"};
        const Steps typedTwice{"tHop=", "tTime=x y", "Text2=a", "Enter Text2", "Text2=a", "Command1"};
        const QString asTyped = QStringLiteral("6 tracert  -d  -h  -w x y a");
        // The name, the window, the steps, how the fake runner's lines end, the effects.
        const std::tuple<QString, QString, Steps, int, Lines> rows[] = {
            {"ping, blanks kept", "ping", {"Text2= a ", "Enter Text2"}, runs, {"6 ping  a "}},
            {"ping, empty Enter", "ping", enter, runs, {}},
            {"ping, empty button", "ping", go, runs, {ping}},
            {"ping fails", "ping", {"Text2=kept", "Command1"}, fails, {"6 ping kept", failure}},
            {"tracert, empty Enter", "tracert", enter, runs, {trace, "Done"}},
            {"tracert, empty button", "tracert", go, runs, {traceHint, ""}},
            {"tracert fails", "tracert", {"Text2=kept", "Command1"}, fails, {trace + "kept", failure, ""}},
            {"tracert stopped", "tracert", {"Text2=b", "Command1"}, stops, {trace + "b", "Stopped"}},
            // The hop count and time-out go into the line as typed, and stay for the next trace.
            {"tracert, as typed", "tracert", typedTwice, runs, {asTyped, asTyped, "Done"}},
            {"nslookup, blank kept", "nslookup", {"Text2= ", "Enter Text2"}, runs, {"6 nslookup  "}},
            {"nslookup, empty Enter", "nslookup", enter, runs, {}},
            {"nslookup, empty button", "nslookup", go, runs, {lookUp}},
            {"vdos, empty line too", "vdos", enter, runs, {"6 "}},
            {"vdos fails", "vdos", {"Text2=kept", "Enter Text2"}, fails, {"6 kept", failure}},
            {"ipconfig, Enter", "ipcfig", {"Enter Text1"}, runs, {allOrNot}},
            {"ipconfig", "ipcfig", go, runs, {"6 ipconfig "}},
            {"ipconfig /All", "ipcfig", {"Check1=on", "Command1"}, runs, {"6 ipconfig  /all"}},
            {"renew, /All on", "ipcfig", {"Check1=on", "Command3"}, runs, {"6 ipconfig /renew"}},
            {"release, /All on", "ipcfig", {"Check1=on", "Command4"}, runs, {"6 ipconfig /release"}},
            // netstat's Check1 to Check4 are -a, -e, -n and -r.
            {"netstat none", "fNetstat", go, runs, {"6 cmd  /c netstat"}},
            {"netstat -e", "fNetstat", {"Check2=on", "Command1"}, runs, {netstat + "-e"}},
            {"netstat -a", "fNetstat", {"Check1=on", "Command1"}, runs, {netstat + "-a"}},
            {"netstat last -n", "fNetstat", {"Check1=on", "Check3=on", "Command1"}, runs, {netstat + "-n"}},
            {"netstat last -r", "fNetstat", all + go, runs, {netstat + "-r"}},
            {"arp", "Arp", {"cArp"}, runs, {"6 arp -a"}},
        };
        for (const auto &[name, window, steps, ends, effects] : rows) {
            init();
            QWidget *w = open(window);
            m_fake->runner.calls.clear();
            outputOf(w)->setProperty("plainText", before);
            m_fake->runner.next = {QStringLiteral("out\r\n"), ends == fails ? failed : QString(), ends == stops};
            if (ends != fails)
                m_fake->runner.liveText = live;
            QStringList whileRunning;
            m_fake->runner.during = [&] { whileRunning << textOf(outputOf(w)); };
            perform(w, steps);

            auto *status = w->findChild<QWidget *>(QStringLiteral("Label1")); // the trace window's
            const Lines seen = lines(m_fake->runner.calls) + lines(m_fake->messages.boxes) +
                               (status ? Lines{textOf(status)} : Lines{});
            QVERIFY2(seen == effects, qPrintable(name + ": " + seen.join(u'|')));
            // Each line's output shows while it runs; a run that goes well replaces it and empties the
            // input box, else both stay.
            QVERIFY2(whileRunning == QStringList(m_fake->runner.calls.size(), ends == fails ? before : live),
                     qPrintable(name));
            const bool ran = !m_fake->runner.calls.isEmpty() && ends != fails;
            QVERIFY2(textOf(outputOf(w)) == (ran ? shown : before), qPrintable(name));
            if (auto *input = w->findChild<QWidget *>(QStringLiteral("Text2")))
                QVERIFY2(textOf(input) == (ran || !steps.value(0).startsWith(u"Text2=") ? QString() : steps[0].mid(6)),
                         qPrintable(name));
        }
    }

    void closeWhileRunningWaitsForTheRun()
    {
        QPointer<QWidget> w = open(QStringLiteral("ping"));
        w->setAttribute(Qt::WA_DeleteOnClose);
        m_window.release(); // the window now deletes itself
        m_fake->runner.next.text = QStringLiteral("Reply");
        m_fake->runner.during = [w] {
            // A close from the title bar, while the runner's guard spins its own loop.
            QEventLoop loop;
            QTimer::singleShot(0, w, &QWidget::close);
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
        };
        perform(w, {QStringLiteral("Text2=10.0.0.1"), QStringLiteral("Command1")});
        QVERIFY(w); // the handler finished on a whole window
        QCOMPARE(textOf(outputOf(w)), QStringLiteral("Reply"));
        QTRY_VERIFY(w.isNull()); // and the close went through afterwards
    }

    // Each menu item opens its window once, with its opening run where it has one; the window
    // outlives the main window, and its exit button closes it.
    void menuOpensOneInstance()
    {
        // The item, the window, its exit button, whether it runs a line on opening.
        const std::tuple<QString, QString, QString, bool> rows[] = {
            {"mPing", "ping", "Command2", true},         {"mtracert", "tracert", "Command2", true},
            {"mNsLookup", "nslookup", "Command2", true}, {"mIpconfig", "ipcfig", "Command2", false},
            {"mvdos", "vdos", "Command1", false},        {"mNetstat", "fNetstat", "Command2", false},
            {"mArp", "Arp", "Command2", false},
        };
        for (const auto &[item, window, exit, opening] : rows) {
            init();
            parlo main(m_fake->host(), toolWindowMakers());
            QAction *menuItem = main.findChild<QAction *>(item);
            menuItem->trigger();
            const QPointer<QWidget> first = main.instance(window);
            menuItem->trigger(); // nothing new, nothing run again
            QVERIFY2(first && first == main.instance(window) && first->isVisible() && !first->parentWidget(),
                     qPrintable(item));
            QVERIFY2(lines(m_fake->runner.calls) == (opening ? Lines{"6 "} : Lines{}), qPrintable(item));
            main.close();
            QVERIFY2(first && first->isVisible(), qPrintable(item));
            perform(first, {exit});
            QTRY_VERIFY2(first.isNull(), qPrintable(item));
        }
    }

    // The real runner and /bin/sh, with the programs of compat/ or with stand-ins that print each
    // argument they get in brackets; all on loopback and numeric, so no name is ever looked up.
    // What is typed reaches the program word for word, and nothing in it runs.
    void realRun()
    {
        // Either end of our server's one connection.
        const QString ourEnds = R"(127\.0\.0\.1:)" + QString::number(m_server.serverPort()) + " ";
        const QString touch = " touch " + m_temp.filePath("ran"), ran = "[touch][" + m_temp.filePath("ran");
        const auto exactly = [](const QString &text) { return R"(\A)" + QRegularExpression::escape(text) + R"(\z)"; };
        // The window, the steps, whether over the stand-ins, a pattern sought in the output, and how
        // often it matches.
        const std::tuple<QString, Steps, bool, QString, int> rows[] = {
            // clang-format off
            {"ping", {"Text2=127.0.0.1", "Command1"}, false, R"( from 127\.0\.0\.1)", 4},
            {"tracert", {"Text2=127.0.0.1", "Command1"}, false, R"(\n 1  127\.0\.0\.1 )", 1},
            {"fNetstat", {"Check3=on", "Command1"}, false, ourEnds, 2},
            {"vdos", {"Text2=cd /; pwd", "Enter Text2"}, false, R"(\A/\n\z)", 1}, // cd within a line
            {"ping", {"Text2=x;" + touch + " | x &&", "Command1"}, true, exactly("[x;]" + ran + "][|][x][&&]"), 1},
            {"nslookup", {"Text2=$(" + touch + ") `" + touch + "`", "Command1"}, true,
             exactly("[$(]" + ran + ")][`]" + ran + "`]"), 1},
            {"tracert", {"tHop=5;" + touch, "tTime=2'00", "Text2=a\"b", "Command1"}, true,
             exactly("[-d][-h][5;]" + ran + "][-w][2'00][a\"b]"), 1},
            // clang-format on
        };
        for (const auto &[window, steps, standIns, pattern, matches] : rows) {
            const QString name = window + ": " + steps.join(u' ');
            QuietGuard quiet;
            const QString programs = standIns ? m_temp.filePath("standins") : QStringLiteral(PARLO_TEST_COMPAT_DIR);
            ShellInterpreter interpreter(HostConfig{programs, m_temp.filePath(QStringLiteral("data"))}, *m_facts,
                                         quiet);
            Runner runner(interpreter);
            const std::unique_ptr<QWidget> w(toolWindowMakers().value(window)(
                Host{runner, m_fake->launcher, m_fake->messages, *m_facts, m_fake->paths}));
            w->show();
            perform(w.get(), steps);

            const QString output = textOf(outputOf(w.get()));
            QVERIFY2(output.count(QRegularExpression(pattern)) == matches, qPrintable(name + ": " + output));
            QVERIFY2(m_fake->messages.boxes.isEmpty(), qPrintable(name));
            QVERIFY(QDir(m_temp.filePath(QStringLiteral("tmp"))).isEmpty());
            QVERIFY(!QFile::exists(m_temp.filePath("ran")));
        }
    }
};

QTEST_MAIN(tst_ToolWindows)
#include "tst_toolwindows.moc"
