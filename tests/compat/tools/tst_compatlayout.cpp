// The texts the console programs build themselves: ipconfig's Windows layout from ip(8)'s
// JSON, its leases and DHCP choices, and netstat's interface statistics.
#include "DhcpPlan.h"
#include "Ipconfig.h"
#include "NetstatArgs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace compat;

namespace {

const char addresses[] = R"([
 {"ifname":"lo","flags":["LOOPBACK","UP"],"link_type":"loopback","address":"00:00:00:00:00:00","addr_info":[
  {"family":"inet","local":"127.0.0.1","prefixlen":8,"scope":"host"},{"family":"inet6","local":"::1","prefixlen":128}]},
 {"ifindex":2,"ifname":"eth0","flags":["UP","LOWER_UP"],"link_type":"ether","address":"02:fc:0a:0b:0c:0d","addr_info":[
  {"family":"inet","local":"192.168.1.10","prefixlen":24,"scope":"global","dynamic":true},
  {"family":"inet","local":"10.1.2.3","prefixlen":16,"scope":"global"},
  {"family":"inet6","local":"2001:db8::5","prefixlen":64,"scope":"global","dynamic":true,"preferred_life_time":14000},
  {"family":"inet6","local":"2001:db8::77","prefixlen":64,"scope":"global","temporary":true,"preferred_life_time":0},
  {"family":"inet6","local":"fe80::fc:aff:fe0b:c0d","prefixlen":64,"scope":"link"}]},
 {"ifname":"wlan0","flags":["UP"],"operstate":"DOWN","link_type":"ether","address":"aa:bb:cc:dd:ee:ff","addr_info":[]},
 {"ifname":"tun0","flags":["POINTOPOINT","UP","LOWER_UP"],"link_type":"none",
  "addr_info":[{"family":"inet","local":"10.8.0.2","prefixlen":32,"scope":"global"}]}
])";

const char routes4[] = R"([{"dst":"default","gateway":"192.168.1.1","dev":"eth0"},
 {"dst":"192.168.1.0/24","dev":"eth0","prefsrc":"192.168.1.10"}])";
const char routes6[] = R"([{"dst":"default","gateway":"fe80::1","dev":"eth0"},{"dst":"2001:db8::/64","dev":"eth0"}])";

IpconfigFacts fixture()
{
    IpconfigFacts facts;
    facts.adapters = parseIpAddr(addresses);
    facts.defaultRoutes = parseDefaultRoutes(routes4) + parseDefaultRoutes(routes6);
    return facts;
}

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

class tst_CompatLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowsLayout();
    void allDetails();
    void dhclientLease();
    void dhcpPlan_data();
    void dhcpPlan();
    void interfaceStatistics();
};

void tst_CompatLayout::windowsLayout()
{
    const QString expected = QStringLiteral("\nLinux IP Configuration\n\n"
                                            "\nLoopback adapter lo:\n\n"
                                            "   Connection-specific DNS Suffix  . : \n"
                                            "   IPv6 Address. . . . . . . . . . . : ::1\n"
                                            "   IPv4 Address. . . . . . . . . . . : 127.0.0.1\n"
                                            "   Subnet Mask . . . . . . . . . . . : 255.0.0.0\n"
                                            "   Default Gateway . . . . . . . . . : \n"
                                            "\nEthernet adapter eth0:\n\n"
                                            "   Connection-specific DNS Suffix  . : \n"
                                            "   IPv6 Address. . . . . . . . . . . : 2001:db8::5\n"
                                            "   Temporary IPv6 Address. . . . . . : 2001:db8::77\n"
                                            "   Link-local IPv6 Address . . . . . : fe80::fc:aff:fe0b:c0d%2\n"
                                            "   IPv4 Address. . . . . . . . . . . : 192.168.1.10\n"
                                            "   Subnet Mask . . . . . . . . . . . : 255.255.255.0\n"
                                            "   IPv4 Address. . . . . . . . . . . : 10.1.2.3\n"
                                            "   Subnet Mask . . . . . . . . . . . : 255.255.0.0\n"
                                            "   Default Gateway . . . . . . . . . : fe80::1%2\n"
                                            "                                       192.168.1.1\n"
                                            "\nEthernet adapter wlan0:\n\n"
                                            "   Media State . . . . . . . . . . . : Media disconnected\n"
                                            "   Connection-specific DNS Suffix  . : \n"
                                            "\nTunnel adapter tun0:\n\n"
                                            "   Connection-specific DNS Suffix  . : \n"
                                            "   IPv4 Address. . . . . . . . . . . : 10.8.0.2\n"
                                            "   Subnet Mask . . . . . . . . . . . : 255.255.255.255\n"
                                            "   Default Gateway . . . . . . . . . : \n");
    QCOMPARE(formatIpconfig(fixture(), false), expected);
}

void tst_CompatLayout::allDetails()
{
    IpconfigFacts facts = fixture();
    readResolvConf(QStringLiteral("# comment\nsearch corp.example lab.example\nnameserver 192.168.1.1\n"
                                  "nameserver  2001:db8::53\noptions ndots:2\n"),
                   facts.host);
    facts.host.hostName = QStringLiteral("pc1");
    Lease lease;
    lease.obtained = QDateTime(QDate(2026, 12, 7), QTime(9, 30), Qt::LocalTime);
    lease.expires = lease.obtained.addDays(1);
    lease.server = QStringLiteral("192.168.1.1");
    lease.domain = QStringLiteral("corp.example");
    facts.adapterFacts.insert(QStringLiteral("eth0"), {QStringLiteral("e1000e"), false, lease});
    facts.adapterFacts.insert(QStringLiteral("wlan0"), {QStringLiteral("iwlwifi"), true, std::nullopt});
    const QString text = formatIpconfig(facts, true);

    const QStringList wanted = {
        QStringLiteral("   Host Name . . . . . . . . . . . . : pc1\n"),
        QStringLiteral("   DNS Suffix Search List. . . . . . : corp.example\n"
                       "                                       lab.example\n"),
        QStringLiteral("\nEthernet adapter eth0:\n\n"
                       "   Connection-specific DNS Suffix  . : corp.example\n"
                       "   Description . . . . . . . . . . . : e1000e\n"
                       "   Physical Address. . . . . . . . . : 02-FC-0A-0B-0C-0D\n"
                       "   DHCP Enabled. . . . . . . . . . . : Yes\n"
                       "   IPv6 Address. . . . . . . . . . . : 2001:db8::5(Preferred)\n"
                       "   Temporary IPv6 Address. . . . . . : 2001:db8::77(Deprecated)\n"),
        QStringLiteral("   Subnet Mask . . . . . . . . . . . : 255.255.0.0\n"
                       "   Lease Obtained. . . . . . . . . . : Monday, December 7, 2026 9:30:00 AM\n"
                       "   Lease Expires . . . . . . . . . . : Tuesday, December 8, 2026 9:30:00 AM\n"),
        QStringLiteral("   DHCP Server . . . . . . . . . . . : 192.168.1.1\n"
                       "   DNS Servers . . . . . . . . . . . : 192.168.1.1\n"
                       "                                       2001:db8::53\n"),
        QStringLiteral("\nWireless LAN adapter wlan0:\n\n   Media State"),
    };
    for (const QString &part : wanted)
        QVERIFY2(text.contains(part), qPrintable(part + QStringLiteral("\n---- not in ----\n") + text));
}

void tst_CompatLayout::dhclientLease()
{
    const QString text = QStringLiteral(
        "default-duid \"\\000\\001\";\nlease {\n  interface \"eth0\";\n  option dhcp-lease-time 3600;\n"
        "  option dhcp-server-identifier 192.168.1.254;\n  expire 1 2026/12/07 09:00:00;\n}\n"
        "lease {\n  interface \"wlan0\";\n  option dhcp-lease-time 60;\n  expire 2 2026/12/08 10:00:00;\n}\n"
        "lease {\n  interface \"eth0\";\n  option dhcp-lease-time 86400;\n  option dhcp-server-identifier "
        "192.168.1.1;\n"
        "  option domain-name \"corp.example\";\n  expire 2 2026/12/08 10:00:00;\n}\n"
        "lease {\n  interface \"eth1\";\n  expire epoch 1796724000; # no lease time\n}\n");
    const std::optional<Lease> eth0 = parseDhclientLease(text, QStringLiteral("eth0"));
    QVERIFY(eth0);
    QCOMPARE(eth0->expires, QDateTime(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC));
    QCOMPARE(eth0->obtained, QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC));
    QCOMPARE(eth0->server, QStringLiteral("192.168.1.1"));
    QCOMPARE(eth0->domain, QStringLiteral("corp.example"));

    QCOMPARE(parseDhclientLease(text, QStringLiteral("eth1")).value_or(Lease{}).expires.toSecsSinceEpoch(), 1796724000);
    QVERIFY(!parseDhclientLease(text, QStringLiteral("eth2")));
}

void tst_CompatLayout::dhcpPlan_data()
{
    QTest::addColumn<bool>("renew");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("setup"); // "nm", "nm, no nmcli", "dhclient ARGS", "declared" or "" (nothing)
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");

    const QString noAdapter = noAdapterText(), noClient = noClientText();
    // "-sf eth7": an option's value, not an interface.
    const QString daemon = QStringLiteral("dhclient -4 -d -sf eth7 -pf /run/d.pid -lf /l eth0");
    // clang-format off
    QTest::newRow("nm renew") << true << "" << "nm" << QStringList{"nmcli device connect eth0", "nmcli device connect wlan0"} << "";
    QTest::newRow("nm release") << false << "" << "nm" << QStringList{"nmcli device disconnect eth0"} << "";
    QTest::newRow("nm renew by pattern") << true << "WL*" << "nm" << QStringList{"nmcli device connect wlan0"} << "";
    QTest::newRow("nm nothing to release") << false << "wl*" << "nm" << QStringList{} << noAdapter;
    QTest::newRow("nm without nmcli") << true << "" << "nm, no nmcli" << QStringList{} << noClient;
    QTest::newRow("daemon release") << false << "" << daemon << QStringList{"dhclient -r -pf /run/d.pid -lf /l eth0"} << "";
    QTest::newRow("daemon renew: restarted, not in the foreground") << true << "eth0" << daemon
        << QStringList{"dhclient -x -pf /run/d.pid -lf /l eth0", "dhclient -4 -sf eth7 -pf /run/d.pid -lf /l eth0"} << "";
    QTest::newRow("daemon, option value") << true << "eth7" << daemon << QStringList{} << noAdapter;
    QTest::newRow("daemon for every interface") << false << "" << "dhclient" << QStringList{"dhclient -r"} << "";
    QTest::newRow("declared, renew") << true << "" << "declared"
        << QStringList{"dhclient -pf /run/dhclient.eth1.pid -lf /var/lib/dhcp/dhclient.eth1.leases eth1"} << "";
    QTest::newRow("nothing manages an adapter") << true << "" << "" << QStringList{} << noClient;
    // clang-format on
}

void tst_CompatLayout::dhcpPlan()
{
    QFETCH(bool, renew);
    QFETCH(QString, pattern);
    QFETCH(QString, setup);
    QFETCH(QStringList, steps);
    QFETCH(QString, text);

    DhcpClients clients;
    clients.interfaces = QStringList{"lo", "eth0", "eth1", "wlan0"};
    clients.networkManagerRunning = setup.startsWith(QStringLiteral("nm"));
    clients.dhclientInstalled = !clients.networkManagerRunning;
    clients.nmcliInstalled = setup == u"nm";
    clients.nmDevices = parseNmcliDevices(QStringLiteral("eth0:ethernet:connected\nwlan0:wifi:disconnected\n"
                                                         "lo:loopback:unmanaged\neth1:ethernet:unavailable\n"));
    if (setup.startsWith(QStringLiteral("dhclient")))
        clients.dhclients = {describeDhclient(setup.split(u' ').mid(1))};
    if (setup == u"declared") // eth9 is not there; eth3's line is a comment, eth4's is static
        clients.declaredDhcp = parseDeclaredDhcp(QStringLiteral("iface lo inet loopback\n  iface  eth1 inet   dhcp\n"
                                                                "# iface eth3 inet dhcp\niface eth4 inet static\n"
                                                                "iface eth9 inet dhcp\n"));
    const DhcpPlan plan = planDhcp(renew, pattern, clients);
    QStringList planned;
    for (const DhcpStep &step : plan.steps)
        planned << (step.tool == DhcpStep::Nmcli ? "nmcli " : "dhclient ") + step.arguments.join(u' ');
    QCOMPARE(planned, steps);
    QCOMPARE(plan.text, text);
}

void tst_CompatLayout::interfaceStatistics()
{
    QTemporaryDir sys;
    const QString counters =
        QStringLiteral("lo/rx_bytes=5000 lo/tx_bytes=5000 lo/rx_packets=50 lo/tx_packets=50 eth0/rx_bytes=8000000000 "
                       "eth0/tx_bytes=700 "
                       "eth0/rx_packets=900 eth0/tx_packets=7 eth0/multicast=100 eth0/rx_dropped=3 eth0/tx_dropped=1 "
                       "eth0/rx_errors=2 eth0/tx_errors=4 eth0/rx_nohandler=6");
    for (const QString &counter : counters.split(u' '))
        writeFile(sys.filePath(counter.section(u'/', 0, 0) + QStringLiteral("/statistics/") +
                               counter.section(u'/', 1).section(u'=', 0, 0)),
                  counter.section(u'=', 1).toLatin1());
    writeFile(sys.filePath(QStringLiteral("bonding_masters")), "\n"); // neither has counters
    QVERIFY(QDir(sys.path()).mkdir(QStringLiteral("nostats")));

    QCOMPARE(formatInterfaceStatistics(readInterfaceCounters(sys.path())),
             QStringLiteral("Interface Statistics\n\n"
                            "                           Received            Sent\n\n"
                            "Bytes                    8000005000            5700\n"
                            "Unicast packets                 850              57\n"
                            "Non-unicast packets             100               0\n"
                            "Discards                          3               1\n"
                            "Errors                            2               4\n"
                            "Unknown protocols                 6\n"
                            "\n"
                            "Interface        Received bytes      Sent bytes   Recv. packets    Sent packets\n"
                            "eth0                 8000000000             700             900               7\n"
                            "lo                         5000            5000              50              50\n"));
}

QTEST_GUILESS_MAIN(tst_CompatLayout)
#include "tst_compatlayout.moc"
