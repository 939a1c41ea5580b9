// P9: from a message file landing in the spool until its pop-up is mapped on the X server,
// against a bare Qt Widgets program that watches a folder and shows each new message in a label
// window (bare_watcher), built with the same flags. Needs $DISPLAY (the bench target runs it
// under xvfb-run).
//
// Both programs run for the whole benchmark, each on a spool of its own. A round writes a message
// as parlo-deliver does: its bytes to a hidden .NAME.tmp in the spool, flushed, then renamed to
// NAME. The clock runs from the rename until a top-level window is mapped. Each window is then
// closed as a user closes it, by WM_DELETE_WINDOW from the window manager, and the round waits
// until it is unmapped: Parlo records the message as seen and has room for the next pop-up, and
// the baseline, which keeps no record, closes its label window the same way, so that each round
// of either program maps one new window on a screen that holds only what it held before. Since
// no pop-up is open between rounds, Parlo has made the next one ahead (MessagePopups), as it does
// for a message that comes to an idle desktop; the baseline makes its label when a message comes.
#include "Bench.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <ctime>

#include <poll.h>
#include <sys/stat.h>
#include <xcb/xcb.h>

namespace {

constexpr qint64 waitMs = 10000; // every wait for the X server ends after this
// The deliverer's hidden file makes each program list its folder too; the clock starts after that.
constexpr useconds_t settleUs = 50000;

class Screen
{
public:
    Screen()
    {
        m_x = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_x))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_x, m_root, XCB_CW_EVENT_MASK, &mask);
        m_protocols = atom("WM_PROTOCOLS");
        m_deleteWindow = atom("WM_DELETE_WINDOW");
        m_name = atom("_NET_WM_NAME");
    }
    ~Screen() { xcb_disconnect(m_x); }
    Screen(const Screen &) = delete;
    Screen &operator=(const Screen &) = delete;

    bool connected() const { return !xcb_connection_has_error(m_x) && m_deleteWindow != XCB_ATOM_NONE; }

    // Forgets the events so far.
    void drain()
    {
        xcb_flush(m_x);
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_x))
            std::free(event);
    }

    // The next top-level window mapped (no override-redirect one: menus, tool tips), or 0 when
    // none was within waitMs.
    xcb_window_t waitForMap()
    {
        xcb_window_t mapped = 0;
        waitFor([&](const xcb_generic_event_t *event) {
            const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && !map->override_redirect)
                mapped = map->window;
            return mapped != 0;
        });
        return mapped;
    }

    bool waitForUnmap(xcb_window_t window)
    {
        return waitFor([&](const xcb_generic_event_t *event) {
            return (event->response_type & 0x7f) == XCB_UNMAP_NOTIFY &&
                   reinterpret_cast<const xcb_unmap_notify_event_t *>(event)->window == window;
        });
    }

    // What a window manager sends when the user closes a window by its title bar.
    void askToClose(xcb_window_t window)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = m_protocols;
        message.data.data32[0] = m_deleteWindow;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_x, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&message));
        xcb_flush(m_x);
    }

    QByteArray title(xcb_window_t window)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_x, xcb_get_property(m_x, 0, window, m_name, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
        if (!reply)
            return {};
        const QByteArray name(static_cast<const char *>(xcb_get_property_value(reply)),
                              xcb_get_property_value_length(reply));
        std::free(reply);
        return name;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(m_x, xcb_intern_atom(m_x, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    template <typename Match> bool waitFor(Match match)
    {
        xcb_flush(m_x);
        QElapsedTimer waited;
        waited.start();
        pollfd fd{xcb_get_file_descriptor(m_x), POLLIN, 0};
        while (waited.elapsed() < waitMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_x)) {
                const bool matched = match(event);
                std::free(event);
                if (matched)
                    return true;
            }
            if (xcb_connection_has_error(m_x))
                return false;
            ::poll(&fd, 1, int(std::max<qint64>(1, waitMs - waited.elapsed())));
        }
        return false;
    }

    xcb_connection_t *m_x = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_protocols = XCB_ATOM_NONE;
    xcb_atom_t m_deleteWindow = XCB_ATOM_NONE;
    xcb_atom_t m_name = XCB_ATOM_NONE;
};

// One of the two programs: its spool, and the caption of the windows it shows messages in.
struct Receiver
{
    const char *who;
    std::string spool;
    QByteArray caption;
    pid_t pid = 0;
    int sent = 0;
};

std::string hiddenPath(const Receiver &receiver, const std::string &name)
{
    return receiver.spool + "/." + name + ".tmp";
}

// A message file as parlo-deliver stores it, under its hidden name, on the disk; its name, or ""
// on failure.
std::string writeHidden(Receiver &receiver)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    char name[64];
    std::snprintf(name, sizeof name, "%020lld-%ld.msg", (long long)now.tv_sec * 1000000000LL + now.tv_nsec,
                  long(::getpid()));
    const std::string hidden = hiddenPath(receiver, name);
    char content[160];
    const int size =
        std::snprintf(content, sizeof content,
                      "from=BENCH\nto=PARLO\ntime=2026-12-07T12:09:49Z\n\nRound %d: lunch at noon?\n", ++receiver.sent);
    const int fd = ::open(hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0640);
    const bool written = fd >= 0 && ::write(fd, content, size_t(size)) == size && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return written ? std::string(name) : std::string();
}

void stop(const Receiver &receiver)
{
    if (receiver.pid <= 0)
        return;
    ::kill(receiver.pid, SIGKILL);
    ::waitpid(receiver.pid, nullptr, 0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const auto folder = [&](const char *name) {
        const QString path = temp.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        ::chmod(QFile::encodeName(path).constData(), 0700);
        return path.toStdString();
    };
    // A private user: nothing of the real one is read or written, and no notification service
    // is asked.
    qputenv("HOME", folder("home").c_str());
    for (const char *variable : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, folder(variable).c_str());
    qputenv("XDG_RUNTIME_DIR", folder("runtime").c_str());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("QT_QPA_PLATFORM");
    Receiver parlo{"Parlo", folder("parlo-spool"), "Messenger Service"};
    Receiver bare{"the baseline", folder("bare-spool"), "Message"};
    qputenv("PARLO_SPOOL", parlo.spool.c_str());

    Screen screen;
    if (!screen.connected())
        bench::fail("P9", QStringLiteral("no X server (run it under xvfb-run -a)"));
    screen.drain();
    // The baseline shows nothing until a message comes; the first window mapped is Parlo's.
    bare.pid = bench::spawn({PARLO_BENCH_WATCHER, bare.spool});
    parlo.pid = bench::spawn({PARLO_BENCH_PROGRAM});
    if (bare.pid <= 0 || parlo.pid <= 0 || !screen.waitForMap()) {
        stop(parlo);
        stop(bare);
        bench::fail("P9", QStringLiteral("Parlo's main window was not mapped"));
    }

    QString failure;
    const auto round = [&](Receiver &receiver) {
        if (!failure.isEmpty())
            return 0.0; // a round failed: the figure fails, without more waiting
        const std::string name = writeHidden(receiver);
        if (name.empty()) {
            failure = QStringLiteral("cannot write a message file");
            return 0.0;
        }
        const std::string hidden = hiddenPath(receiver, name);
        const std::string visible = receiver.spool + '/' + name;
        ::usleep(settleUs);
        screen.drain();
        QElapsedTimer clock;
        clock.start();
        const bool renamed = ::rename(hidden.c_str(), visible.c_str()) == 0;
        const xcb_window_t window = renamed ? screen.waitForMap() : 0;
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (window == 0) {
            failure = QStringLiteral("%1 mapped no window for message %2")
                          .arg(QLatin1String(receiver.who))
                          .arg(receiver.sent);
            return ms;
        }
        const QByteArray caption = screen.title(window);
        screen.askToClose(window);
        if (!screen.waitForUnmap(window))
            failure = QStringLiteral("%1 did not close its window").arg(QLatin1String(receiver.who));
        else if (caption != receiver.caption)
            failure = QStringLiteral("%1 mapped \"%2\"").arg(QLatin1String(receiver.who), QString::fromUtf8(caption));
        return ms;
    };
    const bench::Pair pair = bench::compare(
        21, [&] { return round(parlo); }, [&] { return round(bare); });
    stop(parlo);
    stop(bare);
    return bench::report({"P9", pair.parlo, pair.baseline, 1.20, failure.toStdString(), failure.isEmpty()});
}
