// The spool's file reader, and its watcher on a spool folder of the test's own, with what a
// hostile local user or a broken deliverer could leave in it.
#include "receive/MessageSpool.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString name(int n)
{
    return QStringLiteral("%1-1.msg").arg(n, 20, 10, QLatin1Char('0'));
}

void put(const QDir &dir, const QString &name, const QByteArray &text)
{
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("from=S\nto=R\ntime=2026-12-07T12:00:00Z\n\n" + text) > 0);
}

// The most memory the process has held so far: a read of a whole entry, however brief, shows.
long peakKiB()
{
    rusage usage{};
    return ::getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

} // namespace

class tst_MessageSpool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse()
    {
        const QByteArray time = "time=2026-12-07T12:00:00Z\n";
        // The name, the file's content, and the sender and text read from it; no sender: no message.
        const std::tuple<const char *, QByteArray, QString, QString> rows[] = {
            {"plain", "from=A\nto=B\n" + time + "\nhi\nthere", "A", "hi\nthere"},
            {"encoded sender", "from=x%0Ay%25\nto=B\n" + time + "\n", "x\ny%", ""},
            {"not UTF-8", "from=A\nto=B\n" + time + "\n\xfc\xdf", "A", "üß"},
            {"no time", "from=A\nto=B\n\nhi", {}, {}},
            {"line without =", "from=A\nnonsense\n" + time + "\nhi", {}, {}},
        };
        for (const auto &[name, content, sender, text] : rows) {
            const std::optional<SpoolMessage> message = parseSpoolFile(content);
            QVERIFY2(message.has_value() == !sender.isNull(), name);
            if (!message)
                continue;
            QVERIFY2(message->sender == sender && message->text == text, name);
            QCOMPARE(message->recipient, QString("B"));
            QCOMPARE(message->time, QDateTime::fromString("2026-12-07T12:00:00Z", Qt::ISODate));
        }
    }

    // Among what is no message, a thousand messages; nothing else is reported, read whole, or
    // waited on, and one line names what was set aside. Checking goes a batch at a time through
    // the event loop: start() reports only the first batch.
    void setsAsideWhatIsNoMessage()
    {
        QTemporaryDir dir;
        const QDir spoolDir(dir.filePath("spool"));
        QVERIFY(spoolDir.mkpath("."));
        QFile sparse(spoolDir.filePath(name(1)));
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(100LL << 30)); // 100 GB, no blocks
        QVERIFY(QFile::link("/proc/self/pagemap", spoolDir.filePath(name(2))));
        QCOMPARE(::mkfifo(QFile::encodeName(spoolDir.filePath(name(3))).constData(), 0644), 0);
        put(dir.path(), "outside", "linked in");
        QCOMPARE(::link(QFile::encodeName(dir.filePath("outside")).constData(),
                        QFile::encodeName(spoolDir.filePath(name(6))).constData()),
                 0);
        put(spoolDir, name(7), "");
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(spoolDir.filePath(name(7))).constData(), 65534, 65534), 0);
        else
            QVERIFY(QFile::remove(spoolDir.filePath(name(7)))); // only root can give a file away
        put(spoolDir, name(8), "the message");
        for (int i = 10; i < 2010; ++i)
            put(spoolDir, i % 2 ? name(i) : QStringLiteral("junk%1").arg(i), "x");

        const long before = peakKiB();
        MessageSpool spool(spoolDir.path());
        QStringList arrived;
        connect(&spool, &MessageSpool::arrived, this, [&](const QString &n) { arrived << n; });
        // One line for all, 250 ms after the first; 1,005 as root.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Parlo: set aside 100[45] entries of .*spool that are no "));
        QVERIFY(spool.start());
        QVERIFY2(arrived.size() < 1001, qPrintable(QString::number(arrived.size())));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 1001, 20000);
        QCOMPARE(arrived.first(), name(8));
        QTest::qWait(300);
        QCOMPARE(spool.read(name(8))->text, QString("the message"));
        QVERIFY2(peakKiB() - before < 64 * 1024, qPrintable(QString::number(peakKiB() - before)));
        QVERIFY(!spool.read(name(1)));
    }
};

QTEST_GUILESS_MAIN(tst_MessageSpool)
#include "tst_messagespool.moc"
