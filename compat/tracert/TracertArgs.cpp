#include "TracertArgs.h"

namespace compat {

LinuxProgram tracerouteProgram()
{
    return {QStringLiteral("traceroute"),
            {QStringLiteral("/usr/sbin/traceroute"), QStringLiteral("/usr/bin/traceroute")},
            QStringLiteral("traceroute")};
}

QString tracertUsage()
{
    return QStringLiteral("\n"
                          "Usage: tracert [-d] [-h maximum_hops] [-w timeout] [-4] [-6] target_name\n"
                          "\n"
                          "Options:\n"
                          "    -d                 Do not resolve addresses to hostnames.\n"
                          "    -h maximum_hops    Maximum number of hops to search for target.\n"
                          "    -w timeout         Wait timeout milliseconds for each reply.\n"
                          "    -4                 Force using IPv4.\n"
                          "    -6                 Force using IPv6.\n"
                          "\n");
}

Translation translateTracert(const QStringList &arguments)
{
    static const QList<OptionRule> rules = {
        {QStringLiteral("d")}, {QStringLiteral("h"), true}, {QStringLiteral("w"), true},
        {QStringLiteral("4")}, {QStringLiteral("6")},       {QStringLiteral("?")},
    };
    const ParsedArgs parsed = parseWindowsArgs(arguments, rules);
    if (!parsed.error.isEmpty())
        return Translation::say(parsed.error + u'\n' + tracertUsage());
    if (parsed.has(QStringLiteral("?")))
        return Translation::say(tracertUsage(), 0);
    // Linux traceroute prints its usage on standard error and exits 0: say it here instead.
    if (parsed.operands.size() != 1)
        return Translation::say(tracertUsage());

    QStringList translated;
    QString hops = QStringLiteral("30");
    for (const Option &option : parsed.options) {
        if (option.name == u"d") {
            translated << QStringLiteral("-n");
        } else if (option.name == u"h") {
            if (!parseNumber(option.value, 1, 255))
                return Translation::say(
                    QStringLiteral("Bad value for option %1, valid range is from 1 to 255.\n").arg(option.written));
            hops = option.value;
        } else if (option.name == u"w") {
            const auto timeout = parseNumber(option.value, 0, 4294967295ULL);
            if (!timeout)
                return Translation::say(QStringLiteral("Bad value for option %1.\n").arg(option.written));
            // traceroute waits in seconds, and not less than a tenth of one.
            translated << QStringLiteral("-w") << millisecondsAsSeconds(qMax<qulonglong>(*timeout, 100));
        } else if (option.name == u"4" || option.name == u"6") {
            translated << u'-' + option.name;
        }
    }
    translated << QStringLiteral("-m") << hops << parsed.operands.constFirst();
    return Translation::run(translated);
}

} // namespace compat
