#include "LinuxLauncher.h"

#include "ChildContract.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

bool readAll(int fd, void *buffer, size_t size)
{
    auto *bytes = static_cast<char *>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

// A program ready to start: everything the children use is made before fork, since between
// fork and exec only async-signal-safe calls are made.
struct Prepared
{
    QByteArray file;
    CStrings argv;
    CStrings envp;
};

// Two pipes back from the children: the middle process reports the program's pid, the program
// itself reports a failed exec (a successful exec closes its end).
struct ReportPipes
{
    int pid[2] = {-1, -1};
    int exec[2] = {-1, -1};

    ~ReportPipes()
    {
        for (const int fd : {pid[0], pid[1], exec[0], exec[1]}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    bool open() { return ::pipe2(pid, O_CLOEXEC) == 0 && ::pipe2(exec, O_CLOEXEC) == 0; }
    void closeWriteEnds()
    {
        ::close(pid[1]);
        ::close(exec[1]);
        pid[1] = exec[1] = -1;
    }
};

// In the middle process: a new session, one more fork, and gone, so that the program is
// adopted by init and never becomes Parlo's zombie. Never returns.
[[noreturn]] void runMiddle(Prepared &program, const ReportPipes &pipes)
{
    ::setsid();
    const pid_t child = ::fork();
    if (child != 0) {
        const qint64 pid = child;
        [[maybe_unused]] ssize_t n = ::write(pipes.pid[1], &pid, sizeof pid);
        ::_exit(child < 0 ? 1 : 0);
    }
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        if (null != STDIN_FILENO)
            ::close(null);
    }
    ::execve(program.file.constData(), program.argv.data(), program.envp.data());
    const int error = errno;
    [[maybe_unused]] ssize_t n = ::write(pipes.exec[1], &error, sizeof error);
    ::_exit(127);
}

// In Parlo, once the middle process has ended: the program's pid, or why it did not start.
Launch readReport(pid_t middle, const ReportPipes &pipes, const QString &name)
{
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    qint64 pid = 0;
    if (!readAll(pipes.pid[0], &pid, sizeof pid) || pid <= 0)
        return {0, QStringLiteral("Cannot start %1: the process could not be created.").arg(name)};
    int execError = 0;
    if (readAll(pipes.exec[0], &execError, sizeof execError))
        return {0, QStringLiteral("Cannot start %1: %2").arg(name, systemError(execError))};
    return {pid, {}};
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

    ReportPipes pipes;
    if (!pipes.open())
        return {0, QStringLiteral("Cannot start %1: %2").arg(name, systemError(errno))};
    const pid_t middle = ::fork();
    if (middle == 0)
        runMiddle(prepared, pipes);
    const int forkError = errno;
    pipes.closeWriteEnds();
    if (middle < 0)
        return {0, QStringLiteral("Cannot start %1: %2").arg(name, systemError(forkError))};
    return readReport(middle, pipes, name);
}
