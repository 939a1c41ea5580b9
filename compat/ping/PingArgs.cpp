#include "PingArgs.h"

namespace compat {

LinuxProgram pingProgram()
{
    return {QStringLiteral("ping"),
            {QStringLiteral("/usr/bin/ping"), QStringLiteral("/bin/ping")},
            QStringLiteral("iputils-ping")};
}

QString pingUsage()
{
    return QStringLiteral("\n"
                          "Usage: ping [-t] [-a] [-n count] [-l size] [-f] [-i TTL]\n"
                          "            [-w timeout] [-S srcaddr] [-4] [-6] target_name\n"
                          "\n"
                          "Options:\n"
                          "    -t             Ping the specified host until stopped.\n"
                          "                   To stop - type Control-C.\n"
                          "    -a             Resolve addresses to hostnames.\n"
                          "    -n count       Number of echo requests to send.\n"
                          "    -l size        Send buffer size.\n"
                          "    -f             Set Don't Fragment flag in packet (IPv4-only).\n"
                          "    -i TTL         Time To Live.\n"
                          "    -w timeout     Timeout in milliseconds to wait for each reply.\n"
                          "    -S srcaddr     Source address to use.\n"
                          "    -4             Force using IPv4.\n"
                          "    -6             Force using IPv6.\n"
                          "\n");
}

namespace {

// The largest value Windows ping takes for a count or a timeout.
constexpr qulonglong maxNumber = 4294967295ULL;

Translation badValue(const Option &option, qulonglong low, qulonglong high)
{
    return Translation::say(QStringLiteral("Bad value for option %1, valid range is from %2 to %3.\n")
                                .arg(option.written)
                                .arg(low)
                                .arg(high));
}

// Appends the iputils form of one Windows option; what to say instead when its value is bad.
std::optional<Translation> translateOption(const Option &option, QStringList &translated)
{
    if (option.name == u"n") {
        if (!parseNumber(option.value, 1, maxNumber))
            return badValue(option, 1, maxNumber);
    } else if (option.name == u"l") {
        if (!parseNumber(option.value, 0, 65500))
            return badValue(option, 0, 65500);
        translated << QStringLiteral("-s") << option.value;
    } else if (option.name == u"i") {
        if (!parseNumber(option.value, 1, 255))
            return badValue(option, 1, 255);
        translated << QStringLiteral("-t") << option.value;
    } else if (option.name == u"w") {
        const auto timeout = parseNumber(option.value, 0, maxNumber);
        if (!timeout)
            return badValue(option, 0, maxNumber);
        // Linux takes seconds, and 0 would mean no limit at all.
        translated << QStringLiteral("-W") << millisecondsAsSeconds(qMax<qulonglong>(*timeout, 1));
    } else if (option.name == u"f") {
        translated << QStringLiteral("-M") << QStringLiteral("do");
    } else if (option.name == u"S") {
        translated << QStringLiteral("-I") << option.value;
    } else if (option.name == u"4" || option.name == u"6") {
        translated << u'-' + option.name;
    }
    return std::nullopt;
}

} // namespace

Translation translatePing(const QStringList &arguments)
{
    static const QList<OptionRule> rules = {
        {QStringLiteral("t")}, {QStringLiteral("a")},       {QStringLiteral("n"), true}, {QStringLiteral("l"), true},
        {QStringLiteral("f")}, {QStringLiteral("i"), true}, {QStringLiteral("w"), true}, {QStringLiteral("S"), true},
        {QStringLiteral("4")}, {QStringLiteral("6")},       {QStringLiteral("?")},
    };
    const ParsedArgs parsed = parseWindowsArgs(arguments, rules);
    if (!parsed.error.isEmpty())
        return Translation::say(parsed.error + u'\n' + pingUsage());
    if (parsed.has(QStringLiteral("?")))
        return Translation::say(pingUsage(), 0);
    if (parsed.operands.isEmpty())
        return Translation::say(pingUsage());
    if (parsed.operands.size() > 1)
        return Translation::say(QStringLiteral("Bad parameter %1.\n").arg(parsed.operands.at(1)));

    QStringList translated{QStringLiteral("-O")};
    if (!parsed.has(QStringLiteral("a")))
        translated << QStringLiteral("-n");
    for (const Option &option : parsed.options) {
        if (const std::optional<Translation> refusal = translateOption(option, translated))
            return *refusal;
    }
    // Linux pings until stopped: without -t the window would never get its answer.
    if (!parsed.has(QStringLiteral("t"))) {
        const QString count = parsed.has(QStringLiteral("n")) ? parsed.value(QStringLiteral("n")) : QStringLiteral("4");
        translated << QStringLiteral("-c") << count;
    }
    translated << parsed.operands.constFirst();
    return Translation::run(translated);
}

} // namespace compat
