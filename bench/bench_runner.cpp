// Measures the command runner and the field reader against baselines measured in the same
// run, and prints the ratios (Parlo's time / baseline time, peak memory / output size).
//   bench_runner [megabytes]
#include "FieldReader.h"
#include "LinuxFacts.h"
#include "RunningCommand.h"
#include "ShellInterpreter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

template <typename F> double bestMs(int rounds, F &&f)
{
    double best = 1e18;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        f();
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    return best;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The least one can do: sh -c with output into a file, then read it.
QByteArray baselineRun(const QString &command, const QString &path)
{
    QProcess process;
    process.setStandardOutputFile(path);
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    process.waitForFinished(-1);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QByteArray bytes = file.readAll();
    file.remove();
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    QTemporaryDir temp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), temp.path());
    LinuxFacts facts(environment);
    QuietGuard guard;
    ShellInterpreter interpreter({temp.path(), temp.path()}, facts, guard);
    Runner runner(interpreter);
    const QString scratch = temp.filePath(QStringLiteral("baseline.out"));

    const QString small = QStringLiteral("echo hello");
    const double smallParlo = bestMs(20, [&] { runner.RunCapture(small, 6); });
    const double smallBase = bestMs(20, [&] { baselineRun(small, scratch); });
    std::printf("runner, short command: %.2f ms, baseline %.2f ms, ratio %.2f\n", smallParlo, smallBase,
                smallParlo / smallBase);

    const QString large = QStringLiteral("head -c %1 /dev/zero | tr '\\000' x").arg(qint64(megabytes) << 20);
    const double largeBase = bestMs(3, [&] { baselineRun(large, scratch); });
    const long before = peakKiB();
    const double largeParlo = bestMs(3, [&] { runner.RunCapture(large, 6); });
    const long growth = std::max(0L, peakKiB() - before);
    std::printf("runner, %d MB of output: %.1f ms, baseline %.1f ms, ratio %.2f; peak memory %.2f x output\n",
                megabytes, largeParlo, largeBase, largeParlo / largeBase, growth / 1024.0 / megabytes);

    QString names;
    for (int i = 0; i < 100000; ++i)
        names += QStringLiteral("  PC%1, \"Office %1\"\r\n").arg(i);
    qsizetype sink = 0;
    const double readerMs = bestMs(5, [&] { sink += readFields(names).size(); });
    const double splitMs = bestMs(5, [&] { sink += names.split(QStringLiteral("\r\n")).size(); });
    std::printf("field reader, 100000 lines: %.1f ms, plain split baseline %.1f ms, ratio %.2f\n", readerMs, splitMs,
                readerMs / splitMs);
    return sink > 0 ? 0 : 1;
}
