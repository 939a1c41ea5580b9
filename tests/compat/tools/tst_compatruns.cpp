// The console programs over the real Linux programs, or over stand-ins. Traffic stays on loopback or
// inside two network namespaces this test makes; no name goes to the machine's resolver.
#include "ConsoleRun.h"
#include "NetCommand.h"
#include "SambaReceiver.h"
#include "TestFiles.h"
#include "platform/ChildContract.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <unistd.h>

namespace {

const QString compat = QStringLiteral(PARLO_TEST_COMPAT_DIR "/");

// $1 and $2 become two namespaces joined by veth va (10.213.0.1) in the first and vb (10.213.0.2)
// in the second, whose own hosts, resolv.conf and nsswitch.conf (ip netns exec mounts them over
// /etc) keep a name that the broadcast does not find from reaching the machine's resolver; its
// hosts file names the first end samba-host, a name only the resolver knows. Those of
// earlier runs that were killed before they could remove them go first. A neighbour 10.213.0.9 is for
// `arp -d *` to be refused (it leaves permanent ones, and an empty table refuses nothing).
const char *const setUp = R"(for n in $(ip netns list | grep -o '^parlo-compat-[0-9]*-[ab]'); do
  p=${n#parlo-compat-}; [ -d /proc/${p%-*} ] || { ip netns del $n; rm -rf /etc/netns/$n; }; done
set -e; ip netns add $1; ip netns add $2; ip -n $1 link add va type veth peer name vb netns $2
ip -n $1 addr add 10.213.0.1/24 broadcast + dev va; ip -n $2 addr add 10.213.0.2/24 broadcast + dev vb
ip -n $1 link set va up; ip -n $2 link set vb up; ip -n $1 link set lo up; ip -n $2 link set lo up
ip -n $1 neigh add 10.213.0.9 lladdr 00:11:22:33:44:55 dev va nud stale
mkdir -p /etc/netns/$2; cd /etc/netns/$2; printf '127.0.0.1 localhost\n10.213.0.1 samba-host\n' >hosts; echo 'hosts: files dns' >nsswitch.conf
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >resolv.conf)";

} // namespace

class tst_CompatRuns : public QObject
{
    Q_OBJECT

    struct Namespaces
    {
        const QString first = QStringLiteral("parlo-compat-%1-a").arg(::getpid());
        const QString second = QStringLiteral("parlo-compat-%1-b").arg(::getpid());
        ~Namespaces()
        {
            runConsole("/bin/sh", {"-c", "ip netns del $1; ip netns del $2; rm -r /etc/netns/$2", "sh", first, second});
        }
    } m_net;

    // A console program's command line, run in the first namespace after the words given.
    ConsoleRun inFirst(const QString &line, const QStringList &before = {}, const QStringList &environment = {}) const
    {
        const QStringList words = line.split(u' ');
        return runConsole(QStringLiteral("/usr/sbin/ip"),
                          QStringList{"netns", "exec", m_net.first} + before + QStringList{compat + words.first()} +
                              words.mid(1),
                          environment);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const ConsoleRun made = runConsole(QStringLiteral("/bin/sh"), {"-c", setUp, "sh", m_net.first, m_net.second});
        QVERIFY2(made.exitCode == 0, qPrintable(made.output + made.errors));
    }

    void nslookupGivesUpSoon()
    {
        QUdpSocket silent; // never answers: the lookup must end in seconds, not in 15
        QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
        const ConsoleRun result =
            runConsole(compat + QStringLiteral("nslookup"),
                       {QStringLiteral("-port=%1").arg(silent.localPort()), "www.parlo.test", "127.0.0.1"});
        QVERIFY2(result.exitCode > 0 && result.milliseconds < 8000 &&
                     result.output.contains(QStringLiteral("timed out")),
                 qPrintable(QStringLiteral("%1 ms: %2").arg(result.milliseconds).arg(result.output + result.errors)));
    }

    // net view and net send by name, from the second namespace to smbd and nmbd in the first.
    void netByName()
    {
        if (!SambaReceiver::available())
            QSKIP("smbd is not installed (Debian package samba)");
        const auto net = [this](const QStringList &arguments) {
            return runConsole(QStringLiteral("/usr/sbin/ip"),
                              QStringList{"netns", "exec", m_net.second, compat + "net"} + arguments);
        };
        ConsoleRun view = net({QStringLiteral("view")});
        QCOMPARE(view.output, QString::fromStdString(viewText({})));
        QCOMPARE_LT(view.milliseconds, 5000);
        const ConsoleRun send = net({QStringLiteral("send"), QStringLiteral("NOBODYHERE"), QStringLiteral("hello")});
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
        QCOMPARE(net({QStringLiteral("send"), QStringLiteral("samba-host"), QStringLiteral("by host name")}).output,
                 QStringLiteral("The message was successfully sent to samba-host.\n"));
        QCOMPARE(receiver.messages().size(), 2);
        QCOMPARE(receiver.messages().first().text, QStringLiteral("Grüße per Name"));
    }

    // The real programs in the first namespace; the echo fills the neighbour table for arp.
    void runsInNamespace()
    {
        const std::pair<QString, QString> rows[] = {
            // The command line, and a pattern its output holds.
            // clang-format off
            {"ping -n 1 -w 3000 10.213.0.2", "bytes from 10\\.213\\.0\\.2"},
            {"arp -a", "\\(10\\.213\\.0\\.2\\) at ([0-9a-f]{2}:){5}[0-9a-f]{2} .* on va"},
            {"ipconfig", "Loopback adapter lo:(?s).*IPv4 Address[ .]*: 127\\.0\\.0\\.1\\n   Subnet Mask[ .]*: 255\\.0\\.0\\.0\\n"
                ".*Ethernet adapter va:.*IPv4 Address[ .]*: 10\\.213\\.0\\.1\\n   Subnet Mask[ .]*: 255\\.255\\.255\\.0\\n"},
            {"netstat -e", "^Interface Statistics\\n(?s).*\\nva +[1-9]\\d* +[1-9]\\d* +\\d+ +\\d+\\n"},
            // clang-format on
        };
        for (const auto &[line, pattern] : rows) {
            const ConsoleRun result = inFirst(line);
            QVERIFY2(result.exitCode == 0 && QRegularExpression(pattern).match(result.output).hasMatch(),
                     qPrintable(line + u'\n' + result.output + result.errors));
        }
    }

    // Over stand-ins below the program root, each "PATH SCRIPT" or "PATH -> TARGET" (a link), every
    // other program missing; ROOT in the output stands for the program root.
    void runsOverStandIns()
    {
        const QString missing = QStringLiteral("%1 is not installed: install the Debian package %2.\n");
        const QString failed =
            QStringLiteral("The terminal emulator ROOT/bin/%1 %2, so Telnet could not open a window. %3\n");
        // The name, the command line, the stand-ins, the output and the exit code.
        const std::tuple<const char *, QString, QStringList, QString, int> rows[] = {
            // clang-format off
            {"netstat, two runs", "netstat -s -r", {}, missing.arg("netstat", "net-tools"), 1},
            {"arp through ip", "arp -d *", {}, missing.arg("ip", "iproute2"), 1},
            {"errors to output, no input", "ping -n 1 h",
             {"usr/bin/ping echo \"args: $*\"; echo 'ping: oops' >&2; /bin/cat; echo 'input ended'; exit 2"},
             "args: -O -n -c 1 h\nping: oops\ninput ended\n", 2},
            {"a line without an end", "ping h", {"usr/bin/ping /usr/bin/head -c 300000 /dev/zero | /usr/bin/tr '\\0' x"},
             QString(300000, u'x'), 0},
            // Terminals that end at once with exit status 0, as those that hand the window to a server of
            // theirs, and that outlive telnet.exe. x-terminal-emulator is titled as the terminal it links to.
            {"telnet in a terminal", "telnet.exe 10.0.0.1 23",
             {"bin/x-terminal-emulator echo \"terminal $1\"; shift; exec \"$@\"", "usr/bin/telnet echo \"telnet $*\""},
             "terminal -e\ntelnet 10.0.0.1 23\n", 0},
            {"telnet in a one-string terminal", "telnet.exe -l it's $HOME\"q\" 23",
             {"bin/lxterminal echo \"terminal $1 [$2] $3\"; exec /bin/sh -c \"$4\"", "usr/bin/telnet printf '[%s]' \"$@\"; echo"},
             "terminal -t [telnet $HOME\"q\" 23] -e\n[-l][it's][$HOME\"q\"][23]\n", 0},
            {"telnet window stays open", "telnet.exe h",
             {"bin/x-terminal-emulator -> lxterm", "bin/lxterm echo \"terminal $1 [$2]\"; exec /bin/sleep 25", "usr/bin/telnet :"},
             "terminal -T [telnet h]\n", 0},
            {"terminal fails at once", "telnet.exe", {"bin/xterm exit 1", "usr/bin/telnet :"},
             failed.arg("xterm", "ended at once with exit status 1", "Install another one, for instance the Debian package xterm."),
             ConsoleRun::boxShown},
            {"terminal aborts", "telnet.exe h", {"bin/x-terminal-emulator -> zutty", "bin/zutty kill -ABRT $$", "usr/bin/telnet :"},
             failed.arg("zutty", "ended at once (signal 6, Aborted)", "Choose another one with \"sudo update-alternatives "
                 "--config x-terminal-emulator\", after installing one if need be, for instance the Debian package xterm."),
             ConsoleRun::boxShown},
            // clang-format on
        };
        for (const auto &[name, line, standIns, output, exitCode] : rows) {
            QTemporaryDir root;
            for (const QString &standIn : standIns) {
                const QString path = root.filePath(standIn.section(u' ', 0, 0));
                if (standIn.section(u' ', 1, 1) == u"->")
                    QVERIFY(QDir().mkpath(QFileInfo(path).path()) && QFile::link(standIn.section(u' ', 2), path));
                else
                    writeFile(path, "#!/bin/sh\n" + standIn.section(u' ', 1).toLocal8Bit() + '\n', true);
            }
            const QStringList words = line.split(u' ');
            ConsoleRun result = runConsole(compat + words.first(), words.mid(1),
                                           {QLatin1String(ChildContract::programRootVariable) + u'=' + root.path(),
                                            QStringLiteral("PATH=%1/bin").arg(root.path())},
                                           exitCode == ConsoleRun::boxShown);
            result.output.replace(QFileInfo(root.path()).canonicalFilePath(), QStringLiteral("ROOT"));
            QVERIFY2(result.output == output && result.exitCode == exitCode,
                     qPrintable(name + (u'\n' + result.output + result.errors)));
            // Qt itself may warn about the offscreen platform where a box is shown.
            QVERIFY2(exitCode == ConsoleRun::boxShown || result.errors.isEmpty(),
                     qPrintable(name + (u'\n' + result.errors)));
        }
    }

    // As an ordinary user in the first namespace, so that nothing touches the machine's own tables:
    // what Linux refuses for lack of rights is said in one sentence, instead of the tool's words.
    void deniedWithoutRights()
    {
        // iputils ping without its file capability, where the namespace allows no ICMP datagram sockets.
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath("usr/bin")) &&
                QFile::copy(QStringLiteral("/usr/bin/ping"), root.filePath("usr/bin/ping")) &&
                QFile::setPermissions(root.path(), QFile::permissions(root.filePath("usr"))));
        const std::pair<QString, bool> rows[] = {// the command line, whether it fails as a whole
                                                 {"arp -s 10.213.0.8 00-11-22-33-44-55", true},
                                                 {"arp -d 10.213.0.9", true},
                                                 {"arp -d *", true},
                                                 {"ping -n 1 -w 1000 10.213.0.2", true},
                                                 {"netstat -a -o", false}};
        for (const auto &[line, fails] : rows) {
            const ConsoleRun result = inFirst(line, {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"},
                                              {QLatin1String(ChildContract::programRootVariable) + u'=' +
                                               (line.startsWith(u"ping") ? root.path() : "")});
            QVERIFY2(result.output.count(QStringLiteral(": access is denied without administrator rights.\n")) == 1 &&
                         !result.output.contains(QRegularExpression("not permitted|be root|cap_net_raw|SOCK_RAW")) &&
                         result.exitCode >= 0 && (result.exitCode != 0) == fails,
                     qPrintable(line + QStringLiteral(": ") + result.output + result.errors));
        }
    }

    // Where there is no display at all, as over ssh, the programs that open windows print their help
    // too, and the same help as with one.
    void helpWithoutDisplay()
    {
        const QString parlo = QStringLiteral(PARLO_PROGRAM);
        const QStringList rows[] = {
            // clang-format off
            {parlo, "--help", "--background", "--history", "--screenshot <FILE>"}, {parlo, "-h", "--history"},
            {parlo, "--version", "parlo "}, {compat + "notepad.exe", "/?", "NOTEPAD.EXE [file]"},
            {compat + "notepad.exe", "--help", "NOTEPAD.EXE [file]"}, {compat + "ping", "--help", "Usage: ping"},
            {compat + "tracert", "--help", "Usage: tracert"}, {compat + "arp", "--help", "ARP -d inet_addr"},
            // clang-format on
        };
        for (const QStringList &row : rows) { // the program, its argument, words of the help
            const QString name = QFileInfo(row[0]).fileName() + u' ' + row[1];
            const ConsoleRun bare = runConsole(row[0], {row[1]}, {}, false, true);
            QVERIFY2(bare.exitCode == 0 && bare.errors.isEmpty() && !bare.output.contains(u"Bad option"),
                     qPrintable(name + u'\n' + bare.output + bare.errors));
            for (const QString &word : row.mid(2))
                QVERIFY2(bare.output.contains(word), qPrintable(name + u'\n' + bare.output));
            const ConsoleRun shown =
                runConsole(row[0], {row[1]}, {QStringLiteral("QT_QPA_PLATFORM=offscreen")}, false, true);
            QVERIFY2(shown.exitCode == 0 && shown.output == bare.output, qPrintable(name + u'\n' + shown.output));
        }
    }
};

QTEST_GUILESS_MAIN(tst_CompatRuns)
#include "tst_compatruns.moc"
