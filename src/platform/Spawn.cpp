#include "Spawn.h"

#include <QCoreApplication>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// NUL-terminated copies of strings and the pointer array that posix_spawn wants.
class CStrings
{
public:
    explicit CStrings(const QStringList &strings)
    {
        m_storage.reserve(size_t(strings.size()));
        for (const QString &s : strings)
            m_storage.push_back(s.toLocal8Bit());
        m_pointers.reserve(m_storage.size() + 1);
        for (QByteArray &s : m_storage)
            m_pointers.push_back(s.data());
        m_pointers.push_back(nullptr);
    }
    char *const *data() const { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_pointers;
};

class SpawnSettings
{
public:
    explicit SpawnSettings(const SpawnPlan &plan)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (plan.outputFd >= 0)
            posix_spawn_file_actions_adddup2(&actions, plan.outputFd, STDOUT_FILENO);
        if (plan.quietErrors)
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (plan.leads == SpawnPlan::Leads::Session) {
            flags |= POSIX_SPAWN_SETSID;
        } else {
            flags |= POSIX_SPAWN_SETPGROUP;
            posix_spawnattr_setpgroup(&attributes, 0);
        }
        posix_spawnattr_setflags(&attributes, flags);
    }
    ~SpawnSettings()
    {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSettings(const SpawnSettings &) = delete;
    SpawnSettings &operator=(const SpawnSettings &) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// One thread that waits for the children nobody else waits for, each through a pidfd, so that
// it reaps exactly those and never a child that Qt or a runner waits for. It takes up the children
// only once Parlo has started nothing for a moment: in a burst of starts, such as a list send, a
// pidfd per child would be one more descriptor that every later start copies and closes again,
// and reaping would take the kernel's process table from the starts.
class Reaper
{
public:
    static Reaper &instance()
    {
        // Never destroyed: its thread may be waiting when the program ends.
        static Reaper *reaper = new Reaper;
        return *reaper;
    }

    void adopt(pid_t pid, std::function<void(int)> ended)
    {
        bool wake = false;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (ended)
                m_followers.emplace(pid, std::move(ended));
            if (m_wakeFd >= 0) {
                m_adopted.push_back(pid);
                m_lastAdopted = std::chrono::steady_clock::now();
                wake = !std::exchange(m_woken, true);
            }
        }
        if (m_wakeFd < 0)
            std::thread([this, pid] { waitFor(pid); }).detach();
        else if (wake)
            ::eventfd_write(m_wakeFd, 1);
    }

private:
    Reaper() : m_epoll(::epoll_create1(EPOLL_CLOEXEC)), m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = wakeKey;
        if (m_epoll < 0 || m_wakeFd < 0 || ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wakeFd, &event) != 0) {
            // No thread of its own: a thread waits for each child.
            if (m_wakeFd >= 0)
                ::close(m_wakeFd);
            m_wakeFd = -1;
            return;
        }
        startQuietThread([this] { run(); });
    }

    void waitFor(pid_t pid)
    {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        std::function<void(int)> ended;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            const auto follower = m_followers.find(pid);
            if (follower == m_followers.end())
                return;
            ended = std::move(follower->second);
            m_followers.erase(follower);
        }
        // Told in the event loop's thread, as long as there is one.
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (QCoreApplication *application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application, [ended = std::move(ended), code] { ended(code); }, Qt::QueuedConnection);
    }

    // Watches each child adopted since the last time, once starts have paused.
    void takeUpAdopted()
    {
        eventfd_t count = 0;
        ::eventfd_read(m_wakeFd, &count);
        for (;;) {
            const auto quietFor = std::chrono::steady_clock::now() - m_lastAdopted.load();
            if (quietFor >= quietTime)
                break;
            std::this_thread::sleep_for(quietTime - quietFor);
        }
        std::vector<pid_t> adopted;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            adopted.swap(m_adopted);
            m_woken = false;
        }
        for (const pid_t pid : adopted) {
            // A child that has ended meanwhile still has its pidfd, readable at once.
            const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = (quint64(quint32(pidfd)) << 32) | quint32(pid);
            if (pidfd >= 0 && ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, pidfd, &event) == 0)
                continue;
            // No pidfd here (a kernel before 5.3): a thread waits for this one child.
            if (pidfd >= 0)
                ::close(pidfd);
            std::thread([this, pid] { waitFor(pid); }).detach();
        }
    }

    [[noreturn]] void run()
    {
        epoll_event events[64];
        for (;;) {
            const int ready = ::epoll_wait(m_epoll, events, 64, -1);
            for (int i = 0; i < ready; ++i) {
                if (events[i].data.u64 == wakeKey) {
                    takeUpAdopted();
                    continue;
                }
                waitFor(pid_t(quint32(events[i].data.u64)));
                ::close(int(events[i].data.u64 >> 32)); // also takes it out of the epoll set
            }
        }
    }

    static constexpr std::chrono::milliseconds quietTime{100};
    // No pidfd's entry: a descriptor's number is never all ones.
    static constexpr quint64 wakeKey = ~quint64(0);

    int m_epoll;
    int m_wakeFd;
    std::mutex m_mutex;
    std::unordered_map<pid_t, std::function<void(int)>> m_followers;
    std::vector<pid_t> m_adopted;
    bool m_woken = false;
    std::atomic<std::chrono::steady_clock::time_point> m_lastAdopted{};
};

} // namespace

Spawned spawnProcess(const SpawnPlan &plan)
{
    const QByteArray program = plan.program.toLocal8Bit();
    const CStrings argv(plan.arguments.isEmpty() ? QStringList{plan.program} : plan.arguments);
    const CStrings envp(plan.environment);
    const SpawnSettings settings(plan);
    Spawned spawned;
    spawned.error = ::posix_spawn(&spawned.pid, program.constData(), &settings.actions, &settings.attributes,
                                  argv.data(), envp.data());
    if (spawned.error != 0)
        spawned.pid = 0;
    return spawned;
}

void startQuietThread(std::function<void()> work)
{
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    std::thread(std::move(work)).detach();
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void reapWhenDone(pid_t pid, std::function<void(int)> ended)
{
    if (pid > 0)
        Reaper::instance().adopt(pid, std::move(ended));
}
