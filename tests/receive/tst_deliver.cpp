// The real parlo-deliver against a spool folder in a temporary folder.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class tst_Deliver : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void storesExactly_data();
    void storesExactly();
    void twoAtOnce();
    void unwritableSpoolKeepsMessage();

private:
    QString writeMessage(const QByteArray &text, const QString &name = QStringLiteral("msg.in"));
    QStringList spooled() const { return QDir(m_dir->filePath("spool")).entryList(QDir::Files | QDir::Hidden); }
    QByteArray spooledContent(const QString &name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

QString tst_Deliver::writeMessage(const QByteArray &text, const QString &name)
{
    QDir(m_dir->path()).mkpath("spool");
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return file.fileName();
}

QByteArray tst_Deliver::spooledContent(const QString &name) const
{
    QFile file(QDir(m_dir->filePath("spool")).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void tst_Deliver::storesExactly_data()
{
    QTest::addColumn<QByteArray>("sender");
    QTest::addColumn<QByteArray>("recipient");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("header"); // from= and to= lines

    QTest::newRow("shell characters") << QByteArray("a'b;$(id)`x`") << QByteArray("*&|>") << QByteArray("$HOME\n")
                                      << QByteArray("from=a'b;$(id)`x`\nto=*&|>\n");
    QTest::newRow("line ends and percent")
        << QByteArray("x\ny%") << QByteArray("") << QByteArray("\r\n\r\n") << QByteArray("from=x%0Ay%25\nto=\n");
    QTest::newRow("bytes beyond ASCII") << QByteArray("M\xc3\x9cLLER") << QByteArray("B")
                                        << QByteArray("Gr\xc3\xbc\xc3\x9f\x65\xff\0end", 12)
                                        << QByteArray("from=M\xc3\x9cLLER\nto=B\n");
}

void tst_Deliver::storesExactly()
{
    QFETCH(QByteArray, sender);
    QFETCH(QByteArray, recipient);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, header);
    const QString input = writeMessage(text);
    QProcess deliver;
    deliver.start(PARLO_TEST_DELIVER, {"--spool=" + m_dir->filePath("spool"), QString::fromLocal8Bit(sender),
                                       QString::fromLocal8Bit(recipient), input});
    QVERIFY(deliver.waitForFinished(5000));
    QCOMPARE(deliver.exitCode(), 0);

    const QStringList names = spooled();
    QCOMPARE(names.size(), 1);
    QVERIFY2(QRegularExpression("^\\d{20}-\\d+\\.msg$").match(names[0]).hasMatch(), qPrintable(names[0]));
    const QByteArray content = spooledContent(names[0]);
    QVERIFY(content.startsWith(header + "time=20"));
    QVERIFY(content.endsWith("Z\n\n" + text));
    QCOMPARE(QFileInfo(QDir(m_dir->filePath("spool")).filePath(names[0])).permissions() & 0x0fff,
             QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther); // 0644
    QVERIFY(!QFile::exists(input));
}

void tst_Deliver::twoAtOnce()
{
    QProcess first, second;
    const QString spool = "--spool=" + m_dir->filePath("spool");
    first.start(PARLO_TEST_DELIVER, {spool, "A", "R", writeMessage("one", "a.in")});
    second.start(PARLO_TEST_DELIVER, {spool, "B", "R", writeMessage("two", "b.in")});
    QVERIFY(first.waitForFinished(5000) && second.waitForFinished(5000));
    QCOMPARE(first.exitCode() + second.exitCode(), 0);
    QStringList texts;
    for (const QString &name : spooled())
        texts << QString::fromLatin1(spooledContent(name).split('\n').last());
    texts.sort();
    QCOMPARE(texts, QStringList({"one", "two"}));
}

// As root, permissions stop nothing: a read-only file system in a mount namespace of the
// program's own stands in for the full disk.
void tst_Deliver::unwritableSpoolKeepsMessage()
{
    const QString input = writeMessage("keep me");
    const QString spool = m_dir->filePath("spool");
    QProcess deliver;
    if (geteuid() == 0) {
        deliver.start("unshare", {"--mount", "/bin/sh", "-c",
                                  "mount -t tmpfs -o ro tmpfs \"$1\" && exec \"$2\" --spool=\"$1\" A B \"$3\"", "sh",
                                  spool, PARLO_TEST_DELIVER, input});
    } else {
        QVERIFY(QFile::setPermissions(spool, QFile::ReadOwner | QFile::ExeOwner));
        deliver.start(PARLO_TEST_DELIVER, {"--spool=" + spool, "A", "B", input});
    }
    QVERIFY(deliver.waitForFinished(5000));
    QCOMPARE(deliver.exitStatus(), QProcess::NormalExit);
    QCOMPARE(deliver.exitCode(), 1);
    QVERIFY2(deliver.readAllStandardError().contains("cannot create"), "no reason given");
    QFile kept(input);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
    QFile::setPermissions(spool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(spooled().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Deliver)
#include "tst_deliver.moc"
