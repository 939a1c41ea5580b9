// The Windows command lines the console programs accept, and what each becomes on Linux.
#include "ArpArgs.h"
#include "Ipconfig.h"
#include "NetstatArgs.h"
#include "NslookupArgs.h"
#include "PingArgs.h"
#include "TelnetTerminal.h"
#include "TracertArgs.h"

#include <QProcess>
#include <QTest>

using namespace compat;

namespace {

using Translate = Translation (*)(const QStringList &);

// An empty `expected` means the program prints a text that starts with `text`.
void checkTranslation(const Translation &translation, const QStringList &expected, const QString &text, int exitCode)
{
    if (text.isEmpty()) {
        QVERIFY2(translation.runs(), qPrintable(translation.text));
        QCOMPARE(translation.arguments, expected);
    } else {
        QVERIFY(!translation.runs());
        QVERIFY2(translation.text.startsWith(text), qPrintable(translation.text));
        QCOMPARE(translation.exitCode, exitCode);
    }
}

void addColumns()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("exitCode");
}

const QStringList none;

} // namespace

class tst_CompatArgs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void seconds_data();
    void seconds();
    void ping_data();
    void ping();
    void tracert_data();
    void tracert();
    void nslookup_data();
    void nslookup();
    void telnet_data();
    void telnet();
    void arp_data();
    void arp();
    void netstat_data();
    void netstat();
    void ipconfig_data();
    void ipconfig();
    void terminal_data();
    void terminal();
    void oneStringSurvivesTheShell();
};

void tst_CompatArgs::seconds_data()
{
    QTest::addColumn<qulonglong>("milliseconds");
    QTest::addColumn<QString>("seconds");
    QTest::newRow("zero") << 0ULL << "0";
    QTest::newRow("one") << 1ULL << "0.001";
    QTest::newRow("tenths") << 200ULL << "0.2";
    QTest::newRow("whole") << 1000ULL << "1";
    QTest::newRow("half") << 1500ULL << "1.5";
    QTest::newRow("all digits") << 1234ULL << "1.234";
    QTest::newRow("inner zero") << 10050ULL << "10.05";
}

void tst_CompatArgs::seconds()
{
    QFETCH(qulonglong, milliseconds);
    QFETCH(QString, seconds);
    QCOMPARE(millisecondsAsSeconds(milliseconds), seconds);
}

void tst_CompatArgs::ping_data()
{
    addColumns();
    const QString usage = QStringLiteral("\nUsage: ping");
    // clang-format off
    QTest::newRow("four echoes") << QStringList{"10.0.0.1"} << QStringList{"-O", "-n", "-c", "4", "10.0.0.1"} << "" << 0;
    QTest::newRow("count after target") << QStringList{"127.0.0.1", "-n", "2"} << QStringList{"-O", "-n", "-c", "2", "127.0.0.1"} << "" << 0;
    QTest::newRow("slash and case") << QStringList{"/N", "3", "h"} << QStringList{"-O", "-n", "-c", "3", "h"} << "" << 0;
    QTest::newRow("until stopped") << QStringList{"-t", "h"} << QStringList{"-O", "-n", "h"} << "" << 0;
    QTest::newRow("-t beats -n") << QStringList{"-n", "2", "-t", "h"} << QStringList{"-O", "-n", "h"} << "" << 0;
    QTest::newRow("-a asks for names, no bell") << QStringList{"-a", "h"} << QStringList{"-O", "-c", "4", "h"} << "" << 0;
    QTest::newRow("size ttl timeout") << QStringList{"-l", "1000", "-i", "10", "-w", "1500", "h"}
        << QStringList{"-O", "-n", "-s", "1000", "-t", "10", "-W", "1.5", "-c", "4", "h"} << "" << 0;
    QTest::newRow("zero timeout is not forever") << QStringList{"-w", "0", "h"} << QStringList{"-O", "-n", "-W", "0.001", "-c", "4", "h"} << "" << 0;
    QTest::newRow("families") << QStringList{"-6", "h"} << QStringList{"-O", "-n", "-6", "-c", "4", "h"} << "" << 0;
    QTest::newRow("don't fragment") << QStringList{"-f", "h"} << QStringList{"-O", "-n", "-M", "do", "-c", "4", "h"} << "" << 0;
    QTest::newRow("source") << QStringList{"-S", "10.0.0.2", "h"} << QStringList{"-O", "-n", "-I", "10.0.0.2", "-c", "4", "h"} << "" << 0;
    QTest::newRow("no arguments") << none << none << usage << 1;
    QTest::newRow("options, no target") << QStringList{"-n", "2"} << none << usage << 1;
    QTest::newRow("help") << QStringList{"/?"} << none << usage << 0;
    QTest::newRow("unknown option") << QStringList{"-x", "h"} << none << "Bad option -x.\n\nUsage: ping" << 1;
    QTest::newRow("missing value") << QStringList{"h", "-n"} << none << "Value must be supplied for option -n." << 1;
    QTest::newRow("count zero") << QStringList{"-n", "0", "h"} << none << "Bad value for option -n, valid range is from 1 to 4294967295." << 1;
    QTest::newRow("count not a number") << QStringList{"-n", "2x", "h"} << none << "Bad value for option -n" << 1;
    QTest::newRow("size too big") << QStringList{"-l", "65501", "h"} << none << "Bad value for option -l, valid range is from 0 to 65500." << 1;
    QTest::newRow("ttl zero") << QStringList{"-i", "0", "h"} << none << "Bad value for option -i, valid range is from 1 to 255." << 1;
    QTest::newRow("negative timeout") << QStringList{"-w", "-5", "h"} << none << "Bad value for option -w" << 1;
    QTest::newRow("two targets") << QStringList{"a", "b"} << none << "Bad parameter b." << 1;
    // clang-format on
}

void tst_CompatArgs::ping()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(QString, text);
    QFETCH(int, exitCode);
    checkTranslation(translatePing(arguments), expected, text, exitCode);
}

void tst_CompatArgs::tracert_data()
{
    addColumns();
    const QString usage = QStringLiteral("\nUsage: tracert");
    // clang-format off
    QTest::newRow("the window's line") << QStringList{"-d", "-h", "5", "-w", "200", "10.0.0.1"}
        << QStringList{"-n", "-w", "0.2", "-m", "5", "10.0.0.1"} << "" << 0;
    QTest::newRow("defaults") << QStringList{"h"} << QStringList{"-m", "30", "h"} << "" << 0;
    QTest::newRow("short wait raised") << QStringList{"-w", "50", "h"} << QStringList{"-w", "0.1", "-m", "30", "h"} << "" << 0;
    QTest::newRow("zero wait raised") << QStringList{"-w", "0", "h"} << QStringList{"-w", "0.1", "-m", "30", "h"} << "" << 0;
    QTest::newRow("long wait") << QStringList{"/w", "2500", "h"} << QStringList{"-w", "2.5", "-m", "30", "h"} << "" << 0;
    QTest::newRow("upper case") << QStringList{"/D", "h"} << QStringList{"-n", "-m", "30", "h"} << "" << 0;
    QTest::newRow("ipv6") << QStringList{"-6", "h"} << QStringList{"-6", "-m", "30", "h"} << "" << 0;
    QTest::newRow("window line, empty target") << QStringList{"-d", "-h", "5", "-w", "200"} << none << usage << 1;
    QTest::newRow("no arguments") << none << none << usage << 1;
    QTest::newRow("hops zero") << QStringList{"-h", "0", "h"} << none << "Bad value for option -h" << 1;
    QTest::newRow("hops text") << QStringList{"-h", "five", "h"} << none << "Bad value for option -h" << 1;
    QTest::newRow("wait text") << QStringList{"-w", "soon", "h"} << none << "Bad value for option -w" << 1;
    QTest::newRow("unknown option") << QStringList{"-q", "h"} << none << "Bad option -q." << 1;
    QTest::newRow("two targets") << QStringList{"a", "b"} << none << usage << 1;
    // clang-format on
}

void tst_CompatArgs::tracert()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(QString, text);
    QFETCH(int, exitCode);
    checkTranslation(translateTracert(arguments), expected, text, exitCode);
}

void tst_CompatArgs::nslookup_data()
{
    addColumns();
    const QString usage = QStringLiteral("Usage:");
    // clang-format off
    QTest::newRow("name") << QStringList{"parlo.test"} << QStringList{"-timeout=2", "-retry=2", "parlo.test"} << "" << 0;
    QTest::newRow("name and server") << QStringList{"parlo.test", "127.0.0.12"} << QStringList{"-timeout=2", "-retry=2", "parlo.test", "127.0.0.12"} << "" << 0;
    QTest::newRow("option passed on") << QStringList{"-type=mx", "parlo.test"} << QStringList{"-timeout=2", "-retry=2", "-type=mx", "parlo.test"} << "" << 0;
    QTest::newRow("own time-out wins, slash form") << QStringList{"/timeout=5", "x"} << QStringList{"-timeout=2", "-retry=2", "-timeout=5", "x"} << "" << 0;
    QTest::newRow("no name") << none << none << usage << 1;
    QTest::newRow("options only") << QStringList{"-type=mx"} << none << usage << 1;
    QTest::newRow("dash is interactive") << QStringList{"-", "127.0.0.1"} << none << usage << 1;
    QTest::newRow("three words") << QStringList{"a", "b", "c"} << none << usage << 1;
    QTest::newRow("help") << QStringList{"/?"} << none << usage << 0;
    // clang-format on
}

void tst_CompatArgs::nslookup()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(QString, text);
    QFETCH(int, exitCode);
    checkTranslation(translateNslookup(arguments), expected, text, exitCode);
}

void tst_CompatArgs::telnet_data()
{
    addColumns();
    const QString usage = QStringLiteral("telnet [-a]");
    // clang-format off
    QTest::newRow("no host: the prompt") << none << none << "" << 0;
    QTest::newRow("host") << QStringList{"10.0.0.1"} << QStringList{"10.0.0.1"} << "" << 0;
    QTest::newRow("host and port") << QStringList{"h", "2323"} << QStringList{"h", "2323"} << "" << 0;
    QTest::newRow("user") << QStringList{"-l", "bob", "h"} << QStringList{"-l", "bob", "h"} << "" << 0;
    QTest::newRow("automatic logon") << QStringList{"/a", "h"} << QStringList{"-a", "h"} << "" << 0;
    QTest::newRow("user without host") << QStringList{"-l", "bob"} << none << usage << 1;
    QTest::newRow("three words") << QStringList{"a", "b", "c"} << none << usage << 1;
    QTest::newRow("unknown option") << QStringList{"-x", "h"} << none << usage << 1;
    // clang-format on
}

void tst_CompatArgs::telnet()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(QString, text);
    QFETCH(int, exitCode);
    checkTranslation(translateTelnet(arguments), expected, text, exitCode);
}

void tst_CompatArgs::arp_data()
{
    addColumns();
    QTest::addColumn<bool>("flushAll");
    const QString usage = QStringLiteral("\nDisplays and modifies");
    // clang-format off
    QTest::newRow("-a without names") << QStringList{"-a"} << QStringList{"-a", "-n"} << "" << 0 << false;
    QTest::newRow("slash") << QStringList{"/a"} << QStringList{"-a", "-n"} << "" << 0 << false;
    QTest::newRow("-g") << QStringList{"-g"} << QStringList{"-a", "-n"} << "" << 0 << false;
    QTest::newRow("one host") << QStringList{"-a", "10.0.0.1"} << QStringList{"-a", "-n", "10.0.0.1"} << "" << 0 << false;
    QTest::newRow("verbose") << QStringList{"-a", "-v"} << QStringList{"-a", "-n", "-v"} << "" << 0 << false;
    QTest::newRow("delete") << QStringList{"-d", "10.0.0.1"} << QStringList{"-d", "10.0.0.1"} << "" << 0 << false;
    QTest::newRow("delete all") << QStringList{"-d", "*"} << QStringList{"neigh", "flush", "all"} << "" << 0 << true;
    QTest::newRow("add") << QStringList{"-s", "10.0.0.5", "00-aa-00-62-c6-09"} << QStringList{"-s", "10.0.0.5", "00:aa:00:62:c6:09"} << "" << 0 << false;
    QTest::newRow("add, upper case") << QStringList{"-s", "10.0.0.5", "00-AA-00-62-C6-09"} << QStringList{"-s", "10.0.0.5", "00:aa:00:62:c6:09"} << "" << 0 << false;
    QTest::newRow("add, colons") << QStringList{"-s", "10.0.0.5", "00:aa:00:62:c6:09"} << QStringList{"-s", "10.0.0.5", "00:aa:00:62:c6:09"} << "" << 0 << false;
    QTest::newRow("five bytes") << QStringList{"-s", "10.0.0.5", "00-aa-00-62-c6"} << none << "The ARP entry addition failed" << 1 << false;
    QTest::newRow("mixed separators") << QStringList{"-s", "10.0.0.5", "00-aa:00-62-c6-09"} << none << "The ARP entry addition failed" << 1 << false;
    QTest::newRow("not hex") << QStringList{"-s", "10.0.0.5", "00-aa-00-62-c6-0g"} << none << "The ARP entry addition failed" << 1 << false;
    QTest::newRow("no arguments") << none << none << usage << 1 << false;
    QTest::newRow("address only") << QStringList{"10.0.0.1"} << none << usage << 1 << false;
    QTest::newRow("two actions") << QStringList{"-a", "-d", "10.0.0.1"} << none << usage << 1 << false;
    QTest::newRow("delete nothing") << QStringList{"-d"} << none << usage << 1 << false;
    QTest::newRow("add without address") << QStringList{"-s", "10.0.0.5"} << none << usage << 1 << false;
    QTest::newRow("unknown option") << QStringList{"-x"} << none << usage << 1 << false;
    // clang-format on
}

void tst_CompatArgs::arp()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(QString, text);
    QFETCH(int, exitCode);
    QFETCH(bool, flushAll);
    const ArpCommand command = translateArp(arguments);
    checkTranslation(command.translation, expected, text, exitCode);
    QCOMPARE(command.flushAll, flushAll);
}

void tst_CompatArgs::netstat_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("statistics");
    QTest::addColumn<QStringList>("runs"); // each run's arguments joined by blanks
    QTest::addColumn<int>("exitCode");     // -1: runs, else the usage with this code
    // clang-format off
    QTest::newRow("connections") << none << false << QStringList{"-A inet,inet6"} << -1;
    QTest::newRow("-a") << QStringList{"-a"} << false << QStringList{"-A inet,inet6 -a"} << -1;
    QTest::newRow("-n") << QStringList{"-n"} << false << QStringList{"-A inet,inet6 -n"} << -1;
    QTest::newRow("combined") << QStringList{"-an"} << false << QStringList{"-A inet,inet6 -a -n"} << -1;
    QTest::newRow("slashes") << QStringList{"/N", "/a"} << false << QStringList{"-A inet,inet6 -a -n"} << -1;
    QTest::newRow("owners") << QStringList{"-ano"} << false << QStringList{"-A inet,inet6 -a -n -p"} << -1;
    QTest::newRow("routes in numbers") << QStringList{"-r"} << false << QStringList{"-r -n -A inet,inet6"} << -1;
    QTest::newRow("-r ignores -a") << QStringList{"-a", "-r"} << false << QStringList{"-r -n -A inet,inet6"} << -1;
    QTest::newRow("ethernet") << QStringList{"-e"} << true << QStringList{} << -1;
    QTest::newRow("protocols") << QStringList{"-s"} << false << QStringList{"-s"} << -1;
    QTest::newRow("ethernet and protocols") << QStringList{"-e", "-s"} << true << QStringList{"-s"} << -1;
    QTest::newRow("tcp") << QStringList{"-p", "TCP"} << false << QStringList{"-A inet --tcp"} << -1;
    QTest::newRow("udp v6") << QStringList{"-n", "-p", "udpv6"} << false << QStringList{"-A inet6 --udp -n"} << -1;
    QTest::newRow("proto last in a group") << QStringList{"-np", "tcp"} << false << QStringList{"-A inet --tcp -n"} << -1;
    QTest::newRow("proto not last") << QStringList{"-pn", "tcp"} << false << QStringList{} << 1;
    QTest::newRow("unknown proto") << QStringList{"-p", "icmp"} << false << QStringList{} << 1;
    QTest::newRow("proto missing") << QStringList{"-p"} << false << QStringList{} << 1;
    QTest::newRow("interval never ends") << QStringList{"5"} << false << QStringList{} << 1;
    QTest::newRow("unknown flag") << QStringList{"-x"} << false << QStringList{} << 1;
    QTest::newRow("help") << QStringList{"/?"} << false << QStringList{} << 0;
    // clang-format on
}

void tst_CompatArgs::netstat()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, statistics);
    QFETCH(QStringList, runs);
    QFETCH(int, exitCode);
    const NetstatPlan plan = translateNetstat(arguments);
    if (exitCode >= 0) {
        QVERIFY(plan.text.startsWith(QStringLiteral("\nDisplays protocol statistics")));
        QCOMPARE(plan.exitCode, exitCode);
        return;
    }
    QVERIFY2(plan.text.isEmpty(), qPrintable(plan.text));
    QCOMPARE(plan.interfaceStatistics, statistics);
    QStringList joined;
    for (const QStringList &run : plan.netstatRuns)
        joined << run.join(u' ');
    QCOMPARE(joined, runs);
}

void tst_CompatArgs::ipconfig_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("adapter");
    QTest::addColumn<int>("exitCode");
    const int show = int(IpconfigAction::Show), all = int(IpconfigAction::ShowAll), renew = int(IpconfigAction::Renew),
              release = int(IpconfigAction::Release), text = int(IpconfigAction::Text);
    // clang-format off
    QTest::newRow("the window's line") << none << show << "" << 0;
    QTest::newRow("/all") << QStringList{"/all"} << all << "" << 0;
    QTest::newRow("-ALL") << QStringList{"-ALL"} << all << "" << 0;
    QTest::newRow("renew all") << QStringList{"/renew"} << renew << "" << 0;
    QTest::newRow("renew some") << QStringList{"/renew", "eth*"} << renew << "eth*" << 0;
    QTest::newRow("release one") << QStringList{"/release", "eth0"} << release << "eth0" << 0;
    QTest::newRow("help") << QStringList{"/?"} << text << "" << 0;
    QTest::newRow("adapter alone") << QStringList{"eth0"} << text << "" << 1;
    QTest::newRow("adapter first") << QStringList{"eth0", "/renew"} << text << "" << 1;
    QTest::newRow("two options") << QStringList{"/all", "/renew"} << text << "" << 1;
    QTest::newRow("/all with adapter") << QStringList{"/all", "eth0"} << text << "" << 1;
    QTest::newRow("two adapters") << QStringList{"/renew", "a", "b"} << text << "" << 1;
    QTest::newRow("unknown") << QStringList{"/flushdns"} << text << "" << 1;
    // clang-format on
}

void tst_CompatArgs::ipconfig()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, adapter);
    QFETCH(int, exitCode);
    const IpconfigRequest request = parseIpconfigArgs(arguments);
    QCOMPARE(int(request.action), action);
    QCOMPARE(request.adapter, adapter);
    QCOMPARE(request.exitCode, exitCode);
    if (request.action == IpconfigAction::Text)
        QVERIFY(request.text.contains(QStringLiteral("USAGE:")));
}

void tst_CompatArgs::terminal_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("line");
    const QStringList command = {QStringLiteral("/usr/bin/telnet"), QStringLiteral("h")};
    // clang-format off
    QTest::newRow("the Debian choice first") << QStringList{"xterm", "x-terminal-emulator"} << QStringList{"/t/x-terminal-emulator", "-e"} + command;
    QTest::newRow("xterm") << QStringList{"xterm"} << QStringList{"/t/xterm", "-e"} + command;
    QTest::newRow("gnome") << QStringList{"gnome-terminal", "xterm"} << QStringList{"/t/gnome-terminal", "--"} + command;
    QTest::newRow("xfce") << QStringList{"xfce4-terminal"} << QStringList{"/t/xfce4-terminal", "-x"} + command;
    QTest::newRow("one string") << QStringList{"lxterminal"} << QStringList{"/t/lxterminal", "-e", "'/usr/bin/telnet' 'h'"};
    QTest::newRow("no option") << QStringList{"kitty"} << QStringList{"/t/kitty"} + command;
    QTest::newRow("none installed") << QStringList{} << QStringList{};
    // clang-format on
}

void tst_CompatArgs::terminal()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, line);
    const QStringList command = {QStringLiteral("/usr/bin/telnet"), QStringLiteral("h")};
    const auto find = [&installed](const QString &name) {
        return installed.contains(name) ? QStringLiteral("/t/") + name : QString();
    };
    QCOMPARE(terminalCommand(find, command), line);
}

void tst_CompatArgs::oneStringSurvivesTheShell()
{
    // Terminals that take one command text hand it to a shell: every word must come back whole.
    const QStringList words = {QStringLiteral("printf"), QStringLiteral("%s|"),   QStringLiteral("a b"),
                               QStringLiteral("it's"),   QStringLiteral("$HOME"), QStringLiteral("\"q\"")};
    const QStringList line = terminalCommand(
        [](const QString &name) { return name == u"tilix" ? QStringLiteral("/t/tilix") : QString(); }, words);
    QCOMPARE(line.size(), 3);
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line.at(2)});
    QVERIFY(shell.waitForFinished(10000));
    QCOMPARE(shell.readAllStandardOutput(), QByteArray("a b|it's|$HOME|\"q\"|"));
}

QTEST_GUILESS_MAIN(tst_CompatArgs)
#include "tst_compatargs.moc"
