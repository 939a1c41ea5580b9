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
    void environment()
    {
        // The variables (NAME=value), the one asked for, and what it gives.
        const std::tuple<QStringList, QString, QString> rows[] = {
            {{"USERNAME=ann", "USER=bob"}, "username", "ann"},
            {{"USER=bob", "LOGNAME=carl"}, "username", "bob"},
            {{"LOGNAME=carl"}, "username", "carl"},
            {{}, "username", ""},
            {{"UserDomain=OFFICE"}, "userdomain", "OFFICE"}, // in any case
            {{"TEMP=/var/tmp/a", "TMPDIR=/b"}, "TEMP", "/var/tmp/a"},
            {{"TMPDIR=/b"}, "TEMP", "/b"},
            {{}, "TEMP", "/tmp"},
            {{"Path=x", "PATH=y"}, "PATH", "y"}, // the exact case first
        };
        for (const auto &[variables, name, expected] : rows) {
            const QString value = LinuxFacts(environmentOf(variables)).environment(name);
            QVERIFY2(value == expected, qPrintable(variables.join(u' ') + u' ' + name + ": " + value));
        }
    }

    // A word as the launcher maps it, @ standing for the data folder. The folder is made on first
    // use of a path in it, and only then.
    void mapPath()
    {
        const std::pair<QString, QString> rows[] = {
            {"C:\\WHOIS.TXT", "@/WHOIS.TXT"}, // the name's case kept
            {">c:\\parlo.txt", ">@/parlo.txt"},
            {">>C:\\list4.txt", ">>@/list4.txt"},
            {"c:\\a\\b.txt", "@/a/b.txt"},
            {"d:\\parlo.txt", "d:\\parlo.txt"},
            {"c:\\", "c:\\"},
            {"c:parlo.txt", "c:parlo.txt"},
            {">>>c:\\x", ">>>c:\\x"},
            {"", ""},
        };
        for (auto [word, expected] : rows) {
            QTemporaryDir temp;
            const QString data = temp.filePath(QStringLiteral("share/parlo"));
            expected.replace(u'@', data);
            const QString mapped = FixedPaths(data).mapWord(word);
            QVERIFY2(mapped == expected, qPrintable(word + " -> " + mapped));
            QVERIFY2(QDir(data).exists() == expected.contains(data), qPrintable(word));
        }
    }

    // A file is read in pieces: characters cut by a piece's end, wherever it falls, must come out
    // whole, among bytes that are no character too.
    void fileDecodesAsWhole()
    {
        for (const QByteArray &bytes :
             {QByteArray(), QByteArray("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80").repeated(500000),
              QByteArray("\xc3\xa9\xff\xf0\x9f\x98\x80").repeated(500000)}) {
            QTemporaryFile file;
            QVERIFY(file.open() && file.write(bytes) == bytes.size() && file.seek(0));
            QVERIFY2(LocaleText::decodeFile(file) == LocaleText::decode(bytes), bytes.left(12).toHex().constData());
        }
    }

    // A kernel release, /proc/meminfo and os-release.
    void parse()
    {
        const auto kernel = [](const QString &text) {
            const VersionPair version = kernelVersion(text);
            return QStringLiteral("%1.%2").arg(version.major).arg(version.minor);
        };
        const auto meminfo = [](const QString &text) { // total and available, in bytes
            const MemoryStatus memory = meminfoMemory(text);
            return QStringLiteral("%1 %2").arg(memory.totalPhys).arg(memory.availPhys);
        };
        const std::tuple<const char *, QString, QString> rows[] = {
            // clang-format off
            {"kernel without patch level", kernel("6.18"), "6.18"},
            {"512 MiB", meminfo("MemTotal:         524288 kB\nMemFree:           10240 kB\n"
                                "MemAvailable:     102400 kB\n"), "536870912 104857600"},
            {"1 TiB", meminfo("MemTotal: 1073741824 kB\nMemAvailable: 1073741823 kB\n"), "1099511627776 1099511626752"},
            {"before MemAvailable", meminfo("MemTotal: 2048 kB\nMemFree: 1024 kB\n"), "2097152 1048576"},
            {"NAME without PRETTY_NAME", osReleaseName("NAME=Fedora\nID=fedora\n"), "Fedora"},
            {"single quotes", osReleaseName("PRETTY_NAME='Arch $Linux'"), "Arch $Linux"},
            {"escapes", osReleaseName("PRETTY_NAME=\"A \\\"B\\\" \\$x\\n\""), "A \"B\" $x\\n"},
            {"no name", osReleaseName("ID=x\n"), ""},
            // clang-format on
        };
        for (const auto &[name, made, expected] : rows)
            QVERIFY2(made == expected, qPrintable(name + QStringLiteral(": ") + made));
    }

    // Samba's workgroup, read by us and, where it is installed, by Samba itself.
    void workgroup()
    {
        // smb.conf, then files it may include as @/2.conf, @/3.conf ...; the workgroup.
        const std::pair<QStringList, QString> rows[] = {
            // clang-format off
            {{"[global]\n   server string = x\n[homes]\n"}, "WORKGROUP"},
            {{"[global]\n[data]\nworkgroup = share\n"}, "WORKGROUP"}, // in a share: not global
            {{"workgroup = early\n[homes]\n"}, "EARLY"},
            {{"[GLOBAL]\n Work Group=lan\n"}, "LAN"},
            {{"[globals]\nworkgroup = g2\n"}, "G2"},
            {{"[global]\n;workgroup = a\n  # workgroup = b\nworkgroup = c # d\n"}, "C # D"},
            {{"[global]\nworkgroup = \\\n   net\n"}, "NET"},
            {{"[global]\ninclude = @/2.conf\n", "workgroup = inc\n"}, "INC"},
            {{"[global]\ninclude = @/2.conf\nworkgroup = after\n", "workgroup = inc\n"}, "AFTER"},
            {{"[global]\ninclude = @/2.conf\nworkgroup = late\n", "[x]\n"}, "WORKGROUP"}, // the include opens a share
            {{"[global]\ninclude = @/none.conf\nworkgroup = w\n"}, "W"},
            {{"[global]\nworkgroup =\n"}, ""},
            // clang-format on
        };
        const QString testparm = QStandardPaths::findExecutable("testparm");
        for (auto [files, expected] : rows) {
            QTemporaryDir temp;
            const QString config = writeNumbered(temp, files.replaceInStrings("@", temp.path()), "conf").first();
            QVERIFY2(sambaWorkgroup(config) == expected, qPrintable(files.first()));
            if (testparm.isEmpty())
                continue;
            QProcess samba;
            samba.start(testparm, {"-s", "--parameter-name=workgroup", config});
            QVERIFY(samba.waitForFinished(20000));
            QVERIFY2(QString::fromUtf8(samba.readAllStandardOutput()).trimmed() == expected, qPrintable(files.first()));
        }
    }

    // The first os-release file that is there counts; files that are missing give nothing.
    void factsFromFiles()
    {
        QTemporaryDir temp;
        writeFile(temp.filePath("os-release"), "PRETTY_NAME=\"Parlo OS 1\"\n");
        writeFile(temp.filePath("smb.conf"), "[global]\nworkgroup = parlo\n");
        const QString none = temp.filePath("none");
        const LinuxFacts facts({},
                               {none, {none, temp.filePath("os-release")}, temp.filePath("smb.conf"), QStringList{}});
        QCOMPARE(facts.systemName() + u' ' + facts.workgroup(), QStringLiteral("Parlo OS 1 PARLO"));
        QCOMPARE(facts.memoryStatus().totalPhys, quint64(0));
        const LinuxFacts bare({}, {none, {none}, none, QStringList{}});
        QCOMPARE(bare.systemName() + bare.workgroup(), QString());
    }

    void realMachine()
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
};

QTEST_GUILESS_MAIN(tst_Facts)
#include "tst_facts.moc"
