// The console programs over the real Linux programs, or over stand-ins. Traffic stays on loopback or
// inside two network namespaces this test makes; no name goes to the machine's resolver.
#include "NetCommand.h"
#include "SambaReceiver.h"
#include "TestFiles.h"
#include "platform/ChildContract.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
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

// $1 and $2 become two namespaces joined by veth va (10.213.0.1) in the first and vb (10.213.0.2)
// in the second, whose own hosts, resolv.conf and nsswitch.conf (ip netns exec mounts them over
// /etc) keep a name that the broadcast does not find from reaching the machine's resolver. First
// away with those of earlier runs that were killed before they could remove them.
const char *const setUp = R"(for n in $(ip netns list | grep -o '^parlo-compat-[0-9]*-[ab]'); do
  p=${n#parlo-compat-}; [ -d /proc/${p%-*} ] || { ip netns del $n; rm -rf /etc/netns/$n; }; done
set -e; ip netns add $1; ip netns add $2; ip -n $1 link add va type veth peer name vb netns $2
ip -n $1 addr add 10.213.0.1/24 broadcast + dev va; ip -n $2 addr add 10.213.0.2/24 broadcast + dev vb
ip -n $1 link set va up; ip -n $2 link set vb up; ip -n $1 link set lo up; ip -n $2 link set lo up
mkdir -p /etc/netns/$2; cd /etc/netns/$2; echo '127.0.0.1 localhost' >hosts; echo 'hosts: files dns' >nsswitch.conf
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >resolv.conf)";

} // namespace

class tst_CompatRuns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void inOwnNamespace_data();
    void inOwnNamespace();
    void nslookupGivesUpSoon();
    void netByName();
    void standIns_data();
    void standIns();

private:
    struct Namespaces
    {
        const QString first = QStringLiteral("parlo-compat-%1-a").arg(::getpid());
        const QString second = QStringLiteral("parlo-compat-%1-b").arg(::getpid());
        ~Namespaces()
        {
            run("/bin/sh", {"-c", "ip netns del $1; ip netns del $2; rm -r /etc/netns/$2", "sh", first, second});
        }
    } m_net;
};

void tst_CompatRuns::initTestCase()
{
    const Result made = run(QStringLiteral("/bin/sh"), {"-c", setUp, "sh", m_net.first, m_net.second});
    QVERIFY2(made.exitCode == 0, qPrintable(made.output + made.errors));
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
    // clang-format on
}

void tst_CompatRuns::inOwnNamespace()
{
    QFETCH(QString, name);
    QFETCH(QString, arguments);
    QFETCH(QString, pattern);
    const QStringList line =
        QStringList{"netns", "exec", m_net.first, compat + name} + arguments.split(u' ', Qt::SkipEmptyParts);
    const Result result = run(QStringLiteral("/usr/sbin/ip"), line);
    QVERIFY2(QRegularExpression(pattern).match(result.output).hasMatch(), qPrintable(result.output + result.errors));
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

// net view and net send by name, from the second namespace to smbd and nmbd in the first.
void tst_CompatRuns::netByName()
{
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    const auto net = [this](const QStringList &arguments) {
        return run(QStringLiteral("/usr/sbin/ip"), QStringList{"netns", "exec", m_net.second, compat + "net"} + arguments);
    };
    Result view = net({QStringLiteral("view")});
    QCOMPARE(view.output, QString::fromStdString(viewText({})));
    QCOMPARE_LT(view.milliseconds, 5000);
    const Result send = net({QStringLiteral("send"), QStringLiteral("NOBODYHERE"), QStringLiteral("hello")});
    QCOMPARE(send.output, QStringLiteral("An error occurred while sending a message to NOBODYHERE.\n"
                                         "The name NOBODYHERE was not found on the network.\n"));
    QCOMPARE_LT(send.milliseconds, 9000);

    SambaReceiver receiver(QStringLiteral("10.213.0.1"), true, m_net.first);
    QVERIFY2(receiver.isReady(), qPrintable(receiver.error()));
    // nmbd answers only after it has registered its names, some seconds after the start.
    const QString found = QString::fromStdString(viewText({"PARLOTEST"}));
    for (const QDeadlineTimer deadline(25000); !deadline.hasExpired() && view.output != found;)
        view = net({QStringLiteral("view")});
    QCOMPARE(view.output, found);
    QCOMPARE_LT(view.milliseconds, 5000);
    QCOMPARE(net({QStringLiteral("send"), QStringLiteral("parlotest"), QStringLiteral("Grüße per Name")}).output,
             QStringLiteral("The message was successfully sent to parlotest.\n"));
    QCOMPARE(receiver.messages().size(), 1);
    QCOMPARE(receiver.messages().first().text, QStringLiteral("Grüße per Name"));
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
        const QString path = root.filePath(standIn.section(u' ', 0, 0));
        if (standIn.section(u' ', 1, 1) == u"->")
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && QFile::link(standIn.section(u' ', 2), path));
        else
            writeFile(path, "#!/bin/sh\n" + standIn.section(u' ', 1).toLocal8Bit() + '\n', true);
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
