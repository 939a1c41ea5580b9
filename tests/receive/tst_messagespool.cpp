// The spool's file reader, and its watcher on a spool folder of the test's own.
#include "MessageSpool.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_MessageSpool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void reportsOnceInOrder();

private:
    static void put(const QDir &dir, const QString &name, const QByteArray &text);
};

void tst_MessageSpool::put(const QDir &dir, const QString &name, const QByteArray &text)
{
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("from=S" + name.left(1).toLatin1() + "\nto=R\ntime=2026-12-07T12:00:00Z\n\n" + text);
}

void tst_MessageSpool::parse_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("text");

    const QByteArray time = "time=2026-12-07T12:00:00Z\n";
    // clang-format off
    QTest::newRow("plain") << "from=A\nto=B\n" + time + "\nhi\nthere" << true << "A" << "hi\nthere";
    QTest::newRow("encoded sender") << "from=x%0Ay%25\nto=B\n" + time + "\n" << true << "x\ny%" << "";
    QTest::newRow("not UTF-8") << "from=A\nto=B\n" + time + "\n\xfc\xdf" << true << "A" << "üß";
    QTest::newRow("no time") << QByteArray("from=A\nto=B\n\nhi") << false << "" << "";
    QTest::newRow("line without =") << "from=A\nnonsense\n" + time + "\nhi" << false << "" << "";
    // clang-format on
}

void tst_MessageSpool::parse()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    const std::optional<SpoolMessage> message = parseSpoolFile(content);
    QCOMPARE(message.has_value(), valid);
    if (!valid)
        return;
    QTEST(message->sender, "sender");
    QTEST(message->text, "text");
    QCOMPARE(message->recipient, QString("B"));
    QCOMPARE(message->time, QDateTime::fromString("2026-12-07T12:00:00Z", Qt::ISODate));
}

// Messages there before the start come first, oldest first; later ones as they arrive; none
// twice, and none while it is still under its hidden name.
void tst_MessageSpool::reportsOnceInOrder()
{
    QTemporaryDir dir;
    put(dir.path(), "2-1.msg", "second");
    put(dir.path(), "1-1.msg", "first");
    MessageSpool spool(dir.path());
    QStringList texts;
    connect(&spool, &MessageSpool::arrived, this, [&texts](const SpoolMessage &m) { texts << m.text; });
    spool.start();
    QCOMPARE(texts, QStringList({"first", "second"}));

    put(dir.path(), ".3-1.msg.tmp", "hidden");
    put(dir.path(), "3-1.msg", "third");
    put(dir.path(), "4-1.msg", "fourth");
    QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 4, 5000);
    QCOMPARE(texts.mid(2), QStringList({"third", "fourth"}));
    put(dir.path(), "5-1.msg", "fifth");
    QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 5, 5000);
    QCOMPARE(texts.last(), QString("fifth"));
}

QTEST_GUILESS_MAIN(tst_MessageSpool)
#include "tst_messagespool.moc"
