#include "Fakes.h"
#include "GuardDialog.h"
#include "LinuxFacts.h"
#include "ShellInterpreter.h"
#include "ToolTest.h"
#include "ToolWindows.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

// The tool windows over the real runner, /bin/sh and the console programs of compat/. All
// traffic stays on loopback and every command is numeric, so no name is ever looked up.

namespace {

// Looks for the modal "Running" dialog every 20 ms and presses its Stop button once the
// command has run for a while; gives up after a bounded number of looks.
class StopPresser final : public QObject
{
public:
    explicit StopPresser(int afterMs) : m_afterMs(afterMs)
    {
        connect(&m_timer, &QTimer::timeout, this, &StopPresser::look);
        m_timer.start(20);
        m_clock.start();
    }

    bool pressed = false;

private:
    void look()
    {
        if (++m_looks > 1500) {
            m_timer.stop();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != u"RunningDialog" || m_clock.elapsed() < m_afterMs)
            return;
        if (auto *stop = modal->findChild<QPushButton *>(QStringLiteral("Stop"))) {
            m_timer.stop();
            pressed = true;
            stop->click();
        }
    }

    int m_afterMs;
    QTimer m_timer;
    int m_looks = 0;
    QElapsedTimer m_clock;
};

int countMatches(const QString &text, const QRegularExpression &pattern)
{
    int count = 0;
    for (auto match = pattern.globalMatch(text); match.hasNext(); match.next())
        ++count;
    return count;
}

} // namespace

class tst_ToolsReal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void pingShowsFourRepliesAndReturns();
    void traceReachesLoopback();
    void netstatListsOurConnection();
    void lookupAsksOurOwnServer();
    void ipconfigShowsLoopback();
    void directoryChangeDoesNotCarryOver();
    void interactiveLineEndsAtOnce();
    void stopEndsAContinuousPing();

private:
    QWidget *open(const QString &name, RunGuard &guard);
    bool haveCompat(const char *program) const;

    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
    std::unique_ptr<LinuxFacts> m_facts;
    QuietGuard m_quiet;
    GuardDialog m_dialog;
    std::unique_ptr<ShellInterpreter> m_interpreter;
    std::unique_ptr<Runner> m_runner;
    std::unique_ptr<QWidget> m_window;
};

void tst_ToolsReal::initTestCase()
{
    QVERIFY(m_temp.isValid());
    QVERIFY(QDir(m_temp.path()).mkpath(QStringLiteral("tmp")));
    QVERIFY(QDir(m_temp.path()).mkpath(QStringLiteral("start")));
    QVERIFY(QDir(m_temp.path()).mkpath(QStringLiteral("data")));
    // Every line starts in this folder.
    QVERIFY(QDir::setCurrent(m_temp.filePath(QStringLiteral("start"))));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), m_temp.filePath(QStringLiteral("tmp")));
    m_facts = std::make_unique<LinuxFacts>(environment);
}

void tst_ToolsReal::init()
{
    m_fake = std::make_unique<FakeHost>(m_temp.filePath(QStringLiteral("data")));
}

void tst_ToolsReal::cleanup()
{
    m_window.reset();
    m_runner.reset();
    m_interpreter.reset();
    QVERIFY(QDir(m_temp.filePath(QStringLiteral("tmp"))).isEmpty());
}

QWidget *tst_ToolsReal::open(const QString &name, RunGuard &guard)
{
    const HostConfig config{QStringLiteral(PARLO_TEST_COMPAT_DIR), m_temp.filePath(QStringLiteral("data"))};
    m_interpreter = std::make_unique<ShellInterpreter>(config, *m_facts, guard);
    m_runner = std::make_unique<Runner>(*m_interpreter);
    Host host{*m_runner, m_fake->launcher, m_fake->messages, *m_facts, m_fake->paths};
    m_window.reset(toolWindowMakers().value(name)(host));
    m_window->show();
    return m_window.get();
}

bool tst_ToolsReal::haveCompat(const char *program) const
{
    return QFileInfo(QDir(QStringLiteral(PARLO_TEST_COMPAT_DIR)).filePath(QLatin1String(program))).isExecutable();
}

void tst_ToolsReal::pingShowsFourRepliesAndReturns()
{
    QVERIFY2(haveCompat("ping"), "compat/ping is not built");
    QWidget *w = open(QStringLiteral("ping"), m_quiet);
    QElapsedTimer clock;
    clock.start();
    setText(w, "Text2", QStringLiteral("127.0.0.1"));
    click(w, "Command1");
    QVERIFY(clock.elapsed() < 30000);
    const QString output = textOf(control(w, "Text1"));
    QCOMPARE(countMatches(output, QRegularExpression(QStringLiteral("from 127\\.0\\.0\\.1"))), 4);
    QCOMPARE(textOf(control(w, "Text2")), QString());
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_ToolsReal::traceReachesLoopback()
{
    QVERIFY2(haveCompat("tracert"), "compat/tracert is not built");
    QWidget *w = open(QStringLiteral("tracert"), m_quiet);
    setText(w, "Text2", QStringLiteral("127.0.0.1"));
    click(w, "Command1");
    const QString output = textOf(control(w, "Text1"));
    QVERIFY2(output.contains(QRegularExpression(QStringLiteral("^\\s*1\\s+127\\.0\\.0\\.1\\s"),
                                                QRegularExpression::MultilineOption)),
             qPrintable(output));
    QCOMPARE(textOf(control(w, "Label1")), QStringLiteral("Done"));
}

void tst_ToolsReal::netstatListsOurConnection()
{
    QVERIFY2(haveCompat("netstat") && haveCompat("cmd"), "compat/netstat or compat/cmd is not built");
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
    std::unique_ptr<QTcpSocket> accepted(server.nextPendingConnection());

    QWidget *w = open(QStringLiteral("fNetstat"), m_quiet);
    tick(w, "Check3");
    click(w, "Command1");
    const QString output = textOf(control(w, "RichTextBox1"));
    QVERIFY2(output.contains(QStringLiteral("127.0.0.1:%1").arg(server.serverPort())), qPrintable(output));
}

void tst_ToolsReal::lookupAsksOurOwnServer()
{
    QVERIFY2(haveCompat("nslookup"), "compat/nslookup is not built");
    if (!QFileInfo(QStringLiteral("/usr/sbin/dnsmasq")).isExecutable())
        QSKIP("dnsmasq is not installed");
    quint16 port = 0;
    {
        QUdpSocket probe;
        QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
        port = probe.localPort();
    }
    // A name server on loopback with one fixed record and nothing to forward to.
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(QStringLiteral("/usr/sbin/dnsmasq"),
                 {QStringLiteral("--keep-in-foreground"), QStringLiteral("--conf-file=/dev/null"),
                  QStringLiteral("--no-resolv"), QStringLiteral("--no-hosts"), QStringLiteral("--pid-file="),
                  QStringLiteral("--user=root"), QStringLiteral("--log-facility=-"),
                  QStringLiteral("--bind-interfaces"), QStringLiteral("--listen-address=127.0.0.1"),
                  QStringLiteral("--port=%1").arg(port), QStringLiteral("--address=/parlo.test/10.9.8.7")});
    QVERIFY(server.waitForStarted(5000));
    QByteArray log;
    QTRY_VERIFY_WITH_TIMEOUT((log += server.readAll()).contains("started"), 5000);

    QWidget *w = open(QStringLiteral("nslookup"), m_quiet);
    setText(w, "Text2", QStringLiteral("-port=%1 parlo.test 127.0.0.1").arg(port));
    click(w, "Command1");
    const QString output = textOf(control(w, "Text1"));
    server.terminate();
    QVERIFY(server.waitForFinished(5000));
    QVERIFY2(output.contains(QStringLiteral("10.9.8.7")), qPrintable(output));
    QCOMPARE(textOf(control(w, "Text2")), QString());
}

void tst_ToolsReal::ipconfigShowsLoopback()
{
    QVERIFY2(haveCompat("ipconfig"), "compat/ipconfig is not built");
    QWidget *w = open(QStringLiteral("ipcfig"), m_quiet);
    click(w, "Command1");
    const QString output = textOf(control(w, "Text1"));
    QVERIFY2(output.contains(QStringLiteral("127.0.0.1")), qPrintable(output));
}

void tst_ToolsReal::directoryChangeDoesNotCarryOver()
{
    QWidget *w = open(QStringLiteral("vdos"), m_quiet);
    setText(w, "Text2", QStringLiteral("cd /; pwd"));
    typeEnter(w, "Text2");
    QCOMPARE(textOf(control(w, "Text1")), QStringLiteral("/\n"));
    QCOMPARE(textOf(control(w, "Text2")), QString());

    setText(w, "Text2", QStringLiteral("pwd"));
    typeEnter(w, "Text2");
    QCOMPARE(QDir(textOf(control(w, "Text1")).trimmed()).canonicalPath(),
             QDir(m_temp.filePath(QStringLiteral("start"))).canonicalPath());
}

void tst_ToolsReal::interactiveLineEndsAtOnce()
{
    QWidget *w = open(QStringLiteral("vdos"), m_quiet);
    control<QPlainTextEdit>(w, "Text1")->setPlainText(QStringLiteral("before"));
    QElapsedTimer clock;
    clock.start();
    setText(w, "Text2", QStringLiteral("cat"));
    typeEnter(w, "Text2");
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(textOf(control(w, "Text1")), QString());
}

void tst_ToolsReal::stopEndsAContinuousPing()
{
    QVERIFY2(haveCompat("ping"), "compat/ping is not built");
    QWidget *w = open(QStringLiteral("ping"), m_dialog);
    StopPresser presser(1500);
    QElapsedTimer clock;
    clock.start();
    setText(w, "Text2", QStringLiteral("-t 127.0.0.1"));
    click(w, "Command1");
    QVERIFY(presser.pressed);
    QVERIFY(clock.elapsed() < 15000);
    QVERIFY(!QApplication::activeModalWidget());
    // What ping printed before it was stopped is shown.
    const QString output = textOf(control(w, "Text1"));
    QVERIFY2(output.contains(QStringLiteral("from 127.0.0.1")), qPrintable(output));
    QCOMPARE(textOf(control(w, "Text2")), QString());
}

QTEST_MAIN(tst_ToolsReal)
#include "tst_toolsreal.moc"
