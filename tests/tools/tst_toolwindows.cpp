#include "Fakes.h"
#include "GuardDialog.h"
#include "LinuxFacts.h"
#include "ShellInterpreter.h"
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
class ScriptedRunner final : public CommandRunner
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

const QString pleaseWait = QStringLiteral(" Please wait a few moments....");

// The text of a box or a label.
QString textOf(QWidget *box)
{
    return box->property(box->property("plainText").isValid() ? "plainText" : "text").toString();
}

// Works a window by steps separated by '|': "Name=text" empties a box and types into it,
// "+Name" ticks and "~Name" greys a check box, "!Name" clicks a button, "^Name" presses Enter.
void act(QWidget *window, const QString &script)
{
    const QStringList steps = script.split(u'|', Qt::SkipEmptyParts);
    for (const QString &step : steps) {
        QWidget *control = window->findChild<QWidget *>(
            step.section(u'=', 0, 0).remove(QRegularExpression(QStringLiteral("^[+~!^]"))));
        if (step.contains(u'=')) {
            control->setProperty("text", QString());
            QTest::keyClicks(control, step.section(u'=', 1));
        } else if (step[0] == u'+' || step[0] == u'~')
            qobject_cast<QCheckBox *>(control)->setCheckState(step[0] == u'+' ? Qt::Checked : Qt::PartiallyChecked);
        else if (step[0] == u'!')
            qobject_cast<QPushButton *>(control)->click();
        else
            QTest::keyClick(control, Qt::Key_Return);
    }
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
    void closeWhileRunningWaitsForTheRun();
    void menuOpensOneFreshInstance_data();
    void menuOpensOneFreshInstance();
    void realRun_data();
    void realRun();

private:
    static QWidget *child(QWidget *window, const QString &name) { return window->findChild<QWidget *>(name); }
    static QWidget *outputOf(QWidget *window) { return window->findChild<QAbstractScrollArea *>(); }
    QWidget *open(const QString &name);

    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
    ScriptedRunner m_runner;
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
}

QWidget *tst_ToolWindows::open(const QString &name)
{
    m_window.reset(toolWindowMakers().value(name)(
        Host{m_runner, m_fake->launcher, m_fake->messages, m_fake->facts, m_fake->paths}));
    m_window->show();
    return m_window.get();
}

void tst_ToolWindows::run_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("error");     // what the runner fails with, if it does
    QTest::addColumn<QStringList>("lines"); // what ran after opening
    QTest::addColumn<QString>("box");       // "i" for the information icon, then the text
    QTest::addColumn<QString>("status");    // the trace window's, after

    const QString ping = "iType an IP address to ping!", trace = "iType an  IP address to trace!";
    const QString lookUp = "iType a domain name like \"example.com\" !", failed = "Cannot run: no temporary folder.";
    // clang-format off
    QTest::newRow("ping, Enter keeps blanks") << "ping" << "Text2=10.0.0.1|!Command1|Text2= a |^Text2" << "" << QStringList{"ping 10.0.0.1", "ping  a "} << "" << "";
    QTest::newRow("ping empty") << "ping" << "^Text2|!Command1" << "" << QStringList() << ping << "";
    QTest::newRow("ping fails") << "ping" << "Text2=kept|!Command1" << failed << QStringList{"ping kept"} << " " + failed << "";
    QTest::newRow("tracert options kept") << "tracert" << "tHop=30|Text2=a|^Text2|Text2=b|!Command1" << "" << QStringList{"tracert  -d  -h 30 -w 200 a", "tracert  -d  -h 30 -w 200 b"} << "" << "Done";
    QTest::newRow("tracert as typed") << "tracert" << "tHop=|tTime=x y|Text2=h|!Command1" << "" << QStringList{"tracert  -d  -h  -w x y h"} << "" << "Done";
    QTest::newRow("tracert empty") << "tracert" << "^Text2|!Command1" << "" << QStringList{"tracert  -d  -h 5 -w 200 "} << trace << "Done";
    QTest::newRow("tracert typed only") << "tracert" << "Text2=kept" << "" << QStringList() << "" << pleaseWait;
    QTest::newRow("tracert fails") << "tracert" << "Text2=kept|!Command1" << failed << QStringList{"tracert  -d  -h 5 -w 200 kept"} << " " + failed << "";
    QTest::newRow("nslookup") << "nslookup" << "Text2=example.org|!Command1|Text2= |^Text2" << "" << QStringList{"nslookup example.org", "nslookup  "} << "" << "";
    QTest::newRow("nslookup empty") << "nslookup" << "^Text2|!Command1" << "" << QStringList() << lookUp << "";
    QTest::newRow("ipconfig") << "ipcfig" << "!Command1|~Check1|!Command1|+Check1|!Command1" << "" << QStringList{"ipconfig ", "ipconfig ", "ipconfig  /all"} << "" << "";
    QTest::newRow("renew, release") << "ipcfig" << "+Check1|!Command3|!Command4" << "" << QStringList{"ipconfig /renew", "ipconfig /release"} << "" << "";
    QTest::newRow("ipconfig Enter") << "ipcfig" << "^Text1" << "" << QStringList() << " Just click the IP Config button with or without the /All option" << "";
    QTest::newRow("vdos, empty line too") << "vdos" << "Text2=cd x|^Text2|^Text2" << "" << QStringList{"cd x", ""} << "" << "";
    QTest::newRow("vdos fails") << "vdos" << "Text2=kept|^Text2" << failed << QStringList{"kept"} << " " + failed << "";
    QTest::newRow("netstat none") << "fNetstat" << "!Command1" << "" << QStringList{"cmd  /c netstat"} << "" << "";
    QTest::newRow("netstat -e, greyed -r") << "fNetstat" << "+Check2|~Check4|!Command1" << "" << QStringList{"cmd /c netstat  -e"} << "" << "";
    QTest::newRow("netstat, last ticked") << "fNetstat" << "+Check1|!Command1|+Check3|!Command1|+Check2|+Check4|!Command1" << "" << QStringList{"cmd /c netstat  -a", "cmd /c netstat  -n", "cmd /c netstat  -r"} << "" << "";
    QTest::newRow("arp, ticked or not") << "Arp" << "!cArp|+Check1|!cArp" << "" << QStringList{"arp -a", "arp -a"} << "" << "";
    // clang-format on
}

void tst_ToolWindows::run()
{
    QFETCH(QString, window);
    QFETCH(QString, error);
    QFETCH(QStringList, lines);
    QFETCH(QString, box);
    QWidget *w = open(window);
    // The windows with an input box run it, empty, once on opening.
    QCOMPARE(m_runner.lines, QStringList(QStringList{"ping", "tracert", "nslookup"}.count(window), QString()));
    m_runner.lines.clear();
    outputOf(w)->setProperty("plainText", QStringLiteral("before"));
    m_runner.next = {QStringLiteral("out\r\n"), error};
    QWidget *label = child(w, QStringLiteral("Label1")); // the trace window's status
    QStringList whileRunning;
    m_runner.during = [&] { whileRunning << (label ? textOf(label) : QString()); };

    QFETCH(QString, script);
    act(w, script);

    QCOMPARE(m_runner.lines, lines);
    // The output is replaced, never appended to; a failed run leaves it and the input alone.
    const bool replaced = !lines.isEmpty() && error.isEmpty();
    QCOMPARE(textOf(outputOf(w)), replaced ? QStringLiteral("out\n") : QStringLiteral("before"));
    if (QWidget *input = child(w, QStringLiteral("Text2")))
        QCOMPARE(textOf(input), replaced || !script.contains(u"kept") ? QString() : QStringLiteral("kept"));
    QFETCH(QString, status);
    QCOMPARE(label ? textOf(label) : QString(), status);
    QCOMPARE(whileRunning, QStringList(lines.size(), label ? pleaseWait : QString()));
    QCOMPARE(m_fake->messages.boxes.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty()) {
        QCOMPARE(m_fake->messages.boxes[0].text, box.mid(1));
        QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
        QCOMPARE(m_fake->messages.boxes[0].icon, box[0] == u'i' ? BoxIcon::Information : BoxIcon::None);
    }
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
    act(w, QStringLiteral("Text2=10.0.0.1|!Command1"));
    QVERIFY(w); // the handler finished on a whole window
    QCOMPARE(textOf(outputOf(w)), QStringLiteral("Reply"));
    QTRY_VERIFY(w.isNull()); // and the close went through afterwards
}

void tst_ToolWindows::menuOpensOneFreshInstance_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("exit");
    // clang-format off
    QTest::newRow("Ping") << "mPing" << "ping" << "Command2";
    QTest::newRow("Trace Route") << "mtracert" << "tracert" << "Command2";
    QTest::newRow("NsLookup") << "mNsLookup" << "nslookup" << "Command2";
    QTest::newRow("IP Config") << "mIpconfig" << "ipcfig" << "Command2";
    QTest::newRow("Virtual DOS") << "mvdos" << "vdos" << "Command1";
    QTest::newRow("Netstat") << "mNetstat" << "fNetstat" << "Command2";
    QTest::newRow("Arp") << "mArp" << "Arp" << "Command2";
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
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("stop");       // pressed in the "Running" dialog after a while
    QTest::addColumn<QString>("pattern"); // PORT: our server's, START: the folder lines start in
    QTest::addColumn<int>("matches");     // -1: at least one
    QTest::addColumn<int>("withinMs");    // 0: no limit

    // clang-format off
    QTest::newRow("ping, four replies") << "ping" << "Text2=127.0.0.1|!Command1" << false << " from 127\\.0\\.0\\.1" << 4 << 0;
    QTest::newRow("trace to loopback") << "tracert" << "Text2=127.0.0.1|!Command1" << false << "\n 1  127\\.0\\.0\\.1 " << 1 << 0;
    QTest::newRow("netstat, both ends") << "fNetstat" << "+Check3|!Command1" << false << "127\\.0\\.0\\.1:PORT " << 2 << 0;
    QTest::newRow("cd within a line") << "vdos" << "Text2=cd /; pwd|^Text2" << false << "\\A/\n\\z" << 1 << 0;
    QTest::newRow("next line starts afresh") << "vdos" << "Text2=pwd|^Text2" << false << "\\ASTART\n\\z" << 1 << 0;
    QTest::newRow("interactive line ends") << "vdos" << "Text2=cat|^Text2" << false << "\\A\\z" << 1 << 5000;
    QTest::newRow("Stop ends ping -t") << "ping" << "Text2=-t 127.0.0.1|!Command1" << true << " from 127\\.0\\.0\\.1" << -1 << 0;
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
    QElapsedTimer clock;
    clock.start();
    QFETCH(QString, script);
    act(w.get(), script);

    QFETCH(int, withinMs);
    QVERIFY(withinMs == 0 || clock.elapsed() < withinMs);
    QVERIFY(looks < 1500 && !QApplication::activeModalWidget());
    QFETCH(QString, pattern);
    QFETCH(int, matches);
    pattern.replace(QStringLiteral("PORT"), QString::number(m_server.serverPort()))
        .replace(QStringLiteral("START"), QRegularExpression::escape(QDir::currentPath()));
    const QString output = textOf(outputOf(w.get()));
    const qsizetype found = output.count(QRegularExpression(pattern));
    QVERIFY2(matches < 0 ? found > 0 : found == matches, qPrintable(output));
    QVERIFY(m_fake->messages.boxes.isEmpty());
    QVERIFY(QDir(m_temp.filePath(QStringLiteral("tmp"))).isEmpty());
}

QTEST_MAIN(tst_ToolWindows)
#include "tst_toolwindows.moc"
