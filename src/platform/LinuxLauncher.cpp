#include "LinuxLauncher.h"

#include "ChildContract.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

QStringList splitCommandLine(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true; // "" is an empty word
        } else if (!quoted && (c == u' ' || c == u'\t')) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

QString findProgram(const QString &name, const QString &path)
{
    if (name.isEmpty())
        return {};
    if (name.contains(u'/')) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    const QStringList directories = path.split(u':', Qt::SkipEmptyParts);
    for (const QString &directory : directories) {
        const QFileInfo info(QDir(directory).filePath(name));
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

namespace {

// Owns NUL-terminated copies of strings and the pointer array that execve wants.
class CStrings
{
public:
    explicit CStrings(const QStringList &strings)
    {
        for (const QString &s : strings)
            m_storage.push_back(s.toLocal8Bit());
        for (QByteArray &s : m_storage)
            m_pointers.push_back(s.data());
        m_pointers.push_back(nullptr);
    }
    char **data() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_pointers;
};

QString systemError(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

// A program ready to start: everything the children use is made before they exist, since they
// share Parlo's memory until the program runs.
struct Prepared
{
    QByteArray file;
    CStrings argv;
    CStrings envp;
};

// What the middle process leaves in the memory it shares with Parlo; volatile, as the compiler
// does not see the child write it.
struct Outcome
{
    volatile pid_t pid = 0;
    volatile int error = 0;
};

// How posix_spawn starts the program: standard input from /dev/null, a session of its own, and
// Parlo's signal mask (posix_spawn gives it default handlers for every signal Parlo handles).
// Made and freed by Parlo itself: the middle process may not allocate in the memory it shares.
class SpawnSettings
{
public:
    explicit SpawnSettings(const sigset_t &parloMask)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
        posix_spawnattr_setsigmask(&attributes, &parloMask);
    }
    ~SpawnSettings()
    {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSettings(const SpawnSettings &) = delete;
    SpawnSettings &operator=(const SpawnSettings &) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// In the middle process, which shares Parlo's memory until it ends: posix_spawn starts the
// program in a session of its own, and the middle one ends at once, so that the program is
// adopted by init and never becomes Parlo's zombie. Never returns.
[[noreturn]] void runMiddle(Prepared &program, const SpawnSettings &settings, Outcome *outcome)
{
    pid_t pid = 0;
    outcome->error = ::posix_spawn(&pid, program.file.constData(), &settings.actions, &settings.attributes,
                                   program.argv.data(), program.envp.data());
    outcome->pid = pid;
    ::_exit(0);
}

// Starts the middle process with vfork, cheap however much memory Parlo holds, with every
// signal blocked while it shares Parlo's memory.
Launch startDetached(Prepared &program, const QString &name)
{
    sigset_t all;
    sigset_t parloMask;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &parloMask);
    const SpawnSettings settings(parloMask);
    Outcome outcome;
    Outcome *const shared = &outcome;
    const pid_t middle = ::vfork();
    if (middle == 0)
        runMiddle(program, settings, shared);
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &parloMask, nullptr);
    if (middle < 0)
        return {0, QStringLiteral("Cannot start %1: %2").arg(name, systemError(forkError))};
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    if (shared->error != 0)
        return {0, QStringLiteral("Cannot start %1: %2").arg(name, systemError(shared->error))};
    if (shared->pid <= 0)
        return {0, QStringLiteral("Cannot start %1: the process could not be created.").arg(name)};
    return {shared->pid, {}};
}

} // namespace

Launch LinuxLauncher::start(const QString &commandLine, int windowStyle)
{
    QStringList words = splitCommandLine(commandLine);
    if (words.isEmpty())
        return {0, QStringLiteral("Cannot start an empty command line.")};
    for (QString &word : words)
        word = m_paths.mapWord(word);
    const QString program = words.takeFirst();
    return startProgram(program, words, windowStyle);
}

Launch LinuxLauncher::startProgram(const QString &name, const QStringList &arguments, int windowStyle)
{
    if (name.isEmpty())
        return {0, QStringLiteral("Cannot start an empty command line.")};
    // execve takes NUL-terminated strings: a NUL would silently cut the word it stands in.
    const auto holdsNul = [](const QString &word) { return word.contains(QChar(0)); };
    if (holdsNul(name) || std::any_of(arguments.begin(), arguments.end(), holdsNul))
        return {0, QStringLiteral("Cannot start %1: its command line holds a NUL character, which no program can be "
                                  "given.")
                       .arg(QString(name).remove(QChar(0)))};
    const QProcessEnvironment environment = ChildContract::childEnvironment(m_config, windowStyle);
    const QString program = findProgram(name, environment.value(QStringLiteral("PATH")));
    if (program.isEmpty())
        return {0, QStringLiteral("Cannot start %1: the program was not found.").arg(name)};
    Prepared prepared{program.toLocal8Bit(), CStrings(QStringList{name} + arguments),
                      CStrings(environment.toStringList())};
    return startDetached(prepared, name);
}
