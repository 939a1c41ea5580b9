#include "LinuxFacts.h"

#include <QHostAddress>
#include <QTest>

#include <unistd.h>

class tst_Facts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void environment_data();
    void environment();
    void realComputerName();
    void realLocalIpAddress();
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
    QTest::newRow("userdomain set") << QStringList{"USERDOMAIN=OFFICE"} << "userdomain" << "OFFICE";
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

void tst_Facts::realComputerName()
{
    char buffer[256] = {};
    QCOMPARE(gethostname(buffer, sizeof buffer - 1), 0);
    const std::optional<QString> name = LinuxFacts().computerName();
    QVERIFY(name.has_value());
    QVERIFY(!name->isEmpty());
    QVERIFY(name->size() <= 31);
    QCOMPARE(*name, QString::fromLocal8Bit(buffer).left(31));
    QVERIFY(!name->contains(QChar(0)));
}

void tst_Facts::realLocalIpAddress()
{
    const QHostAddress address(LinuxFacts().localIpAddress());
    QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
}

QTEST_GUILESS_MAIN(tst_Facts)
#include "tst_facts.moc"
