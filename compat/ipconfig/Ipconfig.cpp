#include "Ipconfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

namespace compat {

QString ipconfigUsage()
{
    return QStringLiteral("\n"
                          "USAGE:\n"
                          "    ipconfig [/? | /all | /renew [adapter] | /release [adapter]]\n"
                          "\n"
                          "where\n"
                          "    adapter         Connection name\n"
                          "                   (wildcard characters * and ? allowed, see examples)\n"
                          "\n"
                          "    Options:\n"
                          "       /?           Display this help message\n"
                          "       /all         Display full configuration information.\n"
                          "       /release     Release the IPv4 address for the specified adapter.\n"
                          "       /renew       Renew the IPv4 address for the specified adapter.\n"
                          "\n"
                          "The default is to display only the IP address, subnet mask and\n"
                          "default gateway for each adapter bound to TCP/IP.\n"
                          "\n"
                          "Examples:\n"
                          "    > ipconfig                   ... Show information\n"
                          "    > ipconfig /all              ... Show detailed information\n"
                          "    > ipconfig /renew            ... renew all adapters\n"
                          "    > ipconfig /renew eth*       ... renew any adapter whose name starts with eth\n"
                          "    > ipconfig /release wl*      ... release all matching adapters\n"
                          "\n");
}

IpconfigRequest parseIpconfigArgs(const QStringList &arguments)
{
    static const QList<OptionRule> rules = {
        {QStringLiteral("all")}, {QStringLiteral("renew")}, {QStringLiteral("release")}, {QStringLiteral("?")}};
    const auto fail = [] {
        return IpconfigRequest{IpconfigAction::Text,
                               {},
                               QStringLiteral("Error: unrecognized or incomplete command line.\n") + ipconfigUsage(),
                               1};
    };
    const ParsedArgs parsed = parseWindowsArgs(arguments, rules);
    if (!parsed.error.isEmpty() || parsed.options.size() > 1)
        return fail();
    if (parsed.options.isEmpty())
        return parsed.operands.isEmpty() ? IpconfigRequest{} : fail();
    const QString &name = parsed.options.constFirst().name;
    if (name == u"?")
        return {IpconfigAction::Text, {}, ipconfigUsage(), 0};
    if (name == u"all")
        return parsed.operands.isEmpty() ? IpconfigRequest{IpconfigAction::ShowAll, {}, {}, 0} : fail();
    // The adapter name comes after the option.
    if (parsed.operands.size() > 1 ||
        (!parsed.operands.isEmpty() &&
         arguments.indexOf(parsed.operands.constFirst()) < arguments.indexOf(parsed.options.constFirst().written)))
        return fail();
    return {name == u"renew" ? IpconfigAction::Renew : IpconfigAction::Release, parsed.operands.value(0), {}, 0};
}

bool Adapter::dhcp() const
{
    for (const IpAddress &address : addresses) {
        if (!address.v6 && address.dynamic)
            return true;
    }
    return false;
}

QList<Adapter> parseIpAddr(const QByteArray &json)
{
    QList<Adapter> adapters;
    const QJsonArray links = QJsonDocument::fromJson(json).array();
    for (const QJsonValue &value : links) {
        const QJsonObject link = value.toObject();
        Adapter adapter;
        adapter.index = link.value(u"ifindex").toInt();
        adapter.name = link.value(u"ifname").toString();
        if (adapter.name.isEmpty())
            continue;
        adapter.linkType = link.value(u"link_type").toString();
        adapter.macAddress = link.value(u"address").toString();
        const QJsonArray flags = link.value(u"flags").toArray();
        adapter.up = flags.contains(QStringLiteral("UP")) && flags.contains(QStringLiteral("LOWER_UP"));
        for (const QJsonValue &entry : link.value(u"addr_info").toArray()) {
            const QJsonObject info = entry.toObject();
            const QString family = info.value(u"family").toString();
            if (family != u"inet" && family != u"inet6")
                continue;
            IpAddress address;
            address.v6 = family == u"inet6";
            address.local = info.value(u"local").toString();
            address.prefixLength = info.value(u"prefixlen").toInt();
            address.scope = info.value(u"scope").toString();
            address.dynamic = info.value(u"dynamic").toBool();
            address.temporary = info.value(u"temporary").toBool();
            address.deprecated =
                info.value(u"deprecated").toBool() || info.value(u"preferred_life_time").toInteger(-1) == 0;
            if (!address.local.isEmpty())
                adapter.addresses.append(address);
        }
        adapters.append(adapter);
    }
    return adapters;
}

QList<Route> parseDefaultRoutes(const QByteArray &json)
{
    QList<Route> routes;
    for (const QJsonValue &value : QJsonDocument::fromJson(json).array()) {
        const QJsonObject route = value.toObject();
        const QString destination = route.value(u"dst").toString();
        const QString gateway = route.value(u"gateway").toString();
        if ((destination == u"default" || destination == u"0.0.0.0/0" || destination == u"::/0") && !gateway.isEmpty())
            routes.append({route.value(u"dev").toString(), gateway});
    }
    return routes;
}

namespace {

QDateTime dhclientTime(const QString &value)
{
    // "3 2026/12/09 01:00:00" (weekday, UTC) or "epoch 1765000000".
    const QStringList words = value.split(u' ', Qt::SkipEmptyParts);
    if (words.size() >= 2 && words.at(0) == u"epoch")
        return QDateTime::fromSecsSinceEpoch(words.at(1).toLongLong(), Qt::UTC);
    if (words.size() >= 3) {
        QDateTime time = QDateTime::fromString(words.at(1) + u' ' + words.at(2), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        time.setTimeSpec(Qt::UTC);
        return time;
    }
    return {};
}

QString unquoted(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.mid(1, text.size() - 2);
    return text;
}

} // namespace

std::optional<Lease> parseDhclientLease(const QString &text, const QString &interfaceName)
{
    std::optional<Lease> newest;
    static const QRegularExpression block(QStringLiteral("lease\\s*\\{([^}]*)\\}"));
    for (auto it = block.globalMatch(text); it.hasNext();) {
        const QString body = it.next().captured(1);
        Lease lease;
        QString interfaceOfLease;
        qlonglong lifetime = -1;
        for (QString statement : body.split(u';')) {
            statement = statement.trimmed();
            const QString keyword = statement.section(u' ', 0, 0);
            const QString rest = statement.section(u' ', 1).trimmed();
            if (keyword == u"interface") {
                interfaceOfLease = unquoted(rest);
            } else if (keyword == u"expire") {
                lease.expires = dhclientTime(rest);
            } else if (keyword == u"option") {
                const QString name = rest.section(u' ', 0, 0);
                const QString value = rest.section(u' ', 1).trimmed();
                if (name == u"dhcp-server-identifier")
                    lease.server = value;
                else if (name == u"dhcp-lease-time")
                    lifetime = value.toLongLong();
                else if (name == u"domain-name")
                    lease.domain = unquoted(value);
            }
        }
        if (interfaceOfLease != interfaceName || !lease.expires.isValid())
            continue;
        if (lifetime >= 0)
            lease.obtained = lease.expires.addSecs(-lifetime);
        newest = lease; // later blocks are newer
    }
    return newest;
}

std::optional<Lease> parseKeyValueLease(const QString &text, const QDateTime &written)
{
    Lease lease;
    qlonglong lifetime = -1;
    for (const QString &line : text.split(u'\n')) {
        const QString key = line.section(u'=', 0, 0).trimmed();
        const QString value = line.section(u'=', 1).trimmed();
        if (key == u"LIFETIME")
            lifetime = value.toLongLong();
        else if (key == u"SERVER_ADDRESS")
            lease.server = value;
        else if (key == u"DOMAINNAME")
            lease.domain = value;
    }
    if (lifetime < 0 || !written.isValid())
        return std::nullopt;
    lease.obtained = written;
    lease.expires = written.addSecs(lifetime);
    return lease;
}

QString subnetMask(int prefixLength)
{
    const int bits = qBound(0, prefixLength, 32);
    const quint32 mask = bits == 0 ? 0 : ~quint32(0) << (32 - bits);
    return QStringLiteral("%1.%2.%3.%4")
        .arg(mask >> 24)
        .arg((mask >> 16) & 0xff)
        .arg((mask >> 8) & 0xff)
        .arg(mask & 0xff);
}

QString physicalAddress(const QString &macAddress)
{
    return macAddress.toUpper().replace(u':', u'-');
}

QString field(const QString &label, const QString &value)
{
    // The dots sit on even columns, so that they line up from one label to the next.
    QString line = label;
    for (qsizetype column = label.size(); column < 34; ++column)
        line += column % 2 == 0 ? u'.' : u' ';
    return QStringLiteral("   ") + line + QStringLiteral(": ") + value + u'\n';
}

void readResolvConf(const QString &text, MachineFacts &host)
{
    for (const QString &line : text.split(u'\n')) {
        const QStringList words = line.simplified().split(u' ', Qt::SkipEmptyParts);
        if (words.size() < 2)
            continue;
        if (words.at(0) == u"nameserver")
            host.dnsServers.append(words.at(1));
        else if (words.at(0) == u"search")
            host.searchList = words.mid(1);
        else if (words.at(0) == u"domain")
            host.primaryDnsSuffix = words.at(1);
    }
}

namespace {

QString adapterKind(const Adapter &adapter, const AdapterFacts &facts)
{
    if (adapter.linkType == u"loopback")
        return QStringLiteral("Loopback adapter");
    if (adapter.linkType == u"ether")
        return facts.wireless ? QStringLiteral("Wireless LAN adapter") : QStringLiteral("Ethernet adapter");
    if (adapter.linkType == u"ppp")
        return QStringLiteral("PPP adapter");
    return QStringLiteral("Tunnel adapter");
}

QString leaseTime(const QDateTime &time)
{
    return QLocale::c().toString(time.toLocalTime(), QStringLiteral("dddd, MMMM d, yyyy h:mm:ss AP"));
}

// One label with several values: the later ones continue under the first.
QString fieldList(const QString &label, const QStringList &values)
{
    QString text = field(label, values.value(0));
    for (qsizetype i = 1; i < values.size(); ++i)
        text += QString(39, u' ') + values.at(i) + u'\n';
    return text;
}

// An address with its zone: "fe80::1%2" on the interface of index 2.
QString withZone(const QString &address, int index)
{
    return QStringLiteral("%1%%2").arg(address).arg(index);
}

// What /all tells of the adapter itself.
QString identityFields(const Adapter &adapter, const AdapterFacts &details)
{
    QString text = field(QStringLiteral("Description"), details.description);
    if (adapter.linkType != u"loopback" && !adapter.macAddress.isEmpty())
        text += field(QStringLiteral("Physical Address"), physicalAddress(adapter.macAddress));
    return text;
}

QString ipv6Fields(const Adapter &adapter, bool all)
{
    const QString preferred = all ? QStringLiteral("(Preferred)") : QString();
    QString text;
    for (const IpAddress &address : adapter.addresses) {
        if (!address.v6)
            continue;
        const QString state = address.deprecated && all ? QStringLiteral("(Deprecated)") : preferred;
        if (address.scope == u"link")
            text += field(QStringLiteral("Link-local IPv6 Address"), withZone(address.local, adapter.index) + state);
        else if (address.temporary)
            text += field(QStringLiteral("Temporary IPv6 Address"), address.local + state);
        else
            text += field(QStringLiteral("IPv6 Address"), address.local + state);
    }
    return text;
}

QString ipv4Fields(const Adapter &adapter, bool all)
{
    const QString preferred = all ? QStringLiteral("(Preferred)") : QString();
    QString text;
    for (const IpAddress &address : adapter.addresses) {
        if (address.v6)
            continue;
        text += field(QStringLiteral("IPv4 Address"), address.local + preferred);
        text += field(QStringLiteral("Subnet Mask"), subnetMask(address.prefixLength));
    }
    return text;
}

QString leaseFields(const std::optional<Lease> &lease)
{
    if (!lease)
        return {};
    QString text;
    if (lease->obtained.isValid())
        text += field(QStringLiteral("Lease Obtained"), leaseTime(lease->obtained));
    return text + field(QStringLiteral("Lease Expires"), leaseTime(lease->expires));
}

// The adapter's default gateways, IPv6 first, link-local ones with their zone.
QStringList defaultGateways(const Adapter &adapter, const QList<Route> &routes)
{
    QStringList gateways;
    for (const bool v6 : {true, false}) {
        for (const Route &route : routes) {
            if (route.device != adapter.name || route.gateway.contains(u':') != v6)
                continue;
            const bool linkLocal = route.gateway.startsWith(QStringLiteral("fe80:"), Qt::CaseInsensitive);
            gateways.append(linkLocal ? withZone(route.gateway, adapter.index) : route.gateway);
        }
    }
    return gateways;
}

// What /all tells after the gateways: where the lease and the names come from.
QString serverFields(const Adapter &adapter, const AdapterFacts &details, const MachineFacts &host)
{
    QString text;
    if (details.lease && !details.lease->server.isEmpty())
        text += field(QStringLiteral("DHCP Server"), details.lease->server);
    if (adapter.linkType != u"loopback" && !host.dnsServers.isEmpty())
        text += fieldList(QStringLiteral("DNS Servers"), host.dnsServers);
    return text;
}

QString formatAdapter(const Adapter &adapter, const IpconfigFacts &facts, bool all)
{
    const AdapterFacts details = facts.adapterFacts.value(adapter.name);
    QString text = QStringLiteral("\n%1 %2:\n\n").arg(adapterKind(adapter, details), adapter.name);
    const QString suffixField =
        field(QStringLiteral("Connection-specific DNS Suffix "), details.lease ? details.lease->domain : QString());
    if (!adapter.up && adapter.addresses.isEmpty()) {
        text += field(QStringLiteral("Media State"), QStringLiteral("Media disconnected")) + suffixField;
        if (all)
            text += identityFields(adapter, details);
        return text;
    }
    text += suffixField;
    if (all) {
        const bool dhcp = adapter.dhcp() || details.lease;
        text += identityFields(adapter, details);
        text += field(QStringLiteral("DHCP Enabled"), dhcp ? QStringLiteral("Yes") : QStringLiteral("No"));
    }
    text += ipv6Fields(adapter, all) + ipv4Fields(adapter, all);
    if (all)
        text += leaseFields(details.lease);
    text += fieldList(QStringLiteral("Default Gateway"), defaultGateways(adapter, facts.defaultRoutes));
    if (all)
        text += serverFields(adapter, details, facts.host);
    return text;
}

} // namespace

QString formatIpconfig(const IpconfigFacts &facts, bool all)
{
    QString text = QStringLiteral("\nLinux IP Configuration\n\n");
    if (all) {
        text += field(QStringLiteral("Host Name"), facts.host.hostName);
        text += field(QStringLiteral("Primary Dns Suffix "), facts.host.primaryDnsSuffix);
        text += field(QStringLiteral("IP Routing Enabled"),
                      facts.host.routing ? QStringLiteral("Yes") : QStringLiteral("No"));
        text += fieldList(QStringLiteral("DNS Suffix Search List"), facts.host.searchList);
    }
    for (const Adapter &adapter : facts.adapters)
        text += formatAdapter(adapter, facts, all);
    return text;
}

} // namespace compat
