#include "TelnetTerminal.h"

namespace compat {

namespace {

// How a terminal emulator takes the command it runs.
enum class Takes
{
    Words,     // the command's words after the option
    OneString, // one shell command text after the option
};

struct Terminal
{
    const char *program;
    const char *option; // before the command; empty for none
    Takes takes;
};

constexpr Terminal terminals[] = {
    {"x-terminal-emulator", "-e", Takes::Words},
    {"gnome-terminal", "--", Takes::Words},
    {"konsole", "-e", Takes::Words},
    {"xfce4-terminal", "-x", Takes::Words},
    {"mate-terminal", "-x", Takes::Words},
    {"terminator", "-x", Takes::Words},
    {"tilix", "-e", Takes::OneString},
    {"lxterminal", "-e", Takes::OneString},
    {"qterminal", "-e", Takes::OneString},
    {"kitty", "", Takes::Words},
    {"alacritty", "-e", Takes::Words},
    {"xterm", "-e", Takes::Words},
    {"urxvt", "-e", Takes::Words},
};

} // namespace

LinuxProgram telnetProgram()
{
    return {QStringLiteral("telnet"),
            {QStringLiteral("/usr/bin/telnet"), QStringLiteral("/usr/bin/inetutils-telnet"),
             QStringLiteral("/usr/bin/telnet.netkit")},
            QStringLiteral("telnet")};
}

Translation translateTelnet(const QStringList &arguments)
{
    static const QList<OptionRule> rules = {{QStringLiteral("a")}, {QStringLiteral("l"), true}, {QStringLiteral("?")}};
    const QString usage = QStringLiteral("telnet [-a] [-l user] [host [port]]\n"
                                         " -a       Attempt automatic logon. Same as -l option except uses\n"
                                         "          the currently logged on user's name.\n"
                                         " -l       Specifies the user name to log in with on the remote system.\n"
                                         " host     Specifies the hostname or IP address of the remote computer\n"
                                         "          to connect to.\n"
                                         " port     Specifies a port number or service name.\n");
    const ParsedArgs parsed = parseWindowsArgs(arguments, rules);
    if (!parsed.error.isEmpty() || parsed.operands.size() > 2)
        return Translation::say(usage);
    if (parsed.has(QStringLiteral("?")))
        return Translation::say(usage, 0);
    // An option with its value, but no host: Linux telnet takes options only before one.
    if (parsed.operands.isEmpty() && !parsed.options.isEmpty())
        return Translation::say(usage);
    QStringList translated;
    for (const Option &option : parsed.options) {
        translated << u'-' + option.name;
        if (!option.value.isEmpty())
            translated << option.value;
    }
    return Translation::run(translated + parsed.operands);
}

QString shellQuote(const QString &word)
{
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QStringList telnetWindowCommand(const QString &telnetPath, const QStringList &telnetArguments)
{
    return QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                       QStringLiteral("\"$@\" || { echo; printf 'Press Enter to close this window. '; read line; }"),
                       QStringLiteral("telnet"), telnetPath} +
           telnetArguments;
}

QStringList terminalCommand(const std::function<QString(const QString &)> &find, const QStringList &command)
{
    for (const Terminal &terminal : terminals) {
        const QString path = find(QString::fromLatin1(terminal.program));
        if (path.isEmpty())
            continue;
        QStringList line{path};
        if (*terminal.option)
            line << QString::fromLatin1(terminal.option);
        if (terminal.takes == Takes::Words) {
            line << command;
        } else {
            QStringList quoted;
            for (const QString &word : command)
                quoted << shellQuote(word);
            line << quoted.join(u' ');
        }
        return line;
    }
    return {};
}

QString noTerminalText()
{
    return QStringLiteral("Telnet runs in a terminal window, and no terminal emulator is installed. "
                          "Install one, for instance the Debian package xterm.\n");
}

} // namespace compat
