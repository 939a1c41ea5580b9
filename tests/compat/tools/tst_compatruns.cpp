// The console programs against the real Linux tools. Traffic stays on loopback or inside
// network namespaces this test makes itself; no name goes to the machine's resolver.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <unistd.h>

namespace {

const QString compatDir = QStringLiteral(PARLO_TEST_COMPAT_DIR);

struct Result
{
    int exitCode = -1;
    QString output;
    QString errors;
    qint64 milliseconds = 0;
};

// Runs a program to its end (at most `limit` ms) with an environment changed by `extra`.
Result run(const QString &program, const QStringList &arguments, const QStringList &extra = {}, int limit = 30000)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : extra)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    Result result;
    if (!process.waitForFinished(limit)) {
        process.kill();
        process.waitForFinished(5000);
        result.errors = QStringLiteral("did not finish in time");
        return result;
    }
    result.milliseconds = timer.elapsed();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.errors += QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// A console program with arguments separated by blanks.
Result compat(const QString &name, const QString &arguments, const QStringList &extra = {}, int limit = 30000)
{
    return run(compatDir + u'/' + name, arguments.split(u' ', Qt::SkipEmptyParts), extra, limit);
}

// ip(8) with arguments separated by blanks.
bool ip(const QString &arguments)
{
    const Result result = run(QStringLiteral("/usr/sbin/ip"), arguments.split(u' '), {}, 10000);
    if (result.exitCode != 0)
        qWarning("ip %s: %s", qPrintable(arguments), qPrintable(result.output + result.errors));
    return result.exitCode == 0;
}

// Two network namespaces joined by a veth pair, removed again whatever happens to the test.
struct NamespacePair
{
    const QString id = QString::number(::getpid());
    const QString first = QStringLiteral("parlo-compat-%1-a").arg(id),
                  second = QStringLiteral("parlo-compat-%1-b").arg(id);
    const QString firstLink = QStringLiteral("pca") + id, secondLink = QStringLiteral("pcb") + id;
    const QString net = QStringLiteral("10.213.%1.").arg(::getpid() % 250);
    const QString firstAddress = net + u'1', secondAddress = net + u'2';

    ~NamespacePair()
    {
        ip(QStringLiteral("netns del ") + first);
        ip(QStringLiteral("netns del ") + second);
    }

    // Removes the pairs of earlier runs that were killed before they could clean up.
    static void removeStale()
    {
        static const QRegularExpression name(QStringLiteral("^(parlo-compat-(\\d+)-[ab])\\b"));
        const Result list = run(QStringLiteral("/usr/sbin/ip"), {QStringLiteral("netns"), QStringLiteral("list")});
        for (const QString &line : list.output.split(u'\n')) {
            const QRegularExpressionMatch match = name.match(line);
            if (match.hasMatch() && !QFileInfo::exists(QStringLiteral("/proc/") + match.captured(2)))
                ip(QStringLiteral("netns del ") + match.captured(1));
        }
    }

    bool create()
    {
        return ip(QStringLiteral("netns add ") + first) && ip(QStringLiteral("netns add ") + second) &&
               ip(QStringLiteral("link add %1 netns %2 type veth peer name %3 netns %4")
                      .arg(firstLink, first, secondLink, second)) &&
               ip(QStringLiteral("-n %1 addr add %2/24 dev %3").arg(first, firstAddress, firstLink)) &&
               ip(QStringLiteral("-n %1 addr add %2/24 dev %3").arg(second, secondAddress, secondLink)) &&
               ip(QStringLiteral("-n %1 link set %2 up").arg(first, firstLink)) &&
               ip(QStringLiteral("-n %1 link set %2 up").arg(second, secondLink));
    }

    // A console program run inside the first namespace.
    Result inFirst(const QString &program, const QString &arguments)
    {
        return run(QStringLiteral("/usr/sbin/ip"),
                   QStringList{QStringLiteral("netns"), QStringLiteral("exec"), first, compatDir + u'/' + program} +
                       arguments.split(u' ', Qt::SkipEmptyParts));
    }
};

// A DNS server on one of the loopback addresses kept for this test, answering for parlo.test.
struct DnsServer
{
    QProcess process;
    QString address;

    ~DnsServer()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
    }

    bool start(const QString &folder)
    {
        // Another run may hold an address: take the first one that is free.
        for (int last = 10; last <= 19; ++last) {
            address = QStringLiteral("127.0.0.%1").arg(last);
            process.start(QStringLiteral("/usr/sbin/dnsmasq"),
                          {QStringLiteral("--no-daemon"), QStringLiteral("--conf-file=/dev/null"),
                           QStringLiteral("--no-resolv"), QStringLiteral("--no-hosts"),
                           QStringLiteral("--listen-address=") + address, QStringLiteral("--bind-interfaces"),
                           QStringLiteral("--port=53"), QStringLiteral("--address=/parlo.test/127.0.0.9"),
                           QStringLiteral("--address=/parlo.test/::9"),
                           QStringLiteral("--pid-file=") + folder + QStringLiteral("/dnsmasq.pid")});
            if (!process.waitForStarted(5000))
                return false;
            if (!process.waitForFinished(700))
                return true;
        }
        return false;
    }
};

bool matches(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern).match(text).hasMatch();
}

void writeProgram(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

} // namespace

class tst_CompatRuns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pingTwice();
    void tracertReachesLoopback();
    void netstatListsOurConnection();
    void netstatInterfaceStatistics();
    void ipconfigShowsLoopback();
    void arpAndIpconfigInOwnNamespace();
    void nslookupAsksOwnServer();
    void nslookupGivesUpSoon();
    void missingToolNamesPackage_data();
    void missingToolNamesPackage();
    void toolErrorsReachStandardOutput();
    void telnetOpensTerminal();
};

void tst_CompatRuns::initTestCase()
{
    for (const char *name : {"ping", "tracert", "ipconfig", "netstat", "arp", "nslookup", "telnet.exe"})
        QVERIFY2(QFileInfo(compatDir + u'/' + QLatin1String(name)).isExecutable(), name);
}

void tst_CompatRuns::pingTwice()
{
    const Result result = compat(QStringLiteral("ping"), QStringLiteral("127.0.0.1 -n 2"));
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.output.count(QStringLiteral("bytes from 127.0.0.1")), 2);
    QVERIFY(result.errors.isEmpty());
}

void tst_CompatRuns::tracertReachesLoopback()
{
    const Result result = compat(QStringLiteral("tracert"), QStringLiteral("-d -h 5 -w 200 127.0.0.1"));
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(matches(result.output, QStringLiteral("\\n *1 +127\\.0\\.0\\.1 ")), qPrintable(result.output));
}

void tst_CompatRuns::netstatListsOurConnection()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    const QString local = QStringLiteral("127\\.0\\.0\\.1:%1 ").arg(server.serverPort());

    const Result connections = compat(QStringLiteral("netstat"), QStringLiteral("-n"));
    QCOMPARE(connections.exitCode, 0);
    QVERIFY2(matches(connections.output, local + QStringLiteral(".*ESTABLISHED")), qPrintable(connections.output));
    const Result all = compat(QStringLiteral("netstat"), QStringLiteral("-an"));
    QVERIFY(matches(all.output, local + QStringLiteral(".*LISTEN")));
    QVERIFY2(!all.output.contains(QStringLiteral("UNIX")), "only the Internet families");
}

void tst_CompatRuns::netstatInterfaceStatistics()
{
    const Result result = compat(QStringLiteral("netstat"), QStringLiteral("-e"));
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.output.startsWith(QStringLiteral("Interface Statistics\n")));
    QVERIFY(matches(result.output, QStringLiteral("\\nBytes +\\d+ +\\d+\\n")));
    QVERIFY2(matches(result.output, QStringLiteral("\\nlo +\\d+ +\\d+ +\\d+ +\\d+\\n")), qPrintable(result.output));
}

void tst_CompatRuns::ipconfigShowsLoopback()
{
    const Result result = compat(QStringLiteral("ipconfig"), {});
    QCOMPARE(result.exitCode, 0);
    const QString loopback =
        result.output.section(QStringLiteral("adapter lo:"), 1).section(QStringLiteral("adapter "), 0, 0);
    QVERIFY2(loopback.contains(QStringLiteral("   IPv4 Address. . . . . . . . . . . : 127.0.0.1\n"
                                              "   Subnet Mask . . . . . . . . . . . : 255.0.0.0\n")),
             qPrintable(result.output));
}

void tst_CompatRuns::arpAndIpconfigInOwnNamespace()
{
    NamespacePair::removeStale();
    NamespacePair pair;
    QVERIFY(pair.create());

    // The first echo fills the neighbour table.
    const Result ping = pair.inFirst(QStringLiteral("ping"), QStringLiteral("-n 1 -w 3000 ") + pair.secondAddress);
    QVERIFY2(ping.output.contains(QStringLiteral("bytes from ") + pair.secondAddress),
             qPrintable(ping.output + ping.errors));

    const Result arp = pair.inFirst(QStringLiteral("arp"), QStringLiteral("-a"));
    QCOMPARE(arp.exitCode, 0);
    QVERIFY2(matches(arp.output, QStringLiteral("\\(%1\\) at ([0-9a-f]{2}:){5}[0-9a-f]{2} .* on %2")
                                     .arg(QRegularExpression::escape(pair.secondAddress), pair.firstLink)),
             qPrintable(arp.output));

    const Result ipconfig = pair.inFirst(QStringLiteral("ipconfig"), {});
    QCOMPARE(ipconfig.exitCode, 0);
    QVERIFY2(ipconfig.output.contains(QStringLiteral("Ethernet adapter %1:").arg(pair.firstLink)),
             qPrintable(ipconfig.output));
    QVERIFY(ipconfig.output.contains(QStringLiteral("   IPv4 Address. . . . . . . . . . . : %1\n"
                                                    "   Subnet Mask . . . . . . . . . . . : 255.255.255.0\n")
                                         .arg(pair.firstAddress)));
}

void tst_CompatRuns::nslookupAsksOwnServer()
{
    QTemporaryDir folder;
    DnsServer server;
    QVERIFY2(server.start(folder.path()), qPrintable(server.process.readAll()));
    Result result;
    // dnsmasq answers once it has bound its socket.
    QTRY_VERIFY_WITH_TIMEOUT(
        (result = compat(QStringLiteral("nslookup"), QStringLiteral("www.parlo.test ") + server.address, {}, 10000))
            .output.contains(QStringLiteral("Address: 127.0.0.9")),
        10000);
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.output.contains(QStringLiteral("Name:\twww.parlo.test")));
    QVERIFY(result.output.contains(QStringLiteral("Address: ::9")));
}

void tst_CompatRuns::nslookupGivesUpSoon()
{
    // A server that never answers: the lookup must end in seconds, not in 15.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    const Result result =
        compat(QStringLiteral("nslookup"), QStringLiteral("-port=%1 www.parlo.test 127.0.0.1").arg(silent.localPort()),
               {}, 20000);
    QVERIFY2(result.exitCode > 0, qPrintable(result.errors));
    QVERIFY2(result.milliseconds < 8000, qPrintable(QString::number(result.milliseconds)));
    QVERIFY2(result.output.contains(QStringLiteral("timed out")), qPrintable(result.output));
}

void tst_CompatRuns::missingToolNamesPackage_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("line");
    // clang-format off
    QTest::newRow("ping") << "ping" << "127.0.0.1" << "ping is not installed: install the Debian package iputils-ping.\n";
    QTest::newRow("tracert") << "tracert" << "-d 127.0.0.1" << "traceroute is not installed: install the Debian package traceroute.\n";
    QTest::newRow("ipconfig") << "ipconfig" << "" << "ip is not installed: install the Debian package iproute2.\n";
    QTest::newRow("netstat") << "netstat" << "-n" << "netstat is not installed: install the Debian package net-tools.\n";
    QTest::newRow("netstat twice") << "netstat" << "-s -r" << "netstat is not installed: install the Debian package net-tools.\n";
    QTest::newRow("arp") << "arp" << "-a" << "arp is not installed: install the Debian package net-tools.\n";
    QTest::newRow("arp flush") << "arp" << "-d *" << "ip is not installed: install the Debian package iproute2.\n";
    QTest::newRow("nslookup") << "nslookup" << "parlo.test 127.0.0.1" << "nslookup is not installed: install the Debian package bind9-dnsutils.\n";
    // clang-format on
}

void tst_CompatRuns::missingToolNamesPackage()
{
    QFETCH(QString, program);
    QFETCH(QString, arguments);
    QFETCH(QString, line);
    QTemporaryDir emptyRoot;
    const Result result = compat(program, arguments, {QStringLiteral("PARLO_TOOL_ROOT=") + emptyRoot.path()});
    QCOMPARE(result.output, line);
    QCOMPARE(result.exitCode, 1);
}

void tst_CompatRuns::toolErrorsReachStandardOutput()
{
    // A stand-in for ping that reports on standard error and would wait for input.
    QTemporaryDir root;
    writeProgram(root.filePath(QStringLiteral("usr/bin/ping")),
                 "#!/bin/sh\necho \"args: $*\"\necho 'ping: oops' >&2\ncat\necho 'input ended'\nexit 2\n");
    const Result result = compat(QStringLiteral("ping"), QStringLiteral("-n 1 h"),
                                 {QStringLiteral("PARLO_TOOL_ROOT=") + root.path()}, 10000);
    QCOMPARE(result.output, QStringLiteral("args: -O -n -c 1 h\nping: oops\ninput ended\n"));
    QVERIFY(result.errors.isEmpty());
    QCOMPARE(result.exitCode, 2);
}

void tst_CompatRuns::telnetOpensTerminal()
{
    QTemporaryDir folder;
    const QString record = folder.filePath(QStringLiteral("words"));
    writeProgram(folder.filePath(QStringLiteral("bin/x-terminal-emulator")),
                 "#!/bin/sh\nfor word in \"$@\"; do echo \"[$word]\"; done > '" + record.toLocal8Bit() + "'\n");
    writeProgram(folder.filePath(QStringLiteral("root/usr/bin/telnet")), "#!/bin/sh\nexit 0\n");
    const Result result = compat(QStringLiteral("telnet.exe"), QStringLiteral("10.0.0.1 23"),
                                 {QStringLiteral("PATH=") + folder.filePath(QStringLiteral("bin")),
                                  QStringLiteral("PARLO_TOOL_ROOT=") + folder.filePath(QStringLiteral("root"))},
                                 10000);
    QCOMPARE(result.exitCode, 0);
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList words = QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(words.value(0), QStringLiteral("[-e]"));
    QCOMPARE(words.mid(words.size() - 3),
             (QStringList{u'[' + folder.filePath(QStringLiteral("root/usr/bin/telnet")) + u']',
                          QStringLiteral("[10.0.0.1]"), QStringLiteral("[23]")}));
}

QTEST_GUILESS_MAIN(tst_CompatRuns)
#include "tst_compatruns.moc"
