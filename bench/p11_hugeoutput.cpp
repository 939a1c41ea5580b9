// P11: Virtual DOS running a command that prints 200 MB on one line, and `yes` stopped after
// 2 s: the longest time the event loop does not turn (goal 100 ms), the peak resident size over
// the idle window's (goal 64 MiB), and no output file left in TEMP.
#include "Bench.h"
#include "Fakes.h"
#include "platform/GuardDialog.h"
#include "platform/LinuxFacts.h"
#include "platform/ShellInterpreter.h"
#include "tools/vdos.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

struct Run
{
    double longestStallMs = 0;
    double peakOverIdleMiB = 0;
};

// Types the line into Virtual DOS and presses Enter; with stopAfterMs, presses Stop in the
// Running dialog that long after the start.
Run runLine(vdos &window, const QString &line, int stopAfterMs)
{
    const long idleKiB = bench::statusKiB("VmRSS");
    bench::resetPeak();
    Run run;
    QElapsedTimer sinceTurn;
    QElapsedTimer sinceStart;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, &turn, [&] {
        run.longestStallMs = std::max(run.longestStallMs, double(sinceTurn.nsecsElapsed()) / 1e6);
        sinceTurn.restart();
        QWidget *modal = QApplication::activeModalWidget();
        if (stopAfterMs >= 0 && sinceStart.elapsed() >= stopAfterMs && modal)
            QMetaObject::invokeMethod(modal->findChild<QPushButton *>(QStringLiteral("Stop")), "click");
    });
    auto *input = window.findChild<QLineEdit *>(QStringLiteral("Text2"));
    input->setText(line);
    sinceTurn.start();
    sinceStart.start();
    turn.start(0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(input, &enter);
    // The handler has returned; one more turn shows whether setting the text held the loop.
    QEventLoop settle;
    QTimer::singleShot(50, &settle, &QEventLoop::quit);
    settle.exec();
    turn.stop();
    run.peakOverIdleMiB = double(bench::statusKiB("VmHWM") - idleKiB) / 1024;
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString tmp = temp.filePath(QStringLiteral("tmp"));
    QDir().mkpath(tmp);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), tmp);
    LinuxFacts facts(environment);
    GuardDialog guard;
    ShellInterpreter interpreter({QStringLiteral(PARLO_BENCH_COMPAT_DIR), temp.path()}, facts, guard);
    Runner runner(interpreter);
    FakeHost fake(temp.path());
    vdos window(Host{runner, fake.launcher, fake.messages, facts, fake.paths});
    window.show();

    bench::Samples stalls;
    double peakMiB = 0;
    const struct
    {
        QString line;
        int stopAfterMs;
    } lines[] = {{QStringLiteral("head -c 200000000 /dev/zero | tr '\\0' x"), -1}, {QStringLiteral("yes"), 2000}};
    for (int round = 0; round < 3; ++round) {
        for (const auto &line : lines) {
            const Run run = runLine(window, line.line, line.stopAfterMs);
            stalls.ms.push_back(run.longestStallMs);
            peakMiB = std::max(peakMiB, run.peakOverIdleMiB);
        }
    }
    const bool clean = QDir(tmp).isEmpty() && fake.messages.boxes.isEmpty();
    char also[160];
    std::snprintf(also, sizeof also, "longest stall %.0f ms, peak +%.1f MiB (goal <= 64)%s",
                  *std::max_element(stalls.ms.begin(), stalls.ms.end()), peakMiB,
                  clean ? "" : ", a file was left or a box showed");
    bench::Samples worst{{*std::max_element(stalls.ms.begin(), stalls.ms.end())}};
    return bench::report({"P11", worst, {}, 100, also, peakMiB <= 64 && clean});
}
