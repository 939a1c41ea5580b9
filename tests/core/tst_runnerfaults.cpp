// The runner over the real /bin/sh when commands fail, are stopped, or find no place for their
// output: every call returns, nothing is left running, and no output file is left behind.
#include "Fakes.h"
#include "ProcessTable.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"

#include <QDirIterator>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Stops each command it watches after stopAfterMs, as the Running dialog's Stop does (never
// when negative), and gives up waiting after waitMs.
class StoppingGuard final : public RunGuard
{
public:
    static constexpr int waitMs = 5000;

    void watch(RunningCommand &command) override
    {
        if (command.isFinished())
            return;
        QEventLoop loop;
        QObject::connect(&command, &RunningCommand::finished, &loop, &QEventLoop::quit);
        if (stopAfterMs >= 0)
            QTimer::singleShot(stopAfterMs, &command, &RunningCommand::stop);
        QTimer::singleShot(waitMs, &loop, [&] {
            overran = true;
            loop.quit();
        });
        loop.exec();
    }

    int stopAfterMs = -1;
    bool overran = false;
};

// One kind of run in the mix: what the command is, where TEMP points, what comes back.
struct RunKind
{
    const char *name;
    QString command;
    int stopAfterMs;
    const char *temp; // below the test's folder, or an absolute path
    QString text;     // a pattern for the captured text
    QString error;    // a part of the error, or empty when the run must succeed
    int exitCode;     // as Capture gives it
};

} // namespace

class tst_RunnerFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mixedRunsLeaveNoFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("tmp")));
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        FakeFacts facts;
        StoppingGuard guard;
        ShellInterpreter interpreter({dir.filePath(QStringLiteral("compat")), dir.filePath(QStringLiteral("data"))},
                                     facts, guard);
        Runner runner(interpreter);

        const QString cannotCreate = u"Cannot create a temporary file"_s;
        // clang-format off
        const RunKind kinds[] = {
            {"exit status", u"echo out; exit 3"_s, -1, "tmp", u"out\n"_s, {}, 3},
            {"unknown program", u"no-such-program-here"_s, -1, "tmp", {}, {}, 127},
            {"killed by a signal", u"echo a; kill -KILL $$"_s, -1, "tmp", u"a\n"_s, {}, -1},
            {"NUL refused", u"echo a"_s + QChar(0), -1, "tmp", {}, u"NUL character"_s, -1},
            {"output file taken away", u"rm \"$(readlink /proc/$$/fd/1)\"; echo gone"_s, -1, "tmp", u"gone\n"_s, {}, 0},
            {"stopped at once", u"sleep 30"_s, 0, "tmp", u"Stopped\\."_s, {}, -1},
            {"stopped after output", u"echo begun; sleep 30"_s, 10, "tmp", u"(begun\n)?Stopped\\."_s, {}, -1},
            {"TEMP is a file", u"echo x"_s, -1, "file", {}, cannotCreate, -1},
            {"TEMP is missing", u"echo x"_s, -1, "missing/sub", {}, cannotCreate, -1},
            {"TEMP takes no files", u"echo x"_s, -1, "/proc", {}, cannotCreate + u" in /proc"_s, -1},
        };
        // clang-format on
        QRandomGenerator random(20261207);
        for (int i = 0; i < 1000; ++i) {
            const RunKind &kind = kinds[random.bounded(int(std::size(kinds)))];
            const QString temp = QString::fromLatin1(kind.temp);
            facts.variables.insert(QStringLiteral("temp"), temp.startsWith(u'/') ? temp : dir.filePath(temp));
            guard.stopAfterMs = kind.stopAfterMs;
            const Capture capture = runner.RunCapture(kind.command, 6);
            const QString what =
                QStringLiteral("run %1, %2: %3 [%4]").arg(i).arg(kind.name, capture.error, capture.text);
            QVERIFY2(!guard.overran, qPrintable(what));
            QVERIFY2(kind.error.isEmpty() ? !capture.failed() : capture.error.contains(kind.error), qPrintable(what));
            const QRegularExpression text(QRegularExpression::anchoredPattern(kind.text));
            QVERIFY2(text.match(capture.text).hasMatch(), qPrintable(what));
            QVERIFY2(capture.exitCode == kind.exitCode, qPrintable(what + QString::number(capture.exitCode)));
        }
        // No output file is left anywhere below the folder.
        QDirIterator left(dir.path(), {u"OUT*.tmp"_s}, QDir::Files | QDir::Hidden | QDir::System,
                          QDirIterator::Subdirectories);
        QCOMPARE(left.hasNext() ? left.next() : QString(), QString());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
        // Nothing the runs started is still running, nor left as a zombie.
        const QList<ProcessEntry> table = processTable();
        QVERIFY(std::none_of(table.begin(), table.end(),
                             [](const ProcessEntry &process) { return process.parent == ::getpid(); }));
    }
};

QTEST_MAIN(tst_RunnerFaults)
#include "tst_runnerfaults.moc"
