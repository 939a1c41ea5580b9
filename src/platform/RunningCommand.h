#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QProcess;

// A command line that the interpreter is running in a process group of its own.
class RunningCommand final : public QObject
{
    Q_OBJECT
public:
    RunningCommand(QProcess &process, QString commandLine);

    const QString &commandLine() const { return m_commandLine; }
    bool isFinished() const { return m_finished; }
    bool isStopping() const { return m_stopping; }

    // Ends the whole process group: SIGINT first, so that a program can still print its
    // summary, and SIGKILL a second later for whatever is left.
    void stop();

Q_SIGNALS:
    // The interpreter has ended and, after stop(), nothing of its group runs any more.
    void finished();

private:
    void check();
    bool groupGone() const;

    QProcess &m_process;
    QString m_commandLine;
    qint64 m_group;
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
