// parlo-receive-setup on copies of smb.conf in a temporary folder, without restarting anything.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_ReceiveSetup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void setUpAndUndo_data();
    void setUpAndUndo();
    void undoAfterAnEditKeepsTheEdit();

private:
    QString run(const QTemporaryDir &dir, const QStringList &extra);
};

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

QString tst_ReceiveSetup::run(const QTemporaryDir &dir, const QStringList &extra)
{
    QProcess setup;
    setup.setProcessChannelMode(QProcess::MergedChannels);
    setup.start("/bin/sh", QStringList{PARLO_TEST_SETUP, "--no-restart", "--config", dir.filePath("smb.conf"),
                                       "--include", dir.filePath("parlo.conf"), "--deliver", "/opt/p d/deliver"} +
                               extra);
    if (!setup.waitForFinished(10000) || setup.exitCode() != 0)
        return "failed: " + QString::fromUtf8(setup.readAll());
    return QString::fromUtf8(setup.readAll());
}

void tst_ReceiveSetup::setUpAndUndo_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QByteArray>("added"); // what the first run appends

    const QByteArray line = "include = %1/parlo.conf\n";
    QTest::newRow("usual") << QByteArray("[global]\n  workgroup = W\n\n[home]\n\tpath = /srv # x\r\n") << line;
    QTest::newRow("no last line end") << QByteArray("[global]\nworkgroup = W") << "\n" + line;
    QTest::newRow("empty") << QByteArray() << line;
}

void tst_ReceiveSetup::setUpAndUndo()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, added);
    QTemporaryDir dir;
    const QString conf = dir.filePath("smb.conf");
    write(conf, original);
    QFile::setPermissions(conf, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

    QVERIFY(run(dir, {}).contains("Added"));
    const QByteArray expected = original + QString::fromLatin1(added).arg(dir.path()).toUtf8();
    QCOMPARE(contentOf(conf), expected);
    QCOMPARE(contentOf(dir.filePath("smb.conf.parlo-backup")), original);
    QCOMPARE(contentOf(dir.filePath("parlo.conf")),
             QByteArray("# Written by parlo-receive-setup; removed by parlo-receive-setup --undo.\n[global]\n"
                        "server min protocol = NT1\nmessage command = /opt/p d/deliver %m %L %s\n"));

    QVERIFY(run(dir, {}).contains("Nothing to change"));
    QCOMPARE(contentOf(conf), expected);

    QVERIFY(run(dir, {"--undo"}).contains("Restored"));
    QCOMPARE(contentOf(conf), original);
    QCOMPARE(QFile::permissions(conf),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"smb.conf"}));
    QVERIFY(run(dir, {"--undo"}).contains("Nothing to change"));
}

void tst_ReceiveSetup::undoAfterAnEditKeepsTheEdit()
{
    QTemporaryDir dir;
    write(dir.filePath("smb.conf"), "[global]\n");
    QVERIFY(!run(dir, {}).startsWith("failed"));
    QFile conf(dir.filePath("smb.conf"));
    QVERIFY(conf.open(QIODevice::Append));
    conf.write("[extra]\npath = /x\n");
    conf.close();
    QVERIFY(run(dir, {"--undo"}).contains("Removed \"include"));
    QCOMPARE(contentOf(conf.fileName()), QByteArray("[global]\n[extra]\npath = /x\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"smb.conf"}));
}

QTEST_GUILESS_MAIN(tst_ReceiveSetup)
#include "tst_receivesetup.moc"
