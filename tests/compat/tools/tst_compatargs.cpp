// The Windows command lines the console programs accept and what each becomes on Linux, and
// the texts they build themselves: ipconfig's fields, leases and DHCP choices, netstat -e.
#include "ArpArgs.h"
#include "DhcpPlan.h"
#include "Ipconfig.h"
#include "NetstatArgs.h"
#include "NslookupArgs.h"
#include "PingArgs.h"
#include "TelnetTerminal.h"
#include "TestFiles.h"
#include "TracertArgs.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace compat;

namespace {

// The Linux arguments, or "exit N: " and what the program prints instead.
QString line(const Translation &translation)
{
    return translation.runs() ? translation.arguments.join(u' ')
                              : QStringLiteral("exit %1: %2").arg(translation.exitCode).arg(translation.text);
}

QString failure(const QString &text)
{
    return line(Translation::say(text));
}

// The fields of a text without its layout: label and value joined by ": ", every run of blanks
// as one.
QString fields(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("[ .]*: ")), QStringLiteral(": ")).simplified();
}

} // namespace

class tst_CompatArgs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void translate();
    void ipconfigFields();
    void dhclientLease();
    void dhcpPlan();
    void interfaceStatistics();
};

// What each program makes of a command line.
void tst_CompatArgs::translate()
{
    const auto ping = [](const QStringList &arguments) { return line(translatePing(arguments)); };
    const auto tracert = [](const QStringList &arguments) { return line(translateTracert(arguments)); };
    const auto nslookup = [](const QStringList &arguments) { return line(translateNslookup(arguments)); };
    const auto telnet = [](const QStringList &arguments) { // and the window's title
        const Translation translation = translateTelnet(arguments);
        return line(translation) + " (" + telnetWindowTitle(translation.arguments) + u')';
    };
    const auto terminal = [](const QStringList &installed) {
        const auto find = [&](const QString &name) { return installed.contains(name) ? "/t/" + name : QString(); };
        return terminalCommand(find, QStringLiteral("T"), {QStringLiteral("/usr/bin/telnet"), QStringLiteral("h")})
            .join(u' ');
    };
    const auto arp = [](const QStringList &arguments) {
        const ArpCommand command = translateArp(arguments);
        return (command.flushAll ? QStringLiteral("ip ") : QString()) + line(command.translation);
    };
    const auto netstat = [](const QStringList &arguments) {
        const NetstatPlan plan = translateNetstat(arguments);
        QStringList runs = plan.interfaceStatistics ? QStringList{QStringLiteral("statistics")} : QStringList{};
        for (const QStringList &run : plan.netstatRuns)
            runs << run.join(u' ');
        return plan.text.isEmpty() ? runs.join(QStringLiteral(" | "))
                                   : line(Translation::say(plan.text, plan.exitCode));
    };
    const auto ipconfig = [](const QStringList &arguments) {
        const IpconfigRequest request = parseIpconfigArgs(arguments);
        const QString action = QStringList{"show", "all", "renew", "release", "text"}.at(int(request.action));
        return request.text.isEmpty() ? (action + u' ' + request.adapter).trimmed()
                                      : line(Translation::say(request.text, request.exitCode));
    };
    const std::tuple<const char *, QString, QString> rows[] = {
        // clang-format off
        {"ping: count after target", ping({"127.0.0.1", "-n", "2"}), "-O -n -c 2 127.0.0.1"},
        {"ping: -t beats -n", ping({"-n", "2", "-t", "h"}), "-O -n h"},
        {"ping: -a asks for names, rings no bell", ping({"-a", "h"}), "-O -c 4 h"},
        {"ping: size ttl timeout", ping({"-l", "1000", "-i", "10", "-w", "1500", "-6", "h"}), "-O -n -s 1000 -t 10 -W 1.5 -6 -c 4 h"},
        {"ping: zero timeout is not forever", ping({"-w", "0", "h"}), "-O -n -W 0.001 -c 4 h"},
        {"ping: options, no target", ping({"-n", "2"}), failure(pingUsage())},
        {"ping: unknown option", ping({"-x", "h"}), failure("Bad option -x.\n" + pingUsage())},
        {"ping: missing value", ping({"h", "-n"}), failure("Value must be supplied for option -n.\n" + pingUsage())},
        {"ping: count zero", ping({"-n", "0", "h"}), "exit 1: Bad value for option -n, valid range is from 1 to 4294967295.\n"},
        {"tracert: the window's line", tracert({"-d", "-h", "5", "-w", "200", "10.0.0.1"}), "-n -w 0.2 -m 5 10.0.0.1"},
        {"tracert: short wait raised", tracert({"-w", "50", "h"}), "-w 0.1 -m 30 h"},
        {"tracert: window's line without target", tracert({"-d", "-h", "5", "-w", "200"}), failure(tracertUsage())},
        {"nslookup: own options win", nslookup({"/timeout=5", "-type=mx", "x", "127.0.0.12"}), "-timeout=2 -retry=2 -timeout=5 -type=mx x 127.0.0.12"},
        {"nslookup: no name", nslookup({"-type=mx"}), failure(nslookupUsage())},
        {"nslookup: dash is interactive", nslookup({"-", "127.0.0.1"}), failure(nslookupUsage())},
        {"telnet: the prompt", telnet({}), " (Telnet)"},
        {"telnet: user, host, port", telnet({"/l", "bob", "-a", "h", "2323"}), "-l bob -a h 2323 (telnet h 2323)"},
        {"terminal: the Debian choice first, untitled when unknown", terminal({"xterm", "x-terminal-emulator"}), "/t/x-terminal-emulator -e /usr/bin/telnet h"},
        {"terminal: gnome before xterm", terminal({"xterm", "gnome-terminal"}), "/t/gnome-terminal --title T -- /usr/bin/telnet h"},
        {"terminal: konsole titles its tab", terminal({"konsole"}), "/t/konsole -p tabtitle=T -e /usr/bin/telnet h"},
        {"terminal: none installed", terminal({}), ""},
        {"arp: -a without names", arp({"/a"}), "-a -n"},
        {"arp: delete all", arp({"-d", "*"}), "ip neigh flush all"},
        {"arp: add", arp({"-s", "10.0.0.5", "00-AA-00-62-c6-09"}), "-s 10.0.0.5 00:aa:00:62:c6:09"},
        {"arp: mixed separators", arp({"-s", "10.0.0.5", "00-aa:00-62-c6-09"}),
            "exit 1: The ARP entry addition failed: 00-aa:00-62-c6-09 is not a physical address of 6 hexadecimal "
            "bytes separated by hyphens.\n"},
        {"netstat: slashes, owners", netstat({"/N", "/a", "/o"}), "-A inet,inet6 -a -n -p"},
        {"netstat: routes in numbers", netstat({"-a", "-r"}), "-r -n -A inet,inet6"},
        {"netstat: ethernet and protocols", netstat({"-s", "-e"}), "statistics | -s"},
        {"netstat: udp v6", netstat({"-np", "UDPv6"}), "-A inet6 --udp -n"},
        {"netstat: interval never ends", netstat({"5"}), failure(netstatUsage())},
        {"ipconfig: the window's line", ipconfig({}), "show"},
        {"ipconfig: renew some", ipconfig({"/renew", "eth*"}), "renew eth*"},
        {"ipconfig: adapter first", ipconfig({"eth0", "/renew"}), failure("Error: unrecognized or incomplete command line.\n" + ipconfigUsage())},
        // clang-format on
    };
    for (const auto &[name, made, expected] : rows)
        QVERIFY2(made == expected, qPrintable(name + QStringLiteral(": ") + made));
}

void tst_CompatArgs::ipconfigFields()
{
    IpconfigFacts facts;
    facts.adapters = parseIpAddr(R"([
 {"ifindex":2,"ifname":"eth0","flags":["UP","LOWER_UP"],"link_type":"ether","address":"02:fc:0a:0b:0c:0d","addr_info":[
  {"family":"inet","local":"192.168.1.10","prefixlen":24,"scope":"global","dynamic":true},
  {"family":"inet6","local":"2001:db8::5","prefixlen":64,"scope":"global","dynamic":true,"preferred_life_time":14000},
  {"family":"inet6","local":"2001:db8::77","prefixlen":64,"scope":"global","temporary":true,"preferred_life_time":0},
  {"family":"inet6","local":"fe80::fc:aff:fe0b:c0d","prefixlen":64,"scope":"link"}]},
 {"ifname":"wlan0","flags":["UP"],"operstate":"DOWN","link_type":"ether","address":"aa:bb:cc:dd:ee:ff","addr_info":[]}])");
    facts.defaultRoutes = parseDefaultRoutes(R"([{"dst":"default","gateway":"192.168.1.1","dev":"eth0"},
        {"dst":"192.168.1.0/24","dev":"eth0"},{"dst":"default","gateway":"fe80::1","dev":"eth0"}])");
    readResolvConf(
        QStringLiteral("# x\nsearch corp.example lab.example\nnameserver 192.168.1.1\nnameserver  2001:db8::53\n"),
        facts.host);
    const QDateTime obtained(QDate(2026, 12, 7), QTime(9, 30), Qt::LocalTime);
    const Lease lease{obtained, obtained.addDays(1), QStringLiteral("192.168.1.1"), QStringLiteral("corp.example")};
    facts.adapterFacts.insert(QStringLiteral("eth0"), {QStringLiteral("e1000e"), false, lease});
    facts.adapterFacts.insert(QStringLiteral("wlan0"), {QStringLiteral("iwlwifi"), true, std::nullopt});
    const QString shown = formatIpconfig(facts, true);
    QCOMPARE(fields(shown),
             "Linux IP Configuration Host Name: Primary Dns Suffix: IP Routing Enabled: No DNS Suffix Search List: "
             "corp.example lab.example Ethernet adapter eth0: Connection-specific DNS Suffix: corp.example "
             "Description: e1000e Physical Address: 02-FC-0A-0B-0C-0D DHCP Enabled: Yes "
             "IPv6 Address: 2001:db8::5(Preferred) Temporary IPv6 Address: 2001:db8::77(Deprecated) "
             "Link-local IPv6 Address: fe80::fc:aff:fe0b:c0d%2(Preferred) IPv4 Address: 192.168.1.10(Preferred) "
             "Subnet Mask: 255.255.255.0 Lease Obtained: Monday, December 7, 2026 9:30:00 AM "
             "Lease Expires: Tuesday, December 8, 2026 9:30:00 AM Default Gateway: fe80::1%2 192.168.1.1 "
             "DHCP Server: 192.168.1.1 DNS Servers: 192.168.1.1 2001:db8::53 Wireless LAN adapter wlan0: "
             "Media State: Media disconnected Connection-specific DNS Suffix: Description: iwlwifi "
             "Physical Address: AA-BB-CC-DD-EE-FF");
    QSet<qsizetype> valueColumns; // also of a value continued on the next line
    for (const QString &text : shown.split(u'\n').filter(QRegularExpression(QStringLiteral("^ "))))
        valueColumns << (text.contains(u". : ") ? text.indexOf(u':') + 2 : text.size() - text.trimmed().size());
    QCOMPARE(valueColumns.size(), 1);
}

void tst_CompatArgs::dhclientLease()
{
    const QString text = QStringLiteral(
        "default-duid \"\\000\\001\";\nlease {\n  interface \"eth0\";\n  option dhcp-lease-time 3600;\n"
        "  option dhcp-server-identifier 192.168.1.254;\n  expire 1 2026/12/07 09:00:00;\n}\n"
        "lease {\n  interface \"wlan0\";\n  option dhcp-lease-time 60;\n  expire 2 2026/12/08 10:00:00;\n}\n"
        "lease {\n  interface \"eth0\";\n  option dhcp-lease-time 86400;\n  option domain-name \"corp.example\";\n"
        "  option dhcp-server-identifier 192.168.1.1;\n  expire 2 2026/12/08 10:00:00;\n}\n"
        "lease {\n  interface \"eth1\";\n  expire epoch 1796724000; # no lease time\n}\n");
    const Lease eth0 = parseDhclientLease(text, QStringLiteral("eth0")).value_or(Lease{}); // the newest
    QCOMPARE(eth0.expires, QDateTime(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC));
    QCOMPARE(eth0.obtained, QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC));
    QCOMPARE(eth0.server + u' ' + eth0.domain, QStringLiteral("192.168.1.1 corp.example"));
    QCOMPARE(parseDhclientLease(text, QStringLiteral("eth1")).value_or(Lease{}).expires.toSecsSinceEpoch(), 1796724000);
    QVERIFY(!parseDhclientLease(text, QStringLiteral("eth2")));
}

void tst_CompatArgs::dhcpPlan()
{
    // "-sf eth7": an option's value, not an interface.
    const QString daemon = QStringLiteral("dhclient -4 -d -sf eth7 -pf /run/d.pid -lf /l eth0");
    // The name, renew or release, the pattern, the setup ("nm", "dhclient ARGS" or "declared"), the
    // steps planned and the text.
    const std::tuple<const char *, bool, QString, QString, QStringList, QString> rows[] = {
        // clang-format off
        {"nm renew", true, "", "nm", {"nmcli device connect eth0", "nmcli device connect wlan0"}, {}},
        {"nm release", false, "", "nm", {"nmcli device disconnect eth0"}, {}},
        {"daemon renew: restarted, not in the foreground", true, "eth0", daemon,
         {"dhclient -x -pf /run/d.pid -lf /l eth0", "dhclient -4 -sf eth7 -pf /run/d.pid -lf /l eth0"}, {}},
        {"daemon, option value", true, "eth7", daemon, {}, noAdapterText()},
        // dhclient -r or -x without names would act on every interface: the chosen are named, and a
        // daemon that served others comes back for them.
        {"daemon for every interface", false, "", "dhclient", {"dhclient -r eth0 eth1 wlan0"}, {}},
        {"daemon for every interface, release one", false, "eth0", "dhclient",
         {"dhclient -r eth0", "dhclient eth1 wlan0"}, {}},
        {"daemon for two, renew one", true, "ETH1", "dhclient -pf /run/d.pid eth0 eth1",
         {"dhclient -x -pf /run/d.pid eth1", "dhclient -pf /run/d.pid eth0 eth1"}, {}},
        {"declared, renew", true, "", "declared",
         {"dhclient -pf /run/dhclient.eth1.pid -lf /var/lib/dhcp/dhclient.eth1.leases eth1"}, {}},
        // clang-format on
    };
    for (const auto &[name, renew, pattern, setup, steps, text] : rows) {
        DhcpClients clients;
        clients.interfaces = QStringList{"lo", "eth0", "eth1", "wlan0"};
        clients.networkManagerRunning = clients.nmcliInstalled = setup == u"nm";
        clients.dhclientInstalled = !clients.networkManagerRunning;
        clients.nmDevices = parseNmcliDevices(QStringLiteral("eth0:ethernet:connected\nwlan0:wifi:disconnected\n"
                                                             "lo:loopback:unmanaged\neth1:ethernet:unavailable\n"));
        if (setup.startsWith(QStringLiteral("dhclient")))
            clients.dhclients = {describeDhclient(setup.split(u' ').mid(1))};
        if (setup == u"declared") // eth9 is not there; eth3's line is a comment, eth4's is static
            clients.declaredDhcp = parseDeclaredDhcp(
                QStringLiteral("iface lo inet loopback\n  iface  eth1 inet   dhcp\n# iface eth3 inet dhcp\n"
                               "iface eth4 inet static\niface eth9 inet dhcp\n"));
        const DhcpPlan plan = planDhcp(renew, pattern, clients);
        QStringList planned;
        for (const DhcpStep &step : plan.steps)
            planned << (step.program == DhcpStep::Nmcli ? "nmcli " : "dhclient ") + step.arguments.join(u' ');
        QVERIFY2(planned == steps && plan.text == text, qPrintable(name + (": " + planned.join(u'|') + plan.text)));
    }
}

void tst_CompatArgs::interfaceStatistics()
{
    QTemporaryDir sys; // as /sys/class/net
    const QString files =
        QStringLiteral("lo/statistics/rx_bytes=5000 lo/statistics/tx_bytes=5000 lo/statistics/rx_packets=50 "
                       "lo/statistics/tx_packets=50 eth0/statistics/rx_bytes=8000000000 eth0/statistics/tx_bytes=700 "
                       "eth0/statistics/rx_packets=900 eth0/statistics/tx_packets=7 eth0/statistics/multicast=100 "
                       "eth0/statistics/rx_dropped=3 eth0/statistics/tx_dropped=1 eth0/statistics/rx_errors=2 "
                       "eth0/statistics/tx_errors=4 eth0/statistics/rx_nohandler=6");
    for (const QString &entry : files.split(u' '))
        writeFile(sys.filePath(entry.section(u'=', 0, 0)), entry.section(u'=', 1).toLatin1());
    QCOMPARE(
        fields(formatInterfaceStatistics(readInterfaceCounters(sys.path()))),
        "Interface Statistics Received Sent Bytes 8000005000 5700 Unicast packets 850 57 Non-unicast packets 100 0 "
        "Discards 3 1 Errors 2 4 Unknown protocols 6 Interface Received bytes Sent bytes Recv. packets "
        "Sent packets eth0 8000000000 700 900 7 lo 5000 5000 50 50");
}

QTEST_GUILESS_MAIN(tst_CompatArgs)
#include "tst_compatargs.moc"
