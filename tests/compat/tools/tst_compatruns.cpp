// The console programs over the real Linux programs, or over stand-ins. Traffic stays on loopback or
// inside two network namespaces this test makes; no name goes to the machine's resolver.
#include "platform/ChildContract.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <unistd.h>

namespace {

struct Result
{
    int exitCode = -1;
    QString output, errors;
    qint64 milliseconds = 0;
};

// The exit code of a program that printed its text and then waits in a message box.
constexpr int boxOpen = -2;

// Runs a program to its end with its input left open, so a program that reads it hangs here. One
// that may show a box is taken to do so when it still runs half a second after printing a line;
// nobody closes the box here, so it is killed then.
Result run(const QString &program, const QStringList &arguments, const QStringList &environment = {},
           bool mayShowBox = false)
{
    QProcess process;
    QProcessEnvironment changed = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : environment)
        changed.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    process.setProcessEnvironment(changed);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    const QDeadlineTimer deadline(20000);
    while (mayShowBox && !process.canReadLine() && process.waitForReadyRead(deadline.remainingTime())) {
    }
    const bool boxShown = mayShowBox && process.canReadLine() && !process.waitForFinished(500);
    if (boxShown)
        process.kill();
    if (!process.waitForFinished(deadline.remainingTime()))
        return {-1, {}, QStringLiteral("did not finish in time"), timer.elapsed()}; // killed on return
    return {boxShown                                       ? boxOpen
            : process.exitStatus() == QProcess::NormalExit ? process.exitCode()
                                                           : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError()), timer.elapsed()};
}

const QString compat = QStringLiteral(PARLO_TEST_COMPAT_DIR "/");

bool ip(const QString &arguments)
{
    const Result result = run(QStringLiteral("/usr/sbin/ip"), arguments.split(u' '));
    return result.exitCode == 0 || (qWarning("ip %s: %s", qPrintable(arguments), qPrintable(result.errors)), false);
}

} // namespace

class tst_CompatRuns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void inOwnNamespace_data();
    void inOwnNamespace();
    void nslookupGivesUpSoon();
    void standIns_data();
    void standIns();

private:
    // Two namespaces joined by veth va (10.213.0.1) in the first and vb (10.213.0.2) in the second.
    struct Namespaces
    {
        const QString first = QStringLiteral("parlo-compat-%1-a").arg(::getpid());
        const QString second = QStringLiteral("parlo-compat-%1-b").arg(::getpid());
        QProcess dnsmasq; // in the first one, answering for parlo.test
        ~Namespaces()
        {
            dnsmasq.terminate();
            dnsmasq.waitForFinished(5000);
            ip(QStringLiteral("netns del ") + first), ip(QStringLiteral("netns del ") + second);
        }
    } m_net;
};

void tst_CompatRuns::initTestCase()
{
    // Namespaces of earlier runs that were killed before they could remove them.
    const QRegularExpression stale(QStringLiteral("^parlo-compat-(\\d+)-[ab]\\b"), QRegularExpression::MultilineOption);
    for (auto it = stale.globalMatch(run(QStringLiteral("/usr/sbin/ip"), {"netns", "list"}).output); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (!QFileInfo::exists(QStringLiteral("/proc/") + match.captured(1)))
            ip(QStringLiteral("netns del ") + match.captured(0));
    }
    const QStringList commands =
        QStringLiteral("netns add %1|netns add %2|-n %1 link add va type veth peer name vb netns %2|"
                       "-n %1 addr add 10.213.0.1/24 dev va|-n %2 addr add 10.213.0.2/24 dev vb|"
                       "-n %1 link set va up|-n %2 link set vb up|-n %1 link set lo up")
            .arg(m_net.first, m_net.second)
            .split(u'|');
    for (const QString &command : commands)
        QVERIFY(ip(command));
    m_net.dnsmasq.start(QStringLiteral("/usr/sbin/ip"),
                        {"netns", "exec", m_net.first, "/usr/sbin/dnsmasq", "--no-daemon", "--conf-file=/dev/null",
                         "--pid-file=", "--no-resolv", "--no-hosts", "--listen-address=127.0.0.1", "--bind-interfaces",
                         "--address=/parlo.test/127.0.0.9", "--address=/parlo.test/::9"});
    QVERIFY(m_net.dnsmasq.waitForStarted(5000));
}

void tst_CompatRuns::inOwnNamespace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("pattern");

    // clang-format off
    // The echo fills the neighbour table for arp.
    QTest::newRow("ping") << "ping" << "-n 1 -w 3000 10.213.0.2" << "bytes from 10\\.213\\.0\\.2";
    QTest::newRow("arp") << "arp" << "-a" << "\\(10\\.213\\.0\\.2\\) at ([0-9a-f]{2}:){5}[0-9a-f]{2} .* on va";
    QTest::newRow("ipconfig") << "ipconfig" << "" << "Loopback adapter lo:(?s).*IPv4 Address[ .]*: 127\\.0\\.0\\.1\\n   Subnet Mask[ .]*: "
        "255\\.0\\.0\\.0\\n.*Ethernet adapter va:.*IPv4 Address[ .]*: 10\\.213\\.0\\.1\\n   Subnet Mask[ .]*: 255\\.255\\.255\\.0\\n";
    QTest::newRow("netstat -e") << "netstat" << "-e" << "^Interface Statistics\\n(?s).*\\nva +[1-9]\\d* +[1-9]\\d* +\\d+ +\\d+\\n";
    QTest::newRow("nslookup") << "nslookup" << "www.parlo.test 127.0.0.1"
        << "Name:\\twww\\.parlo\\.test\\nAddress: 127\\.0\\.0\\.9\\n(?s).*Address: ::9\\n";
    // clang-format on
}

void tst_CompatRuns::inOwnNamespace()
{
    QFETCH(QString, name);
    QFETCH(QString, arguments);
    QFETCH(QString, pattern);
    const QStringList line =
        QStringList{"netns", "exec", m_net.first, compat + name} + arguments.split(u' ', Qt::SkipEmptyParts);
    Result result; // dnsmasq answers once it has bound its socket
    QTRY_VERIFY2_WITH_TIMEOUT(QRegularExpression(pattern).match((result = run("/usr/sbin/ip", line)).output).hasMatch(),
                              qPrintable(result.output + result.errors), 10000);
    QCOMPARE(result.exitCode, 0);
}

void tst_CompatRuns::nslookupGivesUpSoon()
{
    QUdpSocket silent; // never answers: the lookup must end in seconds, not in 15
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    const Result result = run(compat + QStringLiteral("nslookup"),
                              {QStringLiteral("-port=%1").arg(silent.localPort()), "www.parlo.test", "127.0.0.1"});
    QVERIFY2(result.exitCode > 0 && result.milliseconds < 8000 && result.output.contains(QStringLiteral("timed out")),
             qPrintable(QStringLiteral("%1 ms: %2").arg(result.milliseconds).arg(result.output + result.errors)));
}

void tst_CompatRuns::standIns_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("arguments");
    // "PATH SCRIPT" or "PATH -> TARGET" (a link) under the program root; without one the program is missing
    QTest::addColumn<QStringList>("standIns");
    QTest::addColumn<QString>("output"); // ROOT standing for the program root
    QTest::addColumn<int>("exitCode");

    // clang-format off
    const QString missing = QStringLiteral("%1 is not installed: install the Debian package %2.\n");
    QTest::newRow("ping") << "ping" << "127.0.0.1" << QStringList{} << missing.arg("ping", "iputils-ping") << 1;
    QTest::newRow("netstat, two runs") << "netstat" << "-s -r" << QStringList{} << missing.arg("netstat", "net-tools") << 1;
    QTest::newRow("arp through ip") << "arp" << "-d *" << QStringList{} << missing.arg("ip", "iproute2") << 1;
    QTest::newRow("errors to output, no input") << "ping" << "-n 1 h"
        << QStringList{"usr/bin/ping echo \"args: $*\"; echo 'ping: oops' >&2; /bin/cat; echo 'input ended'; exit 2"}
        << "args: -O -n -c 1 h\nping: oops\ninput ended\n" << 2;
    // Terminals that end at once with exit status 0, as those that hand the window to a server of
    // theirs, and that outlive telnet.exe. x-terminal-emulator is titled as the terminal it links to.
    QTest::newRow("telnet in a terminal") << "telnet.exe" << "10.0.0.1 23"
        << QStringList{"bin/x-terminal-emulator echo \"terminal $1\"; shift; exec \"$@\"", "usr/bin/telnet echo \"telnet $*\""}
        << "terminal -e\ntelnet 10.0.0.1 23\n" << 0;
    QTest::newRow("telnet in a one-string terminal") << "telnet.exe" << "-l it's $HOME\"q\" 23"
        << QStringList{"bin/lxterminal echo \"terminal $1 [$2] $3\"; exec /bin/sh -c \"$4\"", "usr/bin/telnet printf '[%s]' \"$@\"; echo"}
        << "terminal -t [telnet $HOME\"q\" 23] -e\n[-l][it's][$HOME\"q\"][23]\n" << 0;
    QTest::newRow("telnet window stays open") << "telnet.exe" << "h"
        << QStringList{"bin/x-terminal-emulator -> lxterm", "bin/lxterm echo \"terminal $1 [$2]\"; exec /bin/sleep 25", "usr/bin/telnet :"}
        << "terminal -T [telnet h]\n" << 0;
    const QString failed = QStringLiteral("The terminal emulator ROOT/bin/%1 %2, so Telnet could not open a window. %3\n");
    QTest::newRow("terminal fails at once") << "telnet.exe" << "" << QStringList{"bin/xterm exit 1", "usr/bin/telnet :"}
        << failed.arg("xterm", "ended at once with exit status 1", "Install another one, for instance the Debian package xterm.")
        << boxOpen;
    QTest::newRow("terminal aborts") << "telnet.exe" << "h"
        << QStringList{"bin/x-terminal-emulator -> zutty", "bin/zutty kill -ABRT $$", "usr/bin/telnet :"}
        << failed.arg("zutty", "ended at once (signal 6, Aborted)", "Choose another one with \"sudo update-alternatives "
            "--config x-terminal-emulator\", after installing one if need be, for instance the Debian package xterm.")
        << boxOpen;
    // clang-format on
}

void tst_CompatRuns::standIns()
{
    QFETCH(QString, name);
    QFETCH(QString, arguments);
    QFETCH(QStringList, standIns);
    QFETCH(QString, output);
    QFETCH(int, exitCode);
    QTemporaryDir root;
    for (const QString &standIn : standIns) {
        QFile file(root.filePath(standIn.section(u' ', 0, 0)));
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        if (standIn.section(u' ', 1, 1) == u"->") {
            QVERIFY(QFile::link(standIn.section(u' ', 2), file.fileName()));
            continue;
        }
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + standIn.section(u' ', 1).toLocal8Bit() + '\n');
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    Result result = run(compat + name, arguments.split(u' ', Qt::SkipEmptyParts),
                        {QLatin1String(ChildContract::programRootVariable) + u'=' + root.path(),
                         QStringLiteral("PATH=%1/bin").arg(root.path())},
                        exitCode == boxOpen);
    QCOMPARE(result.output.replace(QFileInfo(root.path()).canonicalFilePath(), QStringLiteral("ROOT")), output);
    if (exitCode != boxOpen) // Qt itself may warn about the offscreen platform
        QCOMPARE(result.errors, QString());
    QCOMPARE(result.exitCode, exitCode);
}

QTEST_GUILESS_MAIN(tst_CompatRuns)
#include "tst_compatruns.moc"
