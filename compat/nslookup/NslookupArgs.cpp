#include "NslookupArgs.h"

namespace compat {

LinuxProgram nslookupProgram()
{
    return {QStringLiteral("nslookup"),
            {QStringLiteral("/usr/bin/nslookup"), QStringLiteral("/bin/nslookup")},
            QStringLiteral("bind9-dnsutils")};
}

QString nslookupUsage()
{
    return QStringLiteral("Usage:\n"
                          "   nslookup [-opt ...] host        # just look up 'host' using default server\n"
                          "   nslookup [-opt ...] host server # just look up 'host' using 'server'\n");
}

Translation translateNslookup(const QStringList &arguments)
{
    // An unreachable server would otherwise hold the caller for 15 seconds.
    QStringList options = {QStringLiteral("-timeout=2"), QStringLiteral("-retry=2")};
    QStringList operands;
    for (const QString &argument : arguments) {
        if (!isOptionWord(argument)) {
            operands.append(argument);
            continue;
        }
        const QString option = argument.mid(1);
        if (option == u"?" || option.compare(QStringLiteral("help"), Qt::CaseInsensitive) == 0)
            return Translation::say(nslookupUsage(), 0);
        options.append(u'-' + option);
    }
    // No name, or "-" for a name: both would start the interactive mode.
    if (operands.isEmpty() || operands.size() > 2 || operands.constFirst() == u"-")
        return Translation::say(nslookupUsage());
    return Translation::run(options + operands);
}

} // namespace compat
