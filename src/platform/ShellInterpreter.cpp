#include "ShellInterpreter.h"

#include "ChildContract.h"
#include "LocaleText.h"
#include "RunningCommand.h"
#include "Spawn.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string_view>
#include <thread>

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Characters that /bin/sh reads as nothing but themselves, in any position of a word.
bool isPlainChar(QChar c)
{
    if (c.unicode() >= 0x80)
        return !c.isSpace();
    return c.isLetterOrNumber() || QStringView(u"._,:@%+=/-").contains(c);
}

bool isPlainWord(QStringView word)
{
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), isPlainChar);
}

// Plain words separated by single blanks, or nothing at all.
bool isPlainText(const QString &text)
{
    if (text.isEmpty())
        return true;
    const QStringList words = text.split(u' ');
    // An empty word is a blank at an end, or two in a row.
    return std::all_of(words.begin(), words.end(), [](const QString &word) { return isPlainWord(word); });
}

// The process id in an output file's name OUT<pid>-XXXXXX.tmp; 0 for any other name.
pid_t outputFileOwner(const char *name)
{
    const std::string_view text(name);
    const size_t dash = text.find('-');
    if (!text.starts_with("OUT") || dash == std::string_view::npos || dash == 3 || text.size() != dash + 1 + 6 + 4 ||
        !text.ends_with(".tmp"))
        return 0;
    pid_t pid = 0;
    for (size_t at = 3; at < dash; ++at) {
        if (text[at] < '0' || text[at] > '9' || pid > 99999999)
            return 0;
        pid = pid * 10 + (text[at] - '0');
    }
    return pid;
}

// Punches holes into files and closes them, one after another, in a thread of its own.
class FileFreer
{
public:
    static FileFreer &instance()
    {
        // Never destroyed: its thread may be waiting when the program ends.
        static FileFreer *freer = new FileFreer;
        return *freer;
    }

    // Takes over fd and closes it once the range is freed.
    void punch(int fd, qint64 from, qint64 to)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_jobs.push_back({fd, from, to});
        }
        m_wake.notify_one();
    }

private:
    struct Job
    {
        int fd;
        qint64 from;
        qint64 to;
    };

    FileFreer()
    {
        startQuietThread([this] { run(); });
    }

    [[noreturn]] void run()
    {
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_jobs.empty(); });
            const Job job = m_jobs.front();
            m_jobs.pop_front();
            lock.unlock();
            ::fallocate(job.fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, job.from, job.to - job.from);
            ::close(job.fd);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
};

} // namespace

int ShellInterpreter::removeLeftOutput() const
{
    const QByteArray directory = tempDirectory().toLocal8Bit();
    DIR *folder = ::opendir(directory.constData());
    if (!folder)
        return 0;
    int removed = 0;
    constexpr int maxEntries = 100000; // a folder anyone fills is looked at only so far
    int entries = 0;
    while (const dirent *entry = ::readdir(folder)) {
        if (++entries > maxEntries)
            break;
        const pid_t pid = outputFileOwner(entry->d_name);
        struct stat info;
        if (pid <= 0 || pid == ::getpid() ||
            ::fstatat(::dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH && ::unlinkat(::dirfd(folder), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(folder);
    return removed;
}

QString ShellInterpreter::literal(const QString &text) const
{
    if (isPlainText(text))
        return text;
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString ShellInterpreter::tempDirectory() const
{
    return m_facts.environment(QStringLiteral("TEMP"));
}

Interpreter::Outcome ShellInterpreter::run(const QString &command, int windowStyle, QFile &output)
{
    // The line reaches the shell as a C string, which would end at the NUL and run only its start.
    if (command.contains(QChar(0)))
        return {QStringLiteral("Cannot run the command: it holds a NUL character, which a command line cannot carry."),
                false};
    SpawnPlan plan;
    plan.program = shell();
    plan.arguments = {shell(), QStringLiteral("-c"), command};
    auto environment = m_environments.constFind(windowStyle);
    if (environment == m_environments.constEnd())
        environment =
            m_environments.insert(windowStyle, ChildContract::childEnvironment(m_config, windowStyle).toStringList());
    plan.environment = *environment;
    // The shell writes to Parlo's own open file: always at its end, wherever Parlo reads.
    ::fcntl(output.handle(), F_SETFL, ::fcntl(output.handle(), F_GETFL) | O_APPEND);
    plan.outputFd = output.handle();
    plan.quietErrors = true;
    // Its own process group, so that stopping it reaches every program it started.
    plan.leads = SpawnPlan::Leads::Group;
    const Spawned spawned = spawnProcess(plan);
    if (spawned.failed())
        return {QStringLiteral("Cannot start the command interpreter %1: %2")
                    .arg(shell(), QString::fromLocal8Bit(std::strerror(spawned.error))),
                false};

    RunningCommand running(spawned.pid, command);
    m_guard.watch(running);
    return {{}, running.wasStopped(), running.exitCode()};
}

QString ShellInterpreter::decode(const QByteArray &output) const
{
    return LocaleText::decode(output);
}

void ShellInterpreter::discard(QFile &output, qint64 from, qint64 to) const
{
    // Whole blocks only, inside the range.
    constexpr qint64 block = 4096;
    from = (from + block - 1) / block * block;
    to = to / block * block;
    if (to <= from)
        return;
    // Freeing a few hundred megabytes that a fast command has written takes the file system a
    // tenth of a second and more: another thread does it, on a descriptor of its own, so that
    // when it holds the last one it also frees the rest of the file.
    const int fd = ::fcntl(output.handle(), F_DUPFD_CLOEXEC, 0);
    if (fd >= 0)
        FileFreer::instance().punch(fd, from, to);
}
