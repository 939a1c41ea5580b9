#include "RunningCommand.h"

#include <QEventLoop>
#include <QProcess>

#include <cerrno>
#include <csignal>

namespace {
constexpr int pollMs = 20;
constexpr int killAfterMs = 1000;
} // namespace

RunningCommand::RunningCommand(QProcess &process, QString commandLine)
    : m_process(process), m_commandLine(std::move(commandLine)), m_group(process.processId())
{
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &RunningCommand::check);
    connect(&m_process, &QProcess::finished, this, &RunningCommand::check);
    if (m_process.state() == QProcess::NotRunning)
        m_finished = true;
}

bool RunningCommand::groupGone() const
{
    return m_group <= 0 || (::kill(-pid_t(m_group), 0) != 0 && errno == ESRCH);
}

void RunningCommand::stop()
{
    if (m_finished || m_stopping)
        return;
    m_stopping = true;
    m_sinceStop.start();
    if (m_group > 0)
        ::kill(-pid_t(m_group), SIGINT);
    m_poll.start();
}

void RunningCommand::check()
{
    if (m_finished)
        return;
    if (m_stopping) {
        if (!m_killed && (m_sinceStop.elapsed() >= killAfterMs)) {
            ::kill(-pid_t(m_group), SIGKILL);
            m_killed = true;
        }
        // After SIGKILL, members not yet reaped by their new parent are dead all the same.
        if (m_process.state() != QProcess::NotRunning || !(m_killed || groupGone()))
            return;
    } else if (m_process.state() != QProcess::NotRunning) {
        return;
    }
    m_poll.stop();
    m_finished = true;
    Q_EMIT finished();
}

void QuietGuard::watch(RunningCommand &command)
{
    if (command.isFinished())
        return;
    QEventLoop loop;
    QObject::connect(&command, &RunningCommand::finished, &loop, &QEventLoop::quit);
    loop.exec();
}
