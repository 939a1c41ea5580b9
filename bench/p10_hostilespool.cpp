// P10: the receiver taking in a spool that others filled with what is no message: 10,000 entries
// with other names, 10,000 message names over junk, a 100 GB sparse file, a link into /proc, a
// FIFO, a folder and a 10 MB file, then ten real messages. The longest time the event loop does
// not turn, from start until the ten pop-ups are open, against 100 ms; and what the process
// grows by, against 64 MiB. Three rounds, each with a record of seen messages of its own.
#include "Bench.h"
#include "receive/MessagePopups.h"
#include "receive/ReceiptStore.h"
#include "receive/frmMessage.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

namespace {

bool write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QString messageName(int n)
{
    return QStringLiteral("%1-1.msg").arg(n, 20, 10, QLatin1Char('0'));
}

bool fillSpool(const QDir &spool)
{
    bool ok = spool.mkpath(QStringLiteral("."));
    for (int i = 0; ok && i < 10000; ++i)
        ok = write(spool.filePath(QStringLiteral("junk%1").arg(i)), "x") &&
             write(spool.filePath(messageName(100 + i)), "no header at all");
    QFile sparse(spool.filePath(messageName(1)));
    ok = ok && sparse.open(QIODevice::WriteOnly) && sparse.resize(100LL << 30);
    ok = ok && QFile::link(QStringLiteral("/proc/self/pagemap"), spool.filePath(messageName(2)));
    ok = ok && ::mkfifo(QFile::encodeName(spool.filePath(messageName(3))).constData(), 0600) == 0;
    ok = ok && spool.mkdir(messageName(4));
    ok = ok && write(spool.filePath(messageName(5)),
                     "from=A\nto=B\ntime=2026-12-07T12:00:00Z\n\n" + QByteArray(10 << 20, 'x'));
    for (int i = 0; ok && i < 10; ++i)
        ok = write(spool.filePath(messageName(20000 + i)), "from=A\nto=B\ntime=2026-12-07T12:00:00Z\n\nreal");
    return ok;
}

int openPopups()
{
    int open = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        open += qobject_cast<frmMessage *>(widget) && widget->isVisible() ? 1 : 0;
    return open;
}

// The longest gap between turns of the event loop until ten pop-ups are open (at most 30 s);
// -1 when they never open.
double longestStall(const QTemporaryDir &temp, int round)
{
    const QString folder = temp.filePath(QStringLiteral("round%1").arg(round));
    QDir().mkpath(folder);
    const ReceivePlaces places{temp.filePath(QStringLiteral("spool")), folder + QStringLiteral("/received.sqlite"),
                               folder + QStringLiteral("/receive.lock")};
    MessagePopups popups(places, std::make_unique<ReceiptStore>(places.receipts), [](const QString &) {});
    QElapsedTimer total, sinceTurn;
    double longest = 0;
    bool shown = false;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, &turn, [&] {
        longest = std::max(longest, double(sinceTurn.nsecsElapsed()) / 1e6);
        sinceTurn.restart();
        shown = openPopups() == 10;
        if (shown || total.elapsed() > 30000)
            QCoreApplication::quit(); // which also closes the pop-ups
    });
    total.start();
    sinceTurn.start();
    turn.start(0);
    if (!popups.start())
        return -1;
    QCoreApplication::exec();
    return shown ? longest : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}); // the set-aside lines
    QTemporaryDir temp;
    if (!fillSpool(QDir(temp.filePath(QStringLiteral("spool")))))
        bench::fail("P10", QStringLiteral("cannot fill the spool in %1").arg(temp.path()));
    bench::resetPeak();
    const long before = bench::statusKiB("VmRSS");
    bench::Samples stalls;
    bool shown = true;
    for (int round = 0; round < 3; ++round) {
        const double stall = longestStall(temp, round);
        shown = shown && stall >= 0;
        stalls.ms.push_back(stall);
    }
    const double grownMiB = double(bench::statusKiB("VmHWM") - before) / 1024;
    char also[128];
    std::snprintf(also, sizeof also, "grew %.1f MiB (goal <= 64)%s", grownMiB,
                  shown ? "" : ", the messages never showed");
    return bench::report({"P10", stalls, {}, 100, also, shown && grownMiB <= 64});
}
