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

// What a program does with its arguments, in one line: the Linux arguments, or "exit N: "
// and the text it prints instead.
QString describe(const Translation &translation)
{
    return translation.runs() ? translation.arguments.join(u' ')
                              : QStringLiteral("exit %1: %2").arg(translation.exitCode).arg(translation.text.trimmed());
}

QString describe(const QString &program, const QStringList &arguments)
{
    if (program == u"ping")
        return describe(translatePing(arguments));
    if (program == u"tracert")
        return describe(translateTracert(arguments));
    if (program == u"nslookup")
        return describe(translateNslookup(arguments));
    if (program == u"telnet")
        return describe(translateTelnet(arguments));
    if (program == u"arp") {
        const ArpCommand command = translateArp(arguments);
        return (command.flushAll ? QStringLiteral("ip ") : QString()) + describe(command.translation);
    }
    if (program == u"netstat") {
        const NetstatPlan plan = translateNetstat(arguments);
        if (!plan.text.isEmpty())
            return QStringLiteral("exit %1: %2").arg(plan.exitCode).arg(plan.text.trimmed());
        QStringList runs = plan.interfaceStatistics ? QStringList{QStringLiteral("statistics")} : QStringList{};
        for (const QStringList &run : plan.netstatRuns)
            runs << run.join(u' ');
        return runs.join(QStringLiteral(" | "));
    }
    const IpconfigRequest request = parseIpconfigArgs(arguments);
    static const char *const actions[] = {"show", "all", "renew", "release"};
    return request.action == IpconfigAction::Text
               ? QStringLiteral("exit %1: %2").arg(request.exitCode).arg(request.text.trimmed())
               : (QLatin1String(actions[int(request.action)]) + u' ' + request.adapter).trimmed();
}

} // namespace

class tst_CompatArgs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void translate_data();
    void translate();
    void terminal_data();
    void terminal();
    void oneStringSurvivesTheShell();
};

void tst_CompatArgs::translate_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // "exit N: ..." compares the beginning only

    // clang-format off
    const auto row = [](const char *program, const char *name, const QStringList &arguments, const char *expected) {
        QTest::addRow("%s: %s", program, name) << QString::fromLatin1(program) << arguments << QString::fromLatin1(expected);
    };
    row("ping", "four echoes, numeric", {"10.0.0.1"}, "-O -n -c 4 10.0.0.1");
    row("ping", "count after target", {"127.0.0.1", "-n", "2"}, "-O -n -c 2 127.0.0.1");
    row("ping", "slash and case", {"/N", "3", "h"}, "-O -n -c 3 h");
    row("ping", "-t beats -n", {"-n", "2", "-t", "h"}, "-O -n h");
    row("ping", "-a asks for names, rings no bell", {"-a", "h"}, "-O -c 4 h");
    row("ping", "size ttl timeout", {"-l", "1000", "-i", "10", "-w", "1500", "-6", "h"}, "-O -n -s 1000 -t 10 -W 1.5 -6 -c 4 h");
    row("ping", "zero timeout is not forever", {"-w", "0", "h"}, "-O -n -W 0.001 -c 4 h");
    row("ping", "no arguments", {}, "exit 1: Usage: ping");
    row("ping", "options, no target", {"-n", "2"}, "exit 1: Usage: ping");
    row("ping", "unknown option", {"-x", "h"}, "exit 1: Bad option -x.\n\nUsage: ping");
    row("ping", "missing value", {"h", "-n"}, "exit 1: Value must be supplied for option -n.");
    row("ping", "count zero", {"-n", "0", "h"}, "exit 1: Bad value for option -n, valid range is from 1 to 4294967295.");
    row("ping", "size too big", {"-l", "65501", "h"}, "exit 1: Bad value for option -l, valid range is from 0 to 65500.");
    row("tracert", "the window's line", {"-d", "-h", "5", "-w", "200", "10.0.0.1"}, "-n -w 0.2 -m 5 10.0.0.1");
    row("tracert", "defaults", {"h"}, "-m 30 h");
    row("tracert", "short wait raised", {"-w", "50", "h"}, "-w 0.1 -m 30 h");
    row("tracert", "window's line without target", {"-d", "-h", "5", "-w", "200"}, "exit 1: Usage: tracert");
    row("tracert", "hops zero", {"-h", "0", "h"}, "exit 1: Bad value for option -h");
    row("nslookup", "name", {"parlo.test"}, "-timeout=2 -retry=2 parlo.test");
    row("nslookup", "own options win", {"/timeout=5", "-type=mx", "x", "127.0.0.12"}, "-timeout=2 -retry=2 -timeout=5 -type=mx x 127.0.0.12");
    row("nslookup", "no name", {"-type=mx"}, "exit 1: Usage:");
    row("nslookup", "dash is interactive", {"-", "127.0.0.1"}, "exit 1: Usage:");
    row("telnet", "the prompt", {}, "");
    row("telnet", "user, host, port", {"/l", "bob", "h", "2323"}, "-l bob h 2323");
    row("telnet", "user without host", {"-l", "bob"}, "exit 1: telnet [-a]");
    row("arp", "-a without names", {"/a"}, "-a -n");
    row("arp", "-g, one host", {"-g", "10.0.0.1"}, "-a -n 10.0.0.1");
    row("arp", "delete all", {"-d", "*"}, "ip neigh flush all");
    row("arp", "add", {"-s", "10.0.0.5", "00-AA-00-62-c6-09"}, "-s 10.0.0.5 00:aa:00:62:c6:09");
    row("arp", "five bytes", {"-s", "10.0.0.5", "00-aa-00-62-c6"}, "exit 1: The ARP entry addition failed");
    row("arp", "mixed separators", {"-s", "10.0.0.5", "00-aa:00-62-c6-09"}, "exit 1: The ARP entry addition failed");
    row("arp", "no arguments", {}, "exit 1: Displays and modifies");
    row("netstat", "connections", {}, "-A inet,inet6");
    row("netstat", "combined", {"-an"}, "-A inet,inet6 -a -n");
    row("netstat", "slashes, owners", {"/N", "/a", "/o"}, "-A inet,inet6 -a -n -p");
    row("netstat", "routes in numbers", {"-a", "-r"}, "-r -n -A inet,inet6");
    row("netstat", "ethernet and protocols", {"-s", "-e"}, "statistics | -s");
    row("netstat", "udp v6", {"-np", "UDPv6"}, "-A inet6 --udp -n");
    row("netstat", "proto not last", {"-pn", "tcp"}, "exit 1: Displays protocol");
    row("netstat", "interval never ends", {"5"}, "exit 1: Displays protocol");
    row("ipconfig", "the window's line", {}, "show");
    row("ipconfig", "all", {"-ALL"}, "all");
    row("ipconfig", "renew some", {"/renew", "eth*"}, "renew eth*");
    row("ipconfig", "adapter first", {"eth0", "/renew"}, "exit 1: Error: unrecognized");
    row("ipconfig", "/all with adapter", {"/all", "eth0"}, "exit 1: Error: unrecognized");
    // clang-format on
}

void tst_CompatArgs::translate()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const QString actual = describe(program, arguments);
    if (expected.startsWith(QStringLiteral("exit ")))
        QVERIFY2(actual.startsWith(expected), qPrintable(actual));
    else
        QCOMPARE(actual, expected);
}

void tst_CompatArgs::terminal_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("line");
    const QStringList command = {QStringLiteral("/usr/bin/telnet"), QStringLiteral("h")};
    // clang-format off
    QTest::newRow("the Debian choice first") << QStringList{"xterm", "x-terminal-emulator"} << QStringList{"/t/x-terminal-emulator", "-e"} + command;
    QTest::newRow("gnome before xterm") << QStringList{"xterm", "gnome-terminal"} << QStringList{"/t/gnome-terminal", "--"} + command;
    QTest::newRow("one string") << QStringList{"lxterminal"} << QStringList{"/t/lxterminal", "-e", "'/usr/bin/telnet' 'h'"};
    QTest::newRow("no option") << QStringList{"kitty"} << QStringList{"/t/kitty"} + command;
    QTest::newRow("none installed") << QStringList{} << QStringList{};
    // clang-format on
}

void tst_CompatArgs::terminal()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, line);
    const auto find = [&installed](const QString &name) {
        return installed.contains(name) ? QStringLiteral("/t/") + name : QString();
    };
    QCOMPARE(terminalCommand(find, {QStringLiteral("/usr/bin/telnet"), QStringLiteral("h")}), line);
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
