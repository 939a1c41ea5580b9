// P2: RunCapture of 100 MB of output against the same spawn of `cat FILE` plus one read, and the
// runner's peak memory against the output's size. The runner keeps the output's first and last
// lines, as BoundedOutput says; the baseline reads it whole.
#include "Bench.h"
#include "platform/LinuxFacts.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

constexpr qsizetype outputBytes = qsizetype(100) << 20;

bool writeText(const QString &path)
{
    QByteArray line = QByteArrayLiteral("WORKSTATION-0000, \"Printer on the third floor\"\r\n");
    QByteArray text;
    text.reserve(outputBytes);
    while (text.size() + line.size() <= outputBytes)
        text += line;
    text.append(outputBytes - text.size(), 'x');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == outputBytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString input = temp.filePath(QStringLiteral("input.txt"));
    if (!writeText(input))
        bench::fail("P2", QStringLiteral("cannot write %1").arg(input));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), temp.path());
    LinuxFacts facts(environment);
    QuietGuard guard;
    ShellInterpreter interpreter({QStringLiteral(PARLO_BENCH_COMPAT_DIR), temp.path()}, facts, guard);
    Runner runner(interpreter);
    const QString command = QStringLiteral("cat ") + input;
    const std::string scratch = temp.filePath(QStringLiteral("baseline.out")).toStdString();

    long peakKiB = 0;
    bool whole = true;
    const auto parlo = [&] {
        bench::resetPeak();
        const long before = bench::statusKiB("VmRSS");
        QString text;
        const double ms = bench::timeMs([&] { text = runner.RunCapture(command, 6).text; });
        peakKiB = std::max(peakKiB, bench::statusKiB("VmHWM") - before);
        whole = whole && text.startsWith(QLatin1String("WORKSTATION-0000, ")) && text.endsWith(u'x') &&
                text.contains(QLatin1String(" bytes of output left out ...]"));
        return ms;
    };
    const auto baseline = [&] {
        return bench::timeMs(
            [&] { whole = whole && bench::shellCapture(command.toStdString(), scratch).size() == outputBytes; });
    };
    const bench::Pair pair = bench::compare(5, parlo, baseline);
    const double memory = double(peakKiB) * 1024 / double(outputBytes);
    char also[96];
    std::snprintf(also, sizeof also, "peak %.2fx output (goal <= 2.50x)%s", memory,
                  whole ? "" : ", output not as kept");
    return bench::report({"P2", pair.parlo, pair.baseline, 1.20, also, memory <= 2.5 && whole});
}
