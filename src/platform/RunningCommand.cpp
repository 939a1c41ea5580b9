#include "RunningCommand.h"

#include "Spawn.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr int pollMs = 20;
constexpr int killAfterMs = 1000;
constexpr int quickMs = 20;
} // namespace

RunningCommand::RunningCommand(pid_t shell, QString commandLine) : m_shell(shell), m_commandLine(std::move(commandLine))
{
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &RunningCommand::check);
    // The shell's end wakes the event loop through a pidfd; without one, it is looked for.
    m_pidfd = int(::syscall(SYS_pidfd_open, m_shell, 0));
    if (m_pidfd >= 0) {
        m_exited = std::make_unique<QSocketNotifier>(qintptr(m_pidfd), QSocketNotifier::Read);
        connect(m_exited.get(), &QSocketNotifier::activated, this, &RunningCommand::check);
        // Most commands end within milliseconds: those are waited for here, without the turns
        // of an event loop, which would add a tenth to the run of a short one.
        pollfd ended{m_pidfd, POLLIN, 0};
        ::poll(&ended, 1, quickMs);
    } else {
        m_poll.start();
    }
    check();
}

RunningCommand::~RunningCommand()
{
    m_exited.reset();
    if (m_pidfd >= 0)
        ::close(m_pidfd);
    if (!m_reaped)
        reapWhenDone(m_shell);
}

bool RunningCommand::shellEnded()
{
    if (!m_reaped) {
        int status = 0;
        pid_t reaped = 0;
        while ((reaped = ::waitpid(m_shell, &status, WNOHANG)) < 0 && errno == EINTR) {
        }
        m_reaped = reaped == m_shell || (reaped < 0 && errno == ECHILD);
        if (reaped == m_shell && WIFEXITED(status))
            m_exitCode = WEXITSTATUS(status);
        if (m_reaped && m_exited)
            m_exited->setEnabled(false);
    }
    return m_reaped;
}

bool RunningCommand::groupGone() const
{
    return m_shell <= 0 || (::kill(-m_shell, 0) != 0 && errno == ESRCH);
}

void RunningCommand::stop()
{
    if (m_finished || m_stopping)
        return;
    m_stopping = true;
    m_sinceStop.start();
    if (m_shell > 0)
        ::kill(-m_shell, SIGINT);
    m_poll.start();
}

void RunningCommand::check()
{
    if (m_finished)
        return;
    if (m_stopping) {
        if (!m_killed && (m_sinceStop.elapsed() >= killAfterMs)) {
            ::kill(-m_shell, SIGKILL);
            m_killed = true;
        }
        // After SIGKILL, members not yet reaped by their new parent are dead all the same.
        if (!shellEnded() || !(m_killed || groupGone()))
            return;
    } else if (!shellEnded()) {
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
