#include "FixedPaths.h"
#include "HostConfig.h"
#include "LocaleText.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_Paths : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void map_data();
    void map();
    void dataFolderCreatedOnFirstUse();
    void childEnvironment();
    void localeTextRoundTrip();
};

void tst_Paths::map_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected"); // with @ for the data folder

    QTest::newRow("alias file") << "c:\\parlo.txt" << "@/parlo.txt";
    QTest::newRow("upper-case drive") << "C:\\list1.txt" << "@/list1.txt";
    QTest::newRow("name case kept") << "c:\\WHOIS.TXT" << "@/WHOIS.TXT";
    QTest::newRow("redirect") << ">c:\\parlo.txt" << ">@/parlo.txt";
    QTest::newRow("append redirect") << ">>C:\\list4.txt" << ">>@/list4.txt";
    QTest::newRow("folder inside") << "c:\\a\\b.txt" << "@/a/b.txt";
    QTest::newRow("other drive") << "d:\\parlo.txt" << "d:\\parlo.txt";
    QTest::newRow("drive only") << "c:\\" << "c:\\";
    QTest::newRow("no backslash") << "c:parlo.txt" << "c:parlo.txt";
    QTest::newRow("plain word") << "view" << "view";
    QTest::newRow("triple redirect") << ">>>c:\\x" << ">>>c:\\x";
    QTest::newRow("empty") << "" << "";
}

void tst_Paths::map()
{
    QFETCH(QString, word);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    const QString data = temp.filePath(QStringLiteral("parlo"));
    const FixedPaths paths(data);
    expected.replace(u'@', data);
    QCOMPARE(paths.mapWord(word), expected);
}

void tst_Paths::dataFolderCreatedOnFirstUse()
{
    QTemporaryDir temp;
    const QString data = temp.filePath(QStringLiteral("share/parlo"));
    const FixedPaths paths(data);
    QVERIFY(!QDir(data).exists());
    QCOMPARE(paths.map(QStringLiteral("c:\\parlo.txt")), data + QStringLiteral("/parlo.txt"));
    QVERIFY(QDir(data).exists());
}

void tst_Paths::childEnvironment()
{
    const HostConfig config{QStringLiteral("/opt/parlo/compat"), QStringLiteral("/home/u/.local/share/parlo")};
    const QProcessEnvironment environment = ::childEnvironment(config, 6);
    QVERIFY(environment.value(QStringLiteral("PATH")).startsWith(QStringLiteral("/opt/parlo/compat:")));
    QCOMPARE(environment.value(QStringLiteral("PARLO_DATA_DIR")), config.dataDirectory);
    QCOMPARE(environment.value(QStringLiteral("PARLO_WINDOW_STYLE")), QStringLiteral("6"));
}

void tst_Paths::localeTextRoundTrip()
{
    // The test runs in whatever locale CTest gives it; text that the encoding can carry
    // survives a round trip, and undecodable bytes are shown, not dropped.
    const QString text = QStringLiteral("net send PC1 hello\r\n");
    QCOMPARE(LocaleText::decode(LocaleText::encode(text)), text);
    if (LocaleText::encodingName() == "UTF-8")
        QCOMPARE(LocaleText::decode(QByteArray("a\xff" "b")), QStringLiteral("a\uFFFDb"));
}

QTEST_APPLESS_MAIN(tst_Paths)
#include "tst_paths.moc"
