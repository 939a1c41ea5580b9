#include "WindowsArgs.h"

namespace compat {

namespace {

const OptionRule *findRule(const QString &name, const QList<OptionRule> &rules)
{
    for (const OptionRule &rule : rules) {
        if (rule.name == name)
            return &rule;
    }
    const OptionRule *found = nullptr;
    for (const OptionRule &rule : rules) {
        if (rule.name.compare(name, Qt::CaseInsensitive) == 0) {
            if (found)
                return nullptr; // -s and -S both exist: only the exact case decides
            found = &rule;
        }
    }
    return found;
}

} // namespace

bool ParsedArgs::has(const QString &name) const
{
    for (const Option &option : options) {
        if (option.name == name)
            return true;
    }
    return false;
}

QString ParsedArgs::value(const QString &name) const
{
    QString result;
    for (const Option &option : options) {
        if (option.name == name)
            result = option.value;
    }
    return result;
}

bool isOptionWord(const QString &argument)
{
    return argument.size() >= 2 && (argument.front() == u'-' || argument.front() == u'/');
}

ParsedArgs parseWindowsArgs(const QStringList &arguments, const QList<OptionRule> &rules)
{
    ParsedArgs parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!isOptionWord(argument)) {
            parsed.operands.append(argument);
            continue;
        }
        // --help, as Linux programs take it, is /? where a command has that.
        const OptionRule *rule = findRule(argument == u"--help" ? QStringLiteral("?") : argument.mid(1), rules);
        if (!rule) {
            parsed.error = QStringLiteral("Bad option %1.").arg(argument);
            return parsed;
        }
        Option option{rule->name, {}, argument};
        if (rule->takesValue) {
            if (i + 1 >= arguments.size()) {
                parsed.error = QStringLiteral("Value must be supplied for option %1.").arg(argument);
                return parsed;
            }
            option.value = arguments.at(++i);
        }
        parsed.options.append(option);
    }
    return parsed;
}

std::optional<qulonglong> parseNumber(const QString &text, qulonglong minimum, qulonglong maximum)
{
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok);
    if (!ok || number < minimum || number > maximum)
        return std::nullopt;
    return number;
}

QString millisecondsAsSeconds(qulonglong milliseconds)
{
    QString text = QString::number(milliseconds / 1000);
    const qulonglong fraction = milliseconds % 1000;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 3, 10, QLatin1Char('0'));
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u'.' + digits;
    }
    return text;
}

} // namespace compat
