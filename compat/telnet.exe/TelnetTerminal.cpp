#include "TelnetTerminal.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

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
    const char *titleOption; // before the window's title; empty when the terminal has none
    const char *titlePrefix; // joined to the front of the title
};

// Debian's choice of terminal emulator, a link to one of them.
constexpr char alternative[] = "x-terminal-emulator";

constexpr Terminal terminals[] = {
    {alternative, "-e", Takes::Words, "", ""}, // titled as the terminal it stands for
    {"gnome-terminal", "--", Takes::Words, "--title", ""},
    {"konsole", "-e", Takes::Words, "-p", "tabtitle="}, // a profile setting: the tab's title
    {"xfce4-terminal", "-x", Takes::Words, "--title", ""},
    {"mate-terminal", "-x", Takes::Words, "--title", ""},
    {"terminator", "-x", Takes::Words, "-T", ""},
    {"tilix", "-e", Takes::OneString, "-t", ""},
    {"lxterminal", "-e", Takes::OneString, "-t", ""},
    {"qterminal", "-e", Takes::OneString, "", ""},
    {"kitty", "", Takes::Words, "--title", ""},
    {"alacritty", "-e", Takes::Words, "--title", ""},
    {"xterm", "-e", Takes::Words, "-T", ""},
    {"urxvt", "-e", Takes::Words, "-title", ""},
};

// What x-terminal-emulator may point to besides the terminals above, all taking xterm's options:
// xterm's own scripts, and the Debian wrappers of the others.
constexpr const char *xtermLike[] = {"lxterm",
                                     "uxterm",
                                     "koi8rxterm",
                                     "gnome-terminal.wrapper",
                                     "tilix.wrapper",
                                     "mate-terminal.wrapper",
                                     "xfce4-terminal.wrapper"};

const Terminal *terminalNamed(const QString &name)
{
    const auto named = [&](const char *program) { return name == QLatin1String(program); };
    const QString program =
        std::any_of(std::begin(xtermLike), std::end(xtermLike), named) ? QStringLiteral("xterm") : name;
    for (const Terminal &terminal : terminals) {
        if (program == QLatin1String(terminal.program))
            return &terminal;
    }
    return nullptr;
}

// The advice after a terminal emulator failed: x-terminal-emulator is always tried first, so
// only choosing another one for it helps there.
QString failedTerminalText(const QString &found, const QString &what)
{
    const QString path = QFileInfo(found).canonicalFilePath();
    const QString advice = QFileInfo(found).fileName() == QLatin1String(alternative)
                               ? QStringLiteral("Choose another one with \"sudo update-alternatives --config "
                                                "x-terminal-emulator\", after installing one if need be, for instance "
                                                "the Debian package xterm.")
                               : QStringLiteral("Install another one, for instance the Debian package xterm.");
    return QStringLiteral("The terminal emulator %1 %2, so Telnet could not open a window. %3\n")
        .arg(path.isEmpty() ? found : path, what, advice);
}

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

QString telnetWindowTitle(const QStringList &telnetArguments)
{
    QStringList title{QStringLiteral("telnet")};
    for (qsizetype i = 0; i < telnetArguments.size(); ++i) {
        if (telnetArguments[i] == u"-l")
            ++i; // and the user name
        else if (!isOptionWord(telnetArguments[i]))
            title << telnetArguments[i];
    }
    return title.size() > 1 ? title.join(u' ') : QStringLiteral("Telnet");
}

QStringList terminalCommand(const std::function<QString(const QString &)> &find, const QString &title,
                            const QStringList &command)
{
    for (const Terminal &terminal : terminals) {
        const QString path = find(QString::fromLatin1(terminal.program));
        if (path.isEmpty())
            continue;
        QStringList line{path};
        // The x-terminal-emulator alternative takes the title option of the terminal it links to.
        const Terminal *titled = std::strcmp(terminal.program, alternative) == 0
                                     ? terminalNamed(QFileInfo(QFileInfo(path).canonicalFilePath()).fileName())
                                     : &terminal;
        if (titled && *titled->titleOption)
            line << QString::fromLatin1(titled->titleOption) << QLatin1String(titled->titlePrefix) + title;
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

QString openTerminal(const QStringList &line)
{
    std::vector<QByteArray> words;
    for (const QString &word : line)
        words.push_back(word.toLocal8Bit());
    words.front() = QFile::encodeName(line.constFirst());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // As for the programs the console programs run: input from /dev/null, errors into the output.
    std::fflush(stdout);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t terminal = 0;
    const int error = ::posix_spawn(&terminal, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return failedTerminalText(
            line.constFirst(),
            QStringLiteral("cannot be started (%1)").arg(QString::fromLocal8Bit(std::strerror(error))));

    // Still running at the end is the window on its way; so is an exit status of 0, as some
    // terminals hand the window to a server of theirs and end at once.
    const auto end = std::chrono::steady_clock::now() + terminalPatience;
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(terminal, &status, WNOHANG);
        if (ended == terminal)
            break;
        if ((ended < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= end)
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFSIGNALED(status))
        return failedTerminalText(line.constFirst(), QStringLiteral("ended at once (signal %1, %2)")
                                                         .arg(WTERMSIG(status))
                                                         .arg(QString::fromLocal8Bit(::strsignal(WTERMSIG(status)))));
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return failedTerminalText(line.constFirst(),
                                  QStringLiteral("ended at once with exit status %1").arg(WEXITSTATUS(status)));
    return {};
}

QString noTerminalText()
{
    return QStringLiteral("Telnet runs in a terminal window, and no terminal emulator is installed. "
                          "Install one, for instance the Debian package xterm.\n");
}

} // namespace compat
