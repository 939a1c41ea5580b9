#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

// What a console program did.
struct ConsoleRun
{
    static constexpr int boxShown = -2; // an exit code: see runConsole()
    int exitCode = -1;                  // also when it crashed, did not start or did not end in 20 s
    QString output, errors;
    qint64 milliseconds = 0;
};

// Runs a program with NAME=VALUE settings added to its environment and its input left open, so
// that one that reads it hangs here; the event loop runs meanwhile, for the test's own servers. A
// program that may show a message box is taken to do so when it still runs half a second after
// printing a line; nobody closes the box here, so it is killed then. A `bare` environment holds
// only PATH, HOME and XDG_RUNTIME_DIR of the test's own before the settings: no display, say.
inline ConsoleRun runConsole(const QString &program, const QStringList &arguments, const QStringList &environment = {},
                             bool mayShowBox = false, bool bare = false)
{
    QProcess process;
    QProcessEnvironment changed = QProcessEnvironment::systemEnvironment();
    for (const QString &name : bare ? changed.keys() : QStringList()) {
        if (name != u"PATH" && name != u"HOME" && name != u"XDG_RUNTIME_DIR")
            changed.remove(name);
    }
    for (const QString &setting : environment)
        changed.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    process.setProcessEnvironment(changed);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    qint64 printedAt = -1;
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 20000 &&
           (printedAt < 0 || clock.elapsed() < printedAt + 500)) {
        QTest::qWait(10);
        if (mayShowBox && printedAt < 0 && process.canReadLine())
            printedAt = clock.elapsed();
    }
    ConsoleRun run;
    run.milliseconds = clock.elapsed();
    if (process.state() != QProcess::NotRunning)
        run.exitCode = printedAt < 0 ? -1 : ConsoleRun::boxShown;
    else if (process.error() != QProcess::FailedToStart && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    process.kill();
    process.waitForFinished(5000);
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
