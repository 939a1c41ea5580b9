#pragma once

// What every benchmark program shares: timing rounds of Parlo and of a baseline side by side,
// starting baseline processes the plain POSIX way, and printing the one line of the figure.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {

// The times of several rounds, in milliseconds.
struct Samples
{
    std::vector<double> ms;

    double min() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    double median() const
    {
        if (ms.empty())
            return 0;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

// Milliseconds one call of f takes, divided by the work units it does.
inline double timeMs(const std::function<void()> &f, int units = 1)
{
    QElapsedTimer clock;
    clock.start();
    f();
    return double(clock.nsecsElapsed()) / 1e6 / units;
}

// Rounds of Parlo and of the baseline taken in turn, so that both see the same machine load.
struct Pair
{
    Samples parlo;
    Samples baseline;
};

inline Pair compare(int rounds, const std::function<double()> &parloRound, const std::function<double()> &baseRound)
{
    Pair pair;
    parloRound(); // warms caches, the page cache and lazy bindings for both
    baseRound();
    for (int i = 0; i < rounds; ++i) {
        pair.parlo.ms.push_back(parloRound());
        pair.baseline.ms.push_back(baseRound());
    }
    return pair;
}

// One printed line. The ratio is of the medians; `also` adds further conditions to PASS.
struct Figure
{
    const char *name;
    Samples parlo;
    Samples baseline; // empty when the goal is a time of its own
    double goal;      // a ratio, or milliseconds without a baseline
    std::string also = {};
    bool alsoHolds = true;
};

// Prints the figure and returns the exit status: 0 when it passes.
inline int report(const Figure &f)
{
    const bool hasBaseline = !f.baseline.ms.empty();
    const double ratio = hasBaseline ? f.parlo.median() / f.baseline.median() : 0;
    const bool pass = (hasBaseline ? ratio <= f.goal : f.parlo.median() <= f.goal) && f.alsoHolds;
    std::printf("%-4s parlo %9.3f / %9.3f ms", f.name, f.parlo.min(), f.parlo.median());
    if (hasBaseline)
        std::printf("  baseline %9.3f / %9.3f ms  ratio %5.2f  goal <= %.2fx", f.baseline.min(), f.baseline.median(),
                    ratio, f.goal);
    else
        std::printf("  baseline         -           -     ratio     -  goal <= %.0f ms", f.goal);
    std::printf("%s%s  %s\n", f.also.empty() ? "" : "  ", f.also.c_str(), pass ? "PASS" : "FAIL");
    std::fflush(stdout);
    return pass ? 0 : 1;
}

// Stops the program with a sentence when a set-up step failed.
[[noreturn]] inline void fail(const char *name, const QString &why)
{
    std::printf("%-4s cannot run: %s  FAIL\n", name, qPrintable(why));
    std::exit(1);
}

// Starts argv with posix_spawn, standard output on stdoutFd and standard input from stdinFd
// unless they are -1; 0 on failure.
inline pid_t spawn(const std::vector<std::string> &argv, int stdoutFd = -1, int stdinFd = -1)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    if (stdinFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : 0;
}

// Waits for pid; whether it exited with status 0.
inline bool exitedCleanly(pid_t pid)
{
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The baseline run of a program: its output in a new file, waited for, the file read whole with
// one read and deleted. Returns the output; `ok` tells whether the program exited with 0.
inline QByteArray capture(const std::vector<std::string> &argv, const std::string &outputPath, bool *ok = nullptr,
                          int stdinFd = -1)
{
    const int fd = ::open(outputPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool clean = exitedCleanly(spawn(argv, fd, stdinFd));
    if (ok)
        *ok = clean;
    QByteArray bytes;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size > 0) {
        bytes.resize(size);
        ::pread(fd, bytes.data(), std::size_t(size), 0);
    }
    ::close(fd);
    ::unlink(outputPath.c_str());
    return bytes;
}

// The same for a command line given to /bin/sh -c.
inline QByteArray shellCapture(const std::string &command, const std::string &outputPath)
{
    return capture({"/bin/sh", "-c", command}, outputPath);
}

// A field of /proc/self/status (VmRSS, VmHWM, ...) in KiB.
inline long statusKiB(const char *field, const QString &statusFile = QStringLiteral("/proc/self/status"))
{
    QFile file(statusFile);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(field) && line.size() > qsizetype(std::strlen(field)) && line[std::strlen(field)] == ':')
            return line.mid(qsizetype(std::strlen(field)) + 1).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Resets the peak resident size (VmHWM) of this process to its current size.
inline bool resetPeak()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

// Writes COUNT lines, lineOf(0) ... lineOf(COUNT - 1), each ended by CR LF, as Parlo's name files are.
inline bool writeLines(const QString &path, int count, const std::function<QByteArray(int)> &lineOf)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += lineOf(i) + "\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Window benchmarks draw offscreen unless a platform is named.
inline void useOffscreenByDefault()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bench
