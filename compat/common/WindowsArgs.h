#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace compat {

// One option a command knows. Names are matched exactly first, then without regard to case.
struct OptionRule
{
    QString name;            // without the leading - or /: "n", "all", "?"
    bool takesValue = false; // the next argument is its value
};

struct Option
{
    QString name;    // the rule's name
    QString value;   // empty for a flag
    QString written; // as the user wrote it: "/N"
};

struct ParsedArgs
{
    QList<Option> options; // in the order given
    QStringList operands;  // the arguments that are no options
    QString error;         // set when an option is unknown or lacks its value

    bool has(const QString &name) const;
    // The value of the last occurrence; empty when absent.
    QString value(const QString &name) const;
};

// Whether an argument is written as an option: "-x" or "/x".
bool isOptionWord(const QString &argument);

// Splits Windows-style arguments ("-n 2", "/n 2") into options and operands. Stops at the
// first error and says which option caused it, in the words Windows programs use.
ParsedArgs parseWindowsArgs(const QStringList &arguments, const QList<OptionRule> &rules);

// A whole decimal number within [minimum, maximum], or nothing.
std::optional<qulonglong> parseNumber(const QString &text, qulonglong minimum, qulonglong maximum);

// Milliseconds as seconds for Linux programs: 1500 -> "1.5", 200 -> "0.2", 1000 -> "1".
QString millisecondsAsSeconds(qulonglong milliseconds);

// What a console program does: run the Linux program with these arguments, or print a text.
struct Translation
{
    QStringList arguments; // for the Linux program, when text is empty
    QString text;          // a usage or error text to print instead of running anything
    int exitCode = 0;      // the exit code that goes with text

    static Translation run(QStringList arguments) { return {std::move(arguments), {}, 0}; }
    static Translation say(QString text, int exitCode = 1) { return {{}, std::move(text), exitCode}; }
    bool runs() const { return text.isEmpty(); }
};

} // namespace compat
