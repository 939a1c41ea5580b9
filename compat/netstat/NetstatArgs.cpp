#include "NetstatArgs.h"

#include <QDir>
#include <QFile>

namespace compat {

LinuxProgram netstatProgram()
{
    return {QStringLiteral("netstat"),
            {QStringLiteral("/usr/bin/netstat"), QStringLiteral("/bin/netstat")},
            QStringLiteral("net-tools")};
}

QString netstatUsage()
{
    return QStringLiteral("\n"
                          "Displays protocol statistics and current TCP/IP network connections.\n"
                          "\n"
                          "NETSTAT [-a] [-e] [-n] [-o] [-p proto] [-r] [-s]\n"
                          "\n"
                          "  -a            Displays all connections and listening ports.\n"
                          "  -e            Displays Ethernet statistics.\n"
                          "  -n            Displays addresses and port numbers in numerical form.\n"
                          "  -o            Displays the owning process of each connection.\n"
                          "  -p proto      Shows connections for the protocol specified by proto; proto\n"
                          "                may be any of: TCP, UDP, TCPv6, or UDPv6.\n"
                          "  -r            Displays the routing table.\n"
                          "  -s            Displays per-protocol statistics.\n"
                          "\n");
}

namespace {

NetstatPlan usagePlan(int exitCode)
{
    return {false, {}, netstatUsage(), exitCode};
}

// Reads the flag letters and the -p protocol, in lower case; the usage to answer with instead
// when the command line asks for it or is wrong.
std::optional<NetstatPlan> readOptions(const QStringList &arguments, QString &flags, QString &protocol)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!isOptionWord(argument))
            return usagePlan(1); // the redisplay interval: it would never end
        const QString letters = argument.mid(1).toLower();
        if (letters == u"?")
            return usagePlan(0);
        for (qsizetype j = 0; j < letters.size(); ++j) {
            const QChar letter = letters.at(j);
            if (letter == u'p') {
                if (j + 1 != letters.size() || i + 1 >= arguments.size())
                    return usagePlan(1);
                protocol = arguments.at(++i).toLower();
            } else if (QStringLiteral("aenors").contains(letter)) {
                flags += letter;
            } else {
                return usagePlan(1);
            }
        }
    }
    return std::nullopt;
}

// What -p PROTO asks Linux netstat for.
struct ProtocolChoice
{
    QStringList families; // -A and the address families
    QStringList filter;   // --tcp, --udp or nothing
};

// Nothing for a protocol Windows netstat does not know.
std::optional<ProtocolChoice> chooseProtocol(const QString &protocol)
{
    ProtocolChoice choice{{QStringLiteral("-A"), QStringLiteral("inet,inet6")}, {}};
    if (protocol == u"tcp" || protocol == u"udp")
        choice.families = {QStringLiteral("-A"), QStringLiteral("inet")};
    else if (protocol == u"tcpv6" || protocol == u"udpv6")
        choice.families = {QStringLiteral("-A"), QStringLiteral("inet6")};
    else if (!protocol.isEmpty())
        return std::nullopt;
    if (protocol.startsWith(QStringLiteral("tcp")))
        choice.filter = {QStringLiteral("--tcp")};
    else if (protocol.startsWith(QStringLiteral("udp")))
        choice.filter = {QStringLiteral("--udp")};
    return choice;
}

} // namespace

NetstatPlan translateNetstat(const QStringList &arguments)
{
    QString flags;
    QString protocol;
    if (const std::optional<NetstatPlan> usage = readOptions(arguments, flags, protocol))
        return *usage;
    const std::optional<ProtocolChoice> choice = chooseProtocol(protocol);
    if (!choice)
        return usagePlan(1);

    NetstatPlan plan;
    plan.interfaceStatistics = flags.contains(u'e');
    if (flags.contains(u's'))
        plan.netstatRuns.append({QStringLiteral("-s")});
    if (flags.contains(u'r'))
        plan.netstatRuns.append(QStringList{QStringLiteral("-r"), QStringLiteral("-n")} + choice->families);
    if (!plan.interfaceStatistics && plan.netstatRuns.isEmpty()) {
        QStringList connections = choice->families + choice->filter;
        for (const QChar letter : {u'a', u'n'}) {
            if (flags.contains(letter))
                connections.append(u'-' + letter);
        }
        if (flags.contains(u'o'))
            connections.append(QStringLiteral("-p"));
        plan.netstatRuns.append(connections);
    }
    return plan;
}

namespace {

quint64 readCounter(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toULongLong() : 0;
}

QString row(const QString &label, const QStringList &values, int labelWidth)
{
    QString line = label.leftJustified(labelWidth);
    for (const QString &value : values)
        line += value.rightJustified(16);
    return line + u'\n';
}

} // namespace

QList<InterfaceCounters> readInterfaceCounters(const QString &classNetFolder)
{
    QList<InterfaceCounters> interfaces;
    const QDir folder(classNetFolder);
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QString statistics = folder.filePath(name + QStringLiteral("/statistics/"));
        if (!QDir(statistics).exists())
            continue;
        const auto counter = [&statistics](const char *file) { return readCounter(statistics + QLatin1String(file)); };
        InterfaceCounters counters;
        counters.name = name;
        counters.rxBytes = counter("rx_bytes");
        counters.txBytes = counter("tx_bytes");
        counters.rxPackets = counter("rx_packets");
        counters.txPackets = counter("tx_packets");
        counters.multicast = counter("multicast");
        counters.rxDropped = counter("rx_dropped");
        counters.txDropped = counter("tx_dropped");
        counters.rxErrors = counter("rx_errors");
        counters.txErrors = counter("tx_errors");
        counters.rxNoHandler = counter("rx_nohandler");
        interfaces.append(counters);
    }
    return interfaces;
}

QString formatInterfaceStatistics(const QList<InterfaceCounters> &interfaces)
{
    InterfaceCounters total;
    for (const InterfaceCounters &each : interfaces) {
        total.rxBytes += each.rxBytes;
        total.txBytes += each.txBytes;
        total.rxPackets += each.rxPackets;
        total.txPackets += each.txPackets;
        total.multicast += each.multicast;
        total.rxDropped += each.rxDropped;
        total.txDropped += each.txDropped;
        total.rxErrors += each.rxErrors;
        total.txErrors += each.txErrors;
        total.rxNoHandler += each.rxNoHandler;
    }
    const auto number = [](quint64 value) { return QString::number(value); };
    // Linux counts received multicast only; every packet sent counts as unicast.
    const quint64 rxUnicast = total.rxPackets - qMin(total.multicast, total.rxPackets);
    QString text = QStringLiteral("Interface Statistics\n\n");
    text += row({}, {QStringLiteral("Received"), QStringLiteral("Sent")}, 19) + u'\n';
    text += row(QStringLiteral("Bytes"), {number(total.rxBytes), number(total.txBytes)}, 19);
    text += row(QStringLiteral("Unicast packets"), {number(rxUnicast), number(total.txPackets)}, 19);
    text += row(QStringLiteral("Non-unicast packets"), {number(total.multicast), number(0)}, 19);
    text += row(QStringLiteral("Discards"), {number(total.rxDropped), number(total.txDropped)}, 19);
    text += row(QStringLiteral("Errors"), {number(total.rxErrors), number(total.txErrors)}, 19);
    text += row(QStringLiteral("Unknown protocols"), {number(total.rxNoHandler)}, 19);

    text += u'\n' + row(QStringLiteral("Interface"),
                        {QStringLiteral("Received bytes"), QStringLiteral("Sent bytes"),
                         QStringLiteral("Recv. packets"), QStringLiteral("Sent packets")},
                        15);
    for (const InterfaceCounters &each : interfaces)
        text += row(each.name,
                    {number(each.rxBytes), number(each.txBytes), number(each.rxPackets), number(each.txPackets)}, 15);
    return text;
}

} // namespace compat
