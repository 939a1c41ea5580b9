#include "HostConfig.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_HostConfig : public QObject
{
    Q_OBJECT

private slots:
    void programFolder_data();
    void programFolder();
};

void tst_HostConfig::programFolder_data()
{
    QTest::addColumn<QStringList>("folders"); // made below the temporary folder
    QTest::addColumn<QString>("program");     // the program's folder
    QTest::addColumn<QString>("expected");

    QTest::newRow("build tree") << QStringList{"build/compat"} << "build" << "build/compat";
    QTest::newRow("installed") << QStringList{"usr/bin", "usr/lib/parlo/compat"} << "usr/bin"
                               << "usr/lib/parlo/compat";
    QTest::newRow("beside wins") << QStringList{"usr/bin/compat", "usr/lib/parlo/compat"} << "usr/bin"
                                 << "usr/bin/compat";
    QTest::newRow("neither") << QStringList{"usr/bin"} << "usr/bin" << "usr/bin/compat";
    QTest::newRow("other folder only") << QStringList{"usr/bin", "usr/lib/parlo/modules"} << "usr/bin"
                                       << "usr/bin/compat";
}

void tst_HostConfig::programFolder()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, program);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    for (const QString &folder : folders)
        QVERIFY(QDir(temp.path()).mkpath(folder));
    QCOMPARE(HostConfig::programFolder(temp.filePath(program), "compat"), temp.filePath(expected));
}

QTEST_GUILESS_MAIN(tst_HostConfig)
#include "tst_hostconfig.moc"
