// P12: from a line that a command in Virtual DOS prints to that line in the output box, while
// the command runs (goal 150 ms, median and worst of 3 x 20 lines). Each line is the time it
// was printed at, from `date`.
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
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <ctime>

namespace {

constexpr int linesPerRound = 20;

qint64 nowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Runs the printing command and notes, on every turn of the event loop, the lines that have
// come into the box since the last turn.
void round(vdos &window, bench::Samples &latencies)
{
    auto *box = window.findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    box->clear();
    int seen = 0;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, &turn, [&] {
        const QStringList lines = box->toPlainText().split(u'\n');
        for (; seen < lines.size() - 1; ++seen) // the last one is not yet complete
            latencies.ms.push_back(double(nowNs() - lines[seen].toLongLong()) / 1e6);
    });
    turn.start(0);
    auto *input = window.findChild<QLineEdit *>(QStringLiteral("Text2"));
    input->setText(
        QStringLiteral("i=0; while [ $i -lt %1 ]; do date +%s%N; sleep 0.2; i=$((i+1)); done").arg(linesPerRound));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(input, &enter);
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    QTemporaryDir temp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), temp.path());
    LinuxFacts facts(environment);
    GuardDialog guard;
    ShellInterpreter interpreter({QStringLiteral(PARLO_BENCH_COMPAT_DIR), temp.path()}, facts, guard);
    Runner runner(interpreter);
    FakeHost fake(temp.path());
    vdos window(Host{runner, fake.launcher, fake.messages, facts, fake.paths});
    window.show();

    bench::Samples latencies;
    for (int i = 0; i < 3; ++i)
        round(window, latencies);
    const double worst = latencies.ms.empty() ? 1e9 : *std::max_element(latencies.ms.begin(), latencies.ms.end());
    char also[96];
    std::snprintf(also, sizeof also, "worst %.0f ms, %zu of %d lines seen while running", worst, latencies.ms.size(),
                  3 * linesPerRound);
    const bool allSeen = latencies.ms.size() >= std::size_t(3 * (linesPerRound - 1));
    return bench::report({"P12", latencies, {}, 150, also, worst <= 150 && allSeen});
}
