// P6: `net send 127.0.0.1 hello` to a private smbd against `smbclient -M` to the same server,
// each run checked as arrived. The server delivers as parlo-receive-setup sets Samba up: its
// message command is parlo-deliver, with a spool of the benchmark's own.
#include "Bench.h"
#include "SambaReceiver.h"
#include "receive/MessageSpool.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

namespace {

// Waits (at most 5 s) until the spool holds `count` messages, the last one `text`.
bool arrived(const QString &spool, qsizetype count, const QString &text)
{
    const QDir folder(spool);
    const auto messages = [&] { return folder.entryList({QStringLiteral("*.msg")}, QDir::Files, QDir::Name); };
    for (int i = 0; i < 500 && messages().size() < count; ++i)
        QThread::msleep(10);
    const QStringList names = messages();
    if (names.size() != count)
        return false;
    QFile last(folder.filePath(names.last()));
    const std::optional<SpoolMessage> message =
        last.open(QIODevice::ReadOnly) ? parseSpoolFile(last.readAll()) : std::nullopt;
    return message && message->text.trimmed() == text;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!SambaReceiver::available())
        bench::fail("P6", QStringLiteral("smbd is not installed (run scripts/deps.sh --bench)"));
    if (::access("/usr/bin/smbclient", X_OK) != 0)
        bench::fail("P6", QStringLiteral("smbclient is not installed (run scripts/deps.sh --bench)"));
    QTemporaryDir temp;
    const QString spool = temp.filePath(QStringLiteral("spool"));
    QDir().mkpath(spool);
    const SambaReceiver receiver(QStringLiteral("127.0.0.1"), true, {},
                                 QStringLiteral(PARLO_BENCH_DELIVER " --spool=%1 %m %L %s").arg(spool));
    if (!receiver.isReady())
        bench::fail("P6", receiver.error());
    const std::string scratch = temp.filePath(QStringLiteral("out")).toStdString();
    const std::string message = temp.filePath(QStringLiteral("message")).toStdString();
    QFile text(QString::fromStdString(message));
    if (!text.open(QIODevice::WriteOnly) || text.write("hello\n") != 6)
        bench::fail("P6", QStringLiteral("cannot write the message file"));
    text.close();

    bool delivered = true;
    qsizetype sent = 0;
    const auto run = [&](const std::vector<std::string> &argv, const QString &words, bool fromFile) {
        const int input = fromFile ? ::open(message.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        bool ok = false;
        const double ms = bench::timeMs([&] { bench::capture(argv, scratch, &ok, input); });
        if (input >= 0)
            ::close(input);
        delivered = delivered && ok && arrived(spool, ++sent, words);
        return ms;
    };
    const auto parlo = [&] {
        return run({PARLO_BENCH_COMPAT_DIR "/net", "send", "127.0.0.1", "hello"}, QStringLiteral("hello"), false);
    };
    const auto baseline = [&] {
        return run({"/usr/bin/smbclient", "-M", "PARLOTEST", "-I", "127.0.0.1", "-p", "139", "-N"},
                   QStringLiteral("hello"), true);
    };
    const bench::Pair pair = bench::compare(7, parlo, baseline);
    return bench::report(
        {"P6", pair.parlo, pair.baseline, 0.50, delivered ? "" : "a message did not arrive", delivered});
}
