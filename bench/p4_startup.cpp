// P4: from the start of the program until its main window is mapped on the X server, against
// a bare Qt Widgets window built with the same flags; the resident size then, and whether Qt
// WebEngine is mapped. Needs $DISPLAY (the bench target runs it under xvfb-run).
#include "Bench.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <csignal>

#include <poll.h>
#include <xcb/xcb.h>

namespace {

struct Start
{
    double ms = 0;
    long rssKiB = 0;
    bool webEngine = false;
    bool mapped = false;
};

// Waits (at most 10 s) for a top-level window to be mapped.
bool waitForMap(xcb_connection_t *x)
{
    QElapsedTimer waited;
    waited.start();
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (waited.elapsed() < 10000) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
            const bool map = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                             !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect;
            std::free(event);
            if (map)
                return true;
        }
        ::poll(&fd, 1, 100);
    }
    return false;
}

bool mapsWebEngine(pid_t pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngine");
}

Start start(xcb_connection_t *x, const std::string &program)
{
    Start result;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = bench::spawn({program});
    result.mapped = pid > 0 && waitForMap(x);
    result.ms = double(clock.nsecsElapsed()) / 1e6;
    result.rssKiB = bench::statusKiB("VmRSS", QStringLiteral("/proc/%1/status").arg(pid));
    result.webEngine = mapsWebEngine(pid);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return result;
}

long median(std::vector<long> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qputenv(variable, home.path().toLocal8Bit());
    qunsetenv("QT_QPA_PLATFORM");
    xcb_connection_t *x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x))
        bench::fail("P4", QStringLiteral("no X server (run it under xvfb-run -a)"));
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, xcb_setup_roots_iterator(xcb_get_setup(x)).data->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    std::vector<long> parloRss;
    std::vector<long> bareRss;
    bool mapped = true;
    bool webEngine = false;
    const auto round = [&](const std::string &program, std::vector<long> &rss) {
        const Start s = start(x, program);
        mapped = mapped && s.mapped;
        webEngine = webEngine || s.webEngine;
        rss.push_back(s.rssKiB);
        return s.ms;
    };
    // On a virtual machine one start's time moves by a tenth from the next (a page fault costs
    // what the host makes it cost), so the medians are taken over 61 rounds.
    const bench::Pair pair = bench::compare(
        61, [&] { return round(PARLO_BENCH_PROGRAM, parloRss); }, [&] { return round(PARLO_BENCH_BARE, bareRss); });
    xcb_disconnect(x);
    const double extraMiB = double(median(parloRss) - median(bareRss)) / 1024;
    char also[128];
    std::snprintf(also, sizeof also, "RSS +%.1f MiB (goal <= +10)%s%s", extraMiB, webEngine ? ", WebEngine mapped" : "",
                  mapped ? "" : ", a window never mapped");
    return bench::report({"P4", pair.parlo, pair.baseline, 1.10, also, extraMiB <= 10 && !webEngine && mapped});
}
