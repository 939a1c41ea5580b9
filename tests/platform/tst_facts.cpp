#include "FixedPaths.h"
#include "LinuxFacts.h"
#include "LocaleText.h"

#include <QDir>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class tst_Facts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void environment_data();
    void environment();
    void realHost();
    void mapPath_data();
    void mapPath();
    void localeTextRoundTrip();
};

void tst_Facts::environment_data()
{
    QTest::addColumn<QStringList>("variables"); // NAME=value
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    // clang-format off
    QTest::newRow("username from USERNAME") << QStringList{"USERNAME=ann", "USER=bob"} << "username" << "ann";
    QTest::newRow("username from USER") << QStringList{"USER=bob", "LOGNAME=carl"} << "username" << "bob";
    QTest::newRow("username from LOGNAME") << QStringList{"LOGNAME=carl"} << "username" << "carl";
    QTest::newRow("username unset") << QStringList{} << "username" << "";
    QTest::newRow("userdomain any case") << QStringList{"UserDomain=OFFICE"} << "userdomain" << "OFFICE";
    QTest::newRow("userdomain unset") << QStringList{"USER=bob", "HOSTNAME=pc"} << "userdomain" << "";
    QTest::newRow("TEMP") << QStringList{"TEMP=/var/tmp/a", "TMPDIR=/b"} << "TEMP" << "/var/tmp/a";
    QTest::newRow("TEMP from TMPDIR") << QStringList{"TMPDIR=/b"} << "TEMP" << "/b";
    QTest::newRow("TEMP default") << QStringList{} << "TEMP" << "/tmp";
    QTest::newRow("exact case first") << QStringList{"Path=x", "PATH=y"} << "PATH" << "y";
    // clang-format on
}

void tst_Facts::environment()
{
    QFETCH(QStringList, variables);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QProcessEnvironment environment;
    for (const QString &variable : variables)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    QCOMPARE(LinuxFacts(environment).environment(name), expected);
}

void tst_Facts::realHost()
{
    char buffer[256] = {};
    QCOMPARE(gethostname(buffer, sizeof buffer - 1), 0);
    const std::optional<QString> name = LinuxFacts().computerName();
    QVERIFY(name && !name->isEmpty());
    QCOMPARE(*name, QString::fromLocal8Bit(buffer).left(31));
    QCOMPARE(QHostAddress(LinuxFacts().localIpAddress()).protocol(), QAbstractSocket::IPv4Protocol);
}

void tst_Facts::mapPath_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected"); // with @ for the data folder

    // clang-format off
    QTest::newRow("alias file") << "c:\\parlo.txt" << "@/parlo.txt";
    QTest::newRow("upper-case drive, name case kept") << "C:\\WHOIS.TXT" << "@/WHOIS.TXT";
    QTest::newRow("redirect") << ">c:\\parlo.txt" << ">@/parlo.txt";
    QTest::newRow("append redirect") << ">>C:\\list4.txt" << ">>@/list4.txt";
    QTest::newRow("folder inside") << "c:\\a\\b.txt" << "@/a/b.txt";
    QTest::newRow("other drive") << "d:\\parlo.txt" << "d:\\parlo.txt";
    QTest::newRow("drive only") << "c:\\" << "c:\\";
    QTest::newRow("no backslash") << "c:parlo.txt" << "c:parlo.txt";
    QTest::newRow("triple redirect") << ">>>c:\\x" << ">>>c:\\x";
    QTest::newRow("empty") << "" << "";
    // clang-format on
}

void tst_Facts::mapPath()
{
    QFETCH(QString, word);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    const QString data = temp.filePath(QStringLiteral("share/parlo"));
    const FixedPaths paths(data);
    expected.replace(u'@', data);
    QCOMPARE(paths.mapWord(word), expected);
    // The data folder is made on first use of a path in it, and only then.
    QCOMPARE(QDir(data).exists(), expected.contains(data));
}

void tst_Facts::localeTextRoundTrip()
{
    // Text that the locale's encoding can carry survives a round trip; undecodable bytes are
    // shown, not dropped.
    const QString text = QStringLiteral("net send PC1 hello\r\n");
    QCOMPARE(LocaleText::decode(LocaleText::encode(text)), text);
    if (LocaleText::encodingName() == "UTF-8")
        QCOMPARE(LocaleText::decode(QByteArray("a\xff"
                                               "b")),
                 QStringLiteral("a\uFFFDb"));
}

QTEST_GUILESS_MAIN(tst_Facts)
#include "tst_facts.moc"
