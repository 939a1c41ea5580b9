#include "Fakes.h"
#include "TestFiles.h"
#include "main/parlo.h"
#include "platform/GuardDialog.h"
#include "platform/LinuxFacts.h"
#include "platform/ShellInterpreter.h"
#include "tools/ToolWindows.h"

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

// The runs ("STYLE LINE"), then the message boxes, then the trace window's status.
using Lines = QStringList;
using Steps = QStringList; // what a case does in its window, in order

const QString before = QStringLiteral("before"); // in the output box before a case acts
const QString live = QStringLiteral("so far\n"); // there while the fake runner runs a line
const QString shown = QStringLiteral("out\n");   // there after the fake runner's "out\r\n"
const QString failed = QStringLiteral("Cannot run: no temporary folder.");
const QString pleaseWait = QStringLiteral(" Please wait a few moments....");
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
    void run_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<int>("ends");
        QTest::addColumn<Lines>("effects");

        const QString trace = QStringLiteral("6 tracert  -d  -h 5 -w 200 "); // with the boxes' own hops and time-out
        const QString netstat = QStringLiteral("6 cmd /c netstat  ");        // then the option
        const QString ping = "Parlo (i): Type an IP address to ping!";
        const QString traceHint = "Parlo (i): Type an  IP address to trace!";
        const QString lookUp = "Parlo (i): Type a domain name like \"example.com\" !";
        const QString allOrNot = "Parlo: Just click the IP Config button with or without the /All option";
        const QString failure = "Parlo: " + failed;
        const Steps go{"Command1"}, enter{"Enter Text2"};
        // clang-format off
        QTest::newRow("ping, button") << "ping" << Steps{"Text2=10.0.0.1", "Command1"} << runs
            << Lines{"6 ping 10.0.0.1"};
        QTest::newRow("ping, blanks kept") << "ping" << Steps{"Text2= a ", "Enter Text2"} << runs
            << Lines{"6 ping  a "};
        QTest::newRow("ping, empty Enter") << "ping" << enter << runs << Lines{};
        QTest::newRow("ping, empty button") << "ping" << go << runs << Lines{ping};
        QTest::newRow("ping fails") << "ping" << Steps{"Text2=kept", "Command1"} << fails
            << Lines{"6 ping kept", failure};
        QTest::newRow("tracert, button") << "tracert" << Steps{"Text2=b", "Command1"} << runs
            << Lines{trace + "b", "Done"};
        QTest::newRow("tracert, empty Enter") << "tracert" << enter << runs << Lines{trace, "Done"};
        QTest::newRow("tracert, empty button") << "tracert" << go << runs << Lines{traceHint, ""};
        QTest::newRow("tracert, typing only") << "tracert" << Steps{"Text2=kept"} << runs << Lines{pleaseWait};
        QTest::newRow("tracert fails") << "tracert" << Steps{"Text2=kept", "Command1"} << fails
            << Lines{trace + "kept", failure, ""};
        QTest::newRow("tracert stopped") << "tracert" << Steps{"Text2=b", "Command1"} << stops
            << Lines{trace + "b", "Stopped"};
        // The hop count and time-out go into the line as typed, and stay for the next trace.
        QTest::newRow("tracert, each as typed") << "tracert"
            << Steps{"tHop=", "tTime=x y", "Text2=a", "Enter Text2", "Text2=a", "Command1"} << runs
            << Lines{"6 tracert  -d  -h  -w x y a", "6 tracert  -d  -h  -w x y a", "Done"};
        QTest::newRow("nslookup, button") << "nslookup" << Steps{"Text2=example.org", "Command1"} << runs
            << Lines{"6 nslookup example.org"};
        QTest::newRow("nslookup, blank kept") << "nslookup" << Steps{"Text2= ", "Enter Text2"} << runs
            << Lines{"6 nslookup  "};
        QTest::newRow("nslookup, empty Enter") << "nslookup" << enter << runs << Lines{};
        QTest::newRow("nslookup, empty button") << "nslookup" << go << runs << Lines{lookUp};
        QTest::newRow("vdos, Enter") << "vdos" << Steps{"Text2=cd x", "Enter Text2"} << runs << Lines{"6 cd x"};
        QTest::newRow("vdos, empty line too") << "vdos" << enter << runs << Lines{"6 "};
        QTest::newRow("vdos fails") << "vdos" << Steps{"Text2=kept", "Enter Text2"} << fails
            << Lines{"6 kept", failure};
        QTest::newRow("ipconfig, Enter") << "ipcfig" << Steps{"Enter Text1"} << runs << Lines{allOrNot};
        QTest::newRow("ipconfig") << "ipcfig" << go << runs << Lines{"6 ipconfig "};
        QTest::newRow("ipconfig /All") << "ipcfig" << Steps{"Check1=on", "Command1"} << runs
            << Lines{"6 ipconfig  /all"};
        QTest::newRow("renew, /All on") << "ipcfig" << Steps{"Check1=on", "Command3"} << runs
            << Lines{"6 ipconfig /renew"};
        QTest::newRow("release, /All on") << "ipcfig" << Steps{"Check1=on", "Command4"} << runs
            << Lines{"6 ipconfig /release"};
        // netstat's Check1 to Check4 are -a, -e, -n and -r.
        QTest::newRow("netstat none") << "fNetstat" << go << runs << Lines{"6 cmd  /c netstat"};
        QTest::newRow("netstat -e") << "fNetstat" << Steps{"Check2=on", "Command1"} << runs << Lines{netstat + "-e"};
        QTest::newRow("netstat -a") << "fNetstat" << Steps{"Check1=on", "Command1"} << runs << Lines{netstat + "-a"};
        QTest::newRow("netstat last -n") << "fNetstat" << Steps{"Check1=on", "Check3=on", "Command1"} << runs
            << Lines{netstat + "-n"};
        QTest::newRow("netstat last -r") << "fNetstat"
            << Steps{"Check1=on", "Check2=on", "Check3=on", "Check4=on", "Command1"} << runs << Lines{netstat + "-r"};
        QTest::newRow("arp") << "Arp" << Steps{"cArp"} << runs << Lines{"6 arp -a"};
        // clang-format on
    }

    void run()
    {
        QFETCH(QString, window);
        QFETCH(Steps, steps);
        QFETCH(int, ends);
        QWidget *w = open(window);
        m_fake->runner.calls.clear();
        outputOf(w)->setProperty("plainText", before);
        m_fake->runner.next = {QStringLiteral("out\r\n"), ends == fails ? failed : QString(), ends == stops};
        if (ends != fails)
            m_fake->runner.liveText = live;
        auto *status = w->findChild<QWidget *>(QStringLiteral("Label1")); // the trace window's
        QStringList whileRunning;
        m_fake->runner.during = [&] { whileRunning << textOf(outputOf(w)) + (status ? textOf(status) : QString()); };
        perform(w, steps);

        const Lines statusLine = status ? Lines{textOf(status)} : Lines{};
        QTEST(lines(m_fake->runner.calls) + lines(m_fake->messages.boxes) + statusLine, "effects");
        // Each line's output shows while it runs, and the trace window says to wait meanwhile.
        const qsizetype runCount = m_fake->runner.calls.size();
        const QString running = (ends == fails ? before : live) + (status ? pleaseWait : QString());
        QCOMPARE(whileRunning, QStringList(runCount, running));
        // A run that goes well replaces the output and empties the input box; else both stay.
        const bool ran = runCount > 0 && ends != fails;
        QCOMPARE(textOf(outputOf(w)), ran ? shown : before);
        if (auto *input = w->findChild<QWidget *>(QStringLiteral("Text2")))
            QCOMPARE(textOf(input), ran || !steps.value(0).startsWith(u"Text2=") ? QString() : steps[0].mid(6));
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

    // Each menu item opens its window once, with its opening run where it has one; the window's
    // exit button closes it.
    void menuOpensOneInstance_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("exit");
        QTest::addColumn<Lines>("opening");
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

    void menuOpensOneInstance()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QFETCH(QString, exit);
        parlo main(m_fake->host(), toolWindowMakers());
        QAction *menuItem = main.findChild<QAction *>(item);
        menuItem->trigger();
        const QPointer<QWidget> first = main.instance(window);
        menuItem->trigger(); // nothing new, nothing run again
        QVERIFY(first && first == main.instance(window) && first->isVisible() && !first->parentWidget());
        QTEST(lines(m_fake->runner.calls), "opening");
        perform(first, {exit});
        QTRY_VERIFY(first.isNull());
    }

    // The real runner and /bin/sh, with the programs of compat/ or with stand-ins that print each
    // argument they get in brackets; all on loopback and numeric, so no name is ever looked up.
    // What is typed reaches the program word for word, and nothing in it runs.
    void realRun_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<Steps>("steps"); // "Stop": pressed in the "Running" dialog after a while
        QTest::addColumn<bool>("standIns");
        QTest::addColumn<QString>("pattern"); // sought in the output
        QTest::addColumn<int>("matches");     // -1: at least one

        constexpr int atLeastOne = -1;
        // Either end of our server's one connection, and the folder each real line starts in.
        const QString ourEnds = R"(127\.0\.0\.1:)" + QString::number(m_server.serverPort()) + " ";
        const QString start = QRegularExpression::escape(QDir::currentPath());
        const QString touch = " touch " + m_temp.filePath("ran"), ran = "[touch][" + m_temp.filePath("ran");
        const auto exactly = [](const QString &text) { return R"(\A)" + QRegularExpression::escape(text) + R"(\z)"; };
        // clang-format off
        QTest::newRow("ping, four replies") << "ping" << Steps{"Text2=127.0.0.1", "Command1"} << false
            << R"( from 127\.0\.0\.1)" << 4;
        QTest::newRow("trace to loopback") << "tracert" << Steps{"Text2=127.0.0.1", "Command1"} << false
            << R"(\n 1  127\.0\.0\.1 )" << 1;
        QTest::newRow("netstat, both ends") << "fNetstat" << Steps{"Check3=on", "Command1"} << false << ourEnds << 2;
        QTest::newRow("cd within a line") << "vdos" << Steps{"Text2=cd /; pwd", "Enter Text2"} << false
            << R"(\A/\n\z)" << 1;
        QTest::newRow("next line starts afresh") << "vdos" << Steps{"Text2=pwd", "Enter Text2"} << false
            << R"(\A)" + start + R"(\n\z)" << 1;
        QTest::newRow("interactive line ends") << "vdos" << Steps{"Text2=cat", "Enter Text2"} << false
            << R"(\A\z)" << 1;
        QTest::newRow("Stop ends ping -t") << "ping" << Steps{"Text2=-t 127.0.0.1", "Command1", "Stop"} << false
            << R"( from 127\.0\.0\.1)" << atLeastOne;
        QTest::newRow("options still words") << "ping" << Steps{"Text2=-n 2 10.1.2.3", "Command1"} << true
            << exactly("[-n][2][10.1.2.3]") << 1;
        QTest::newRow("semicolon") << "ping" << Steps{"Text2=x;" + touch, "Command1"} << true
            << exactly("[x;]" + ran + "]") << 1;
        QTest::newRow("substitution") << "nslookup" << Steps{"Text2=x $(" + touch + ")", "Command1"} << true
            << exactly("[x][$(]" + ran + ")]") << 1;
        QTest::newRow("backquotes") << "nslookup" << Steps{"Text2=`" + touch + "`", "Command1"} << true
            << exactly("[`]" + ran + "`]") << 1;
        QTest::newRow("pipe and and") << "ping" << Steps{"Text2=x |" + touch + " && x", "Command1"} << true
            << exactly("[x][|]" + ran + "][&&][x]") << 1;
        QTest::newRow("quotes in trace's boxes") << "tracert"
            << Steps{"tHop=5;" + touch, "tTime=2'00", "Text2=a\"b", "Command1"} << true
            << exactly("[-d][-h][5;]" + ran + "][-w][2'00][a\"b]") << 1;
        // clang-format on
    }

    void realRun()
    {
        QFETCH(QString, window);
        QFETCH(Steps, steps);
        QFETCH(bool, standIns);
        const bool stop = steps.removeAll(QStringLiteral("Stop")) > 0;
        int looks = 0; // bounded
        QTimer presser;
        QWidget *shownIn = nullptr;
        QString shownAtStop; // what the box showed while the command ran
        connect(&presser, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (++looks > 75 && modal)
                shownAtStop = textOf(outputOf(shownIn));
            if (looks > 1500 || (looks > 75 && modal && modal->objectName() == u"RunningDialog" &&
                                 QMetaObject::invokeMethod(modal->findChild<QPushButton *>("Stop"), "click")))
                presser.stop();
        });
        if (stop)
            presser.start(20);
        GuardDialog dialog;
        QuietGuard quiet;
        const QString programs = standIns ? m_temp.filePath("standins") : QStringLiteral(PARLO_TEST_COMPAT_DIR);
        ShellInterpreter interpreter(HostConfig{programs, m_temp.filePath(QStringLiteral("data"))}, *m_facts,
                                     stop ? static_cast<RunGuard &>(dialog) : quiet);
        Runner runner(interpreter);
        const std::unique_ptr<QWidget> w(toolWindowMakers().value(window)(
            Host{runner, m_fake->launcher, m_fake->messages, *m_facts, m_fake->paths}));
        w->show();
        shownIn = w.get();
        QElapsedTimer clock;
        clock.start();
        perform(w.get(), steps);

        QVERIFY(clock.elapsed() < 20000); // a program waiting for input ends at once
        QVERIFY(looks < 1500 && !QApplication::activeModalWidget());
        QFETCH(QString, pattern);
        QFETCH(int, matches);
        const QString output = textOf(outputOf(w.get()));
        const qsizetype found = output.count(QRegularExpression(pattern));
        QVERIFY2(matches < 0 ? found > 0 : found == matches, qPrintable(output));
        if (stop) {
            QVERIFY2(shownAtStop.contains(QRegularExpression(pattern)), qPrintable(shownAtStop));
            QVERIFY(output.endsWith(QLatin1String(stoppedLine)));
        }
        QVERIFY(m_fake->messages.boxes.isEmpty());
        QVERIFY(QDir(m_temp.filePath(QStringLiteral("tmp"))).isEmpty());
        QVERIFY(!QFile::exists(m_temp.filePath("ran")));
    }
};

QTEST_MAIN(tst_ToolWindows)
#include "tst_toolwindows.moc"
