// P1: RunCapture("true") against posix_spawn of /bin/sh -c true with its output in a file and
// one read.
#include "Bench.h"
#include "platform/LinuxFacts.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), temp.path());
    LinuxFacts facts(environment);
    QuietGuard guard;
    ShellInterpreter interpreter({QStringLiteral(PARLO_BENCH_COMPAT_DIR), temp.path()}, facts, guard);
    Runner runner(interpreter);
    const std::string scratch = temp.filePath(QStringLiteral("baseline.out")).toStdString();

    constexpr int perRound = 100;
    const auto parlo = [&] {
        return bench::timeMs(
            [&] {
                for (int i = 0; i < perRound; ++i)
                    runner.RunCapture(QStringLiteral("true"), 6);
            },
            perRound);
    };
    const auto baseline = [&] {
        return bench::timeMs(
            [&] {
                for (int i = 0; i < perRound; ++i)
                    bench::shellCapture("true", scratch);
            },
            perRound);
    };
    // The two differ by a tenth of a shell start; more rounds keep the medians steady.
    const bench::Pair pair = bench::compare(21, parlo, baseline);
    return bench::report({"P1", pair.parlo, pair.baseline, 1.05});
}
