#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

#include <sys/types.h>

class QSocketNotifier;

// A command line that the interpreter is running in a process group of its own, led by the
// shell, Parlo's child, which this reaps.
class RunningCommand final : public QObject
{
    Q_OBJECT
public:
    RunningCommand(pid_t shell, QString commandLine);
    ~RunningCommand() override;

    const QString &commandLine() const { return m_commandLine; }
    bool isFinished() const { return m_finished; }
    bool isStopping() const { return m_stopping; }
    // Whether stop() was called before it had finished.
    bool wasStopped() const { return m_stopping; }
    // The shell's exit status once it has ended by itself; -1 before, or when a signal ended it.
    int exitCode() const { return m_exitCode; }

    // Ends the whole process group: SIGINT first, so that a program can still print its
    // summary, and SIGKILL a second later for whatever is left.
    void stop();

Q_SIGNALS:
    // The interpreter has ended and, after stop(), nothing of its group runs any more.
    void finished();

private:
    void check();
    bool groupGone() const;
    bool shellEnded();

    pid_t m_shell;
    QString m_commandLine;
    int m_pidfd = -1;
    std::unique_ptr<QSocketNotifier> m_exited;
    bool m_reaped = false;
    int m_exitCode = -1;
    bool m_stopping = false;
    bool m_killed = false;
    bool m_finished = false;
    QElapsedTimer m_sinceStop;
    QTimer m_poll;
};

// Waits while a command runs; returns only once it has finished.
class RunGuard
{
public:
    virtual ~RunGuard() = default;
    virtual void watch(RunningCommand &command) = 0;
};

// Waits in a local event loop and offers no way to stop.
class QuietGuard final : public RunGuard
{
public:
    void watch(RunningCommand &command) override;
};
