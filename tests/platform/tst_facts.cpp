#include "PlatformFiles.h"
#include "platform/FixedPaths.h"
#include "platform/LinuxFacts.h"
#include "platform/LocaleText.h"
#include "platform/SystemFacts.h"

#include <QDir>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

class tst_Facts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void environment_data();
    void environment();
    void mapPath_data();
    void mapPath();
    void fileDecodesAsWhole_data();
    void fileDecodesAsWhole();
    void parse_data();
    void parse();
    void workgroup_data();
    void workgroup();
    void factsFromFiles();
    void realMachine();
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
    QTEST(LinuxFacts(environmentOf(variables)).environment(name), "expected");
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

void tst_Facts::fileDecodesAsWhole_data()
{
    // A file is read in pieces: characters cut by a piece's end, wherever it falls, must come out whole.
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("characters of two to four bytes")
        << QByteArray("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80").repeated(500000);
    QTest::newRow("undecodable bytes among them") << QByteArray("\xc3\xa9\xff\xf0\x9f\x98\x80").repeated(500000);
}

void tst_Facts::fileDecodesAsWhole()
{
    QFETCH(QByteArray, bytes);
    QTemporaryFile file;
    QVERIFY(file.open() && file.write(bytes) == bytes.size() && file.seek(0));
    QCOMPARE(LocaleText::decodeFile(file), LocaleText::decode(bytes));
}

void tst_Facts::parse_data()
{
    QTest::addColumn<QString>("text");     // a kernel release, /proc/meminfo or os-release
    QTest::addColumn<QString>("expected"); // "MAJOR.MINOR", "TOTAL AVAILABLE" in bytes, or the name

    const auto row = [](const char *kind, const char *name, const QString &text, const QString &expected) {
        QTest::addRow("%s: %s", kind, name) << text << expected;
    };
    // clang-format off
    row("kernel", "Debian 12", "6.1.0-18-amd64", "6.1");
    row("kernel", "no patch level", "6.18", "6.18");
    row("meminfo", "512 MiB", "MemTotal:         524288 kB\nMemFree:           10240 kB\nMemAvailable:     102400 kB\n", "536870912 104857600");
    row("meminfo", "1 TiB", "MemTotal: 1073741824 kB\nMemAvailable: 1073741823 kB\n", "1099511627776 1099511626752");
    row("meminfo", "before MemAvailable", "MemTotal: 2048 kB\nMemFree: 1024 kB\n", "2097152 1048576");
    row("os-release", "Debian 12", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nID=debian\n", "Debian GNU/Linux 12 (bookworm)");
    row("os-release", "NAME without PRETTY_NAME", "NAME=Fedora\nID=fedora\n", "Fedora");
    row("os-release", "single quotes", "PRETTY_NAME='Arch $Linux'", "Arch $Linux");
    row("os-release", "escapes", "PRETTY_NAME=\"A \\\"B\\\" \\$x\\n\"", "A \"B\" $x\\n");
    row("os-release", "nothing", "ID=x\n", "");
    // clang-format on
}

void tst_Facts::parse()
{
    QFETCH(QString, text);
    const QByteArray tag = QTest::currentDataTag();
    QString actual = osReleaseName(text);
    if (tag.startsWith("kernel")) {
        const VersionPair version = kernelVersion(text);
        actual = QStringLiteral("%1.%2").arg(version.major).arg(version.minor);
    } else if (tag.startsWith("meminfo")) {
        const MemoryStatus memory = meminfoMemory(text);
        actual = QStringLiteral("%1 %2").arg(memory.totalPhys).arg(memory.availPhys);
    }
    QTEST(actual, "expected");
}

void tst_Facts::workgroup_data()
{
    QTest::addColumn<QStringList>("files"); // smb.conf, then files it may include as @/2.conf, @/3.conf ...
    QTest::addColumn<QString>("expected");

    // clang-format off
    QTest::newRow("set, in upper case") << QStringList{"[global]\n   workgroup = Office\n"} << "OFFICE";
    QTest::newRow("not set") << QStringList{"[global]\n   server string = x\n[homes]\n"} << "WORKGROUP";
    QTest::newRow("in a share: not global") << QStringList{"[global]\n[data]\nworkgroup = share\n"} << "WORKGROUP";
    QTest::newRow("before any section") << QStringList{"workgroup = early\n[homes]\n"} << "EARLY";
    QTest::newRow("blanks and case in the name") << QStringList{"[GLOBAL]\n Work Group=lan\n"} << "LAN";
    QTest::newRow("globals") << QStringList{"[globals]\nworkgroup = g2\n"} << "G2";
    QTest::newRow("comments") << QStringList{"[global]\n;workgroup = a\n  # workgroup = b\nworkgroup = c # d\n"} << "C # D";
    QTest::newRow("continued line") << QStringList{"[global]\nworkgroup = \\\n   net\n"} << "NET";
    QTest::newRow("last one counts") << QStringList{"[global]\nworkgroup = one\nworkgroup = two\n"} << "TWO";
    QTest::newRow("included") << QStringList{"[global]\ninclude = @/2.conf\n", "workgroup = inc\n"} << "INC";
    QTest::newRow("set after the include") << QStringList{"[global]\ninclude = @/2.conf\nworkgroup = after\n", "workgroup = inc\n"} << "AFTER";
    QTest::newRow("include opens a share") << QStringList{"[global]\ninclude = @/2.conf\nworkgroup = late\n", "[x]\n"} << "WORKGROUP";
    QTest::newRow("missing include") << QStringList{"[global]\ninclude = @/none.conf\nworkgroup = w\n"} << "W";
    QTest::newRow("empty") << QStringList{"[global]\nworkgroup =\n"} << "";
    // clang-format on
}

void tst_Facts::workgroup()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    const QString config = writeNumbered(temp, files.replaceInStrings("@", temp.path()), "conf").first();
    QCOMPARE(sambaWorkgroup(config), expected);

    // Samba's own reading of the same file, where it is installed.
    const QString testparm = QStandardPaths::findExecutable("testparm");
    if (testparm.isEmpty())
        return;
    QProcess samba;
    samba.start(testparm, {"-s", "--parameter-name=workgroup", config});
    QVERIFY(samba.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(samba.readAllStandardOutput()).trimmed(), expected);
}

// The first os-release file that is there counts; files that are missing give nothing.
void tst_Facts::factsFromFiles()
{
    QTemporaryDir temp;
    writeFile(temp.filePath("os-release"), "PRETTY_NAME=\"Parlo OS 1\"\n");
    writeFile(temp.filePath("smb.conf"), "[global]\nworkgroup = parlo\n");
    const QString none = temp.filePath("none");
    const LinuxFacts facts({}, {none, {none, temp.filePath("os-release")}, temp.filePath("smb.conf"), QStringList{}});
    QCOMPARE(facts.systemName() + u' ' + facts.workgroup(), QStringLiteral("Parlo OS 1 PARLO"));
    QCOMPARE(facts.memoryStatus().totalPhys, quint64(0));
    const LinuxFacts bare({}, {none, {none}, none, QStringList{}});
    QCOMPARE(bare.systemName() + bare.workgroup(), QString());
}

void tst_Facts::realMachine()
{
    const LinuxFacts facts;
    char host[256] = {};
    QCOMPARE(gethostname(host, sizeof host - 1), 0);
    QVERIFY(facts.computerName() && !facts.computerName()->isEmpty());
    QCOMPARE(*facts.computerName(), QString::fromLocal8Bit(host).left(31));
    // The first IPv4 address of an interface that is up and not the loopback, as Qt lists them.
    QString expected = "127.0.0.1";
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (expected == "127.0.0.1" && flags.testFlag(QNetworkInterface::IsUp) &&
                !flags.testFlag(QNetworkInterface::IsLoopBack) &&
                entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                expected = entry.ip().toString();
        }
    }
    QCOMPARE(facts.localIpAddress(), expected);

    QFile release("/proc/sys/kernel/osrelease");
    QVERIFY(release.open(QIODevice::ReadOnly));
    const QStringList numbers = QString::fromLatin1(release.readAll()).split(u'.');
    QCOMPARE(facts.version().major, numbers[0].toInt());
    QCOMPARE(facts.version().minor, numbers[1].toInt());

    QFile meminfo("/proc/meminfo");
    QVERIFY(meminfo.open(QIODevice::ReadOnly));
    const QString first = QString::fromLatin1(meminfo.readLine()).simplified(); // MemTotal: N kB
    QVERIFY(first.startsWith("MemTotal: "));
    QCOMPARE(facts.memoryStatus().totalPhys, first.section(u' ', 1, 1).toULongLong() * 1024);
    QVERIFY(facts.memoryStatus().availPhys > 0 && facts.memoryStatus().availPhys <= facts.memoryStatus().totalPhys);

    if (QFile::exists("/etc/os-release")) {
        QProcess shell;
        shell.start("/bin/sh", {"-c", ". /etc/os-release; printf %s \"$PRETTY_NAME\""});
        QVERIFY(shell.waitForFinished(5000));
        QCOMPARE(facts.systemName(), QString::fromUtf8(shell.readAllStandardOutput()));
    }
    const QString testparm = QStandardPaths::findExecutable("testparm");
    if (QFile::exists("/etc/samba/smb.conf") && !testparm.isEmpty()) {
        QProcess samba;
        samba.start(testparm, {"-s", "--parameter-name=workgroup"});
        QVERIFY(samba.waitForFinished(20000));
        QCOMPARE(facts.workgroup(), QString::fromUtf8(samba.readAllStandardOutput()).trimmed());
    }
}

QTEST_GUILESS_MAIN(tst_Facts)
#include "tst_facts.moc"
