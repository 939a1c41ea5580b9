#include "platform/SqliteHistory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class tst_history : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void findsByFilter()
    {
        SqliteHistory history(file("filter"));
        QCOMPARE(history.recordSent(QStringLiteral("lunch?"), {QStringLiteral("ALICE")}, {}), qint64(1));
        QCOMPARE(history.recordSent(QStringLiteral("hi"), {QStringLiteral("ALICE"), QStringLiteral("BOB")},
                                    QStringLiteral("List2")),
                 qint64(2));
        QCOMPARE(history.recordReceived(QStringLiteral("CAROL"), QStringLiteral("Lunch at one"), QStringLiteral("m1")),
                 qint64(3));
        QCOMPARE(history.recordSent(QStringLiteral("50% off, a-b"), {QStringLiteral("DAVE")}, {}), qint64(4));
        // The same message again, as after a restart: kept once.
        QCOMPARE(history.recordReceived(QStringLiteral("CAROL"), QStringLiteral("Lunch at one"), QStringLiteral("m1")),
                 qint64(0));
        QCOMPARE(history.recordSent(QStringLiteral("Grüße"), {QStringLiteral("JÜRGEN")}, {}), qint64(5));

        // The filter and the entries it finds, newest first: a recipient, a sender or the text, in
        // either case; % and _ stand for themselves.
        const std::pair<QString, QList<qint64>> rows[] = {
            {"", {5, 4, 3, 2, 1}}, {"bob", {2}}, {"CAROL", {3}}, {"lunch", {3, 1}},
            {"50%", {4}},          {"5%f", {}},  {"a_b", {}},    {QStringLiteral("jürgen"), {5}},
        };
        for (const auto &[filter, ids] : rows) {
            QList<qint64> found;
            for (const HistoryEntry &entry : history.find(filter, 10))
                found.append(entry.id);
            QVERIFY2(found == ids, qPrintable(filter));
        }
        QVERIFY(history.problem().isEmpty());
    }

    void keepsDeliveriesPerCopy()
    {
        SqliteHistory history(file("copies"));
        const qint64 id =
            history.recordSent(QStringLiteral("x"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A")},
                               QStringLiteral("List1"));
        history.recordDelivery(id, QStringLiteral("A"), Delivery::Unreachable);
        history.recordDelivery(id, QStringLiteral("A"), Delivery::Delivered);
        history.recordDelivery(id, QStringLiteral("NOBODY"), Delivery::Delivered);

        const QList<HistoryEntry> entries = history.find({}, 1);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].list, QStringLiteral("List1"));
        QCOMPARE(entries[0].direction, Direction::Sent);
        QList<Delivery> deliveries;
        for (const HistoryRecipient &recipient : entries[0].recipients)
            deliveries.append(recipient.delivery);
        QCOMPARE(deliveries, (QList<Delivery>{Delivery::Unreachable, Delivery::Pending, Delivery::Delivered}));
    }

    void dropsTheOldestBeyondTheLimit()
    {
        SqliteHistory history(file("bounded"), 3);
        for (int i = 1; i <= 5; ++i)
            history.recordSent(QString::number(i), {QStringLiteral("R%1").arg(i)}, {});
        QStringList left;
        for (const HistoryEntry &entry : history.find({}, 10))
            left.append(entry.text + u':' + entry.recipients.value(0).name);
        QCOMPARE(left, (QStringList{"5:R5", "4:R4", "3:R3"}));
        // The recipients of the dropped messages went with them.
        QVERIFY(history.find(QStringLiteral("R1"), 10).isEmpty());
    }

    // A record is whole on the disk once the call returns: a writer killed right after it loses
    // nothing, and a reader that had the file open all along sees it.
    void outlivesAKilledWriter()
    {
        const QString name = file("killed");
        SqliteHistory reader(name);
        QCOMPARE(reader.recordReceived(QStringLiteral("EVE"), QStringLiteral("first"), {}), qint64(1));
        const pid_t child = ::fork();
        if (child == 0) {
            SqliteHistory writer(name);
            if (writer.recordReceived(QStringLiteral("EVE"), QStringLiteral("second"), {}) == 2)
                ::kill(::getpid(), SIGKILL);
            ::_exit(1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        QCOMPARE(reader.find({}, 10).value(0).text, QStringLiteral("second"));
        QCOMPARE(SqliteHistory(name).find(QStringLiteral("first"), 10).size(), 1);
    }

    // A link to another file, and a file that is no database, are left as they were.
    void refusesFilesItDidNotMake()
    {
        for (const bool link : {true, false}) {
            const QString target = file("target"), name = file(link ? "link" : "garbage");
            QFile garbage(link ? target : name);
            QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'x')) == 4096);
            garbage.close();
            if (link)
                QVERIFY(QFile::link(target, name));

            SqliteHistory history(name);
            QCOMPARE(history.recordReceived(QStringLiteral("MALLORY"), QStringLiteral("hello"), {}), qint64(0));
            QVERIFY(history.find({}, 10).isEmpty());
            QVERIFY(!history.problem().isEmpty());
            QFile after(link ? target : name);
            QVERIFY(after.open(QIODevice::ReadOnly));
            QCOMPARE(after.readAll(), QByteArray(4096, 'x'));
        }
    }
};

QTEST_GUILESS_MAIN(tst_history)
#include "tst_history.moc"
