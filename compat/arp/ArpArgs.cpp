#include "ArpArgs.h"

#include <QRegularExpression>

namespace compat {

LinuxProgram arpProgram()
{
    return {QStringLiteral("arp"),
            {QStringLiteral("/usr/sbin/arp"), QStringLiteral("/sbin/arp")},
            QStringLiteral("net-tools")};
}

QString arpUsage()
{
    return QStringLiteral("\n"
                          "Displays and modifies the IP-to-Physical address translation tables used by\n"
                          "address resolution protocol (ARP).\n"
                          "\n"
                          "ARP -s inet_addr eth_addr\n"
                          "ARP -d inet_addr\n"
                          "ARP -a [inet_addr] [-v]\n"
                          "\n"
                          "  -a            Displays current ARP entries. If inet_addr is specified, the\n"
                          "                entry of only that computer is displayed.\n"
                          "  -g            Same as -a.\n"
                          "  -v            Displays current ARP entries in verbose mode.\n"
                          "  inet_addr     Specifies an internet address.\n"
                          "  -d            Deletes the host specified by inet_addr. inet_addr may be\n"
                          "                wildcarded with * to delete all hosts.\n"
                          "  -s            Adds the host and associates the Internet address inet_addr\n"
                          "                with the Physical address eth_addr. The Physical address is\n"
                          "                given as 6 hexadecimal bytes separated by hyphens.\n"
                          "  eth_addr      Specifies a physical address.\n"
                          "\n"
                          "Example:\n"
                          "  > arp -s 157.55.85.212   00-aa-00-62-c6-09  .... Adds a static entry.\n"
                          "  > arp -a                                    .... Displays the arp table.\n"
                          "\n");
}

QString linuxHardwareAddress(const QString &windowsAddress)
{
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{2}([-:])[0-9A-Fa-f]{2}(\\1[0-9A-Fa-f]{2}){4}$"));
    if (!form.match(windowsAddress).hasMatch())
        return {};
    return windowsAddress.toLower().replace(u'-', u':');
}

ArpCommand translateArp(const QStringList &arguments)
{
    static const QList<OptionRule> rules = {{QStringLiteral("a")}, {QStringLiteral("g")}, {QStringLiteral("v")},
                                            {QStringLiteral("d")}, {QStringLiteral("s")}, {QStringLiteral("?")}};
    const ArpCommand usage{false, Translation::say(arpUsage()), {}};
    const ParsedArgs parsed = parseWindowsArgs(arguments, rules);
    if (!parsed.error.isEmpty() || parsed.options.isEmpty())
        return usage;
    if (parsed.has(QStringLiteral("?")))
        return {false, Translation::say(arpUsage(), 0), {}};
    const bool show = parsed.has(QStringLiteral("a")) || parsed.has(QStringLiteral("g"));
    const bool remove = parsed.has(QStringLiteral("d"));
    const bool add = parsed.has(QStringLiteral("s"));
    if (int(show) + int(remove) + int(add) != 1)
        return usage;

    if (show) {
        if (parsed.operands.size() > 1)
            return usage;
        QStringList translated = {QStringLiteral("-a"), QStringLiteral("-n")};
        if (parsed.has(QStringLiteral("v")))
            translated << QStringLiteral("-v");
        return {false, Translation::run(translated + parsed.operands), {}};
    }
    if (parsed.has(QStringLiteral("v")))
        return usage;
    if (remove) {
        if (parsed.operands.size() != 1)
            return usage;
        const QString failed = QStringLiteral("The ARP entry deletion failed");
        if (parsed.operands.constFirst() == u"*")
            return {true, Translation::run({QStringLiteral("neigh"), QStringLiteral("flush"), QStringLiteral("all")}),
                    failed};
        return {false, Translation::run({QStringLiteral("-d"), parsed.operands.constFirst()}), failed};
    }
    if (parsed.operands.size() != 2)
        return usage;
    const QString hardware = linuxHardwareAddress(parsed.operands.at(1));
    if (hardware.isEmpty())
        return {false,
                Translation::say(QStringLiteral("The ARP entry addition failed: %1 is not a physical address "
                                                "of 6 hexadecimal bytes separated by hyphens.\n")
                                     .arg(parsed.operands.at(1))),
                {}};
    return {false, Translation::run({QStringLiteral("-s"), parsed.operands.at(0), hardware}),
            QStringLiteral("The ARP entry addition failed")};
}

} // namespace compat
