#include "SambaReceiver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {

// Two network namespaces joined by a veth pair, so that NetBIOS broadcasts stay between them.
// The client namespace gets its own hosts, resolv.conf and nsswitch.conf (ip netns exec mounts
// them over /etc), so that a name the broadcast does not find never reaches the machine's resolver.
class NamespacePair
{
public:
    NamespacePair()
    {
        const QString id = QString::number(getpid());
        server = QStringLiteral("parlo-net-%1-s").arg(id);
        client = QStringLiteral("parlo-net-%1-c").arg(id);
        const QString serverLink = QStringLiteral("pns%1").arg(id);
        const QString clientLink = QStringLiteral("pnc%1").arg(id);
        m_etc = QStringLiteral("/etc/netns/%1").arg(client);
        if (!QDir().mkpath(m_etc) || !write("hosts", "127.0.0.1 localhost\n") ||
            !write("resolv.conf", "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n") ||
            !write("nsswitch.conf", "hosts: files dns\n"))
            error = QStringLiteral("cannot write %1").arg(m_etc);
        // Namespaces left by an earlier run that ended abruptly under the same process id.
        for (const QString &name : {server, client}) {
            QProcess stale;
            stale.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), name});
            stale.waitForFinished(10000);
        }
        const QList<QStringList> steps = {
            {"netns", "add", server},
            {"netns", "add", client},
            {"-n", server, "link", "add", serverLink, "type", "veth", "peer", "name", clientLink, "netns", client},
            {"-n", server, "addr", "add", serverAddress + "/24", "broadcast", "+", "dev", serverLink},
            {"-n", client, "addr", "add", "10.231.0.2/24", "broadcast", "+", "dev", clientLink},
            {"-n", server, "link", "set", serverLink, "up"},
            {"-n", client, "link", "set", clientLink, "up"},
            {"-n", server, "link", "set", "lo", "up"},
            {"-n", client, "link", "set", "lo", "up"},
        };
        for (const QStringList &step : steps) {
            if (error.isEmpty())
                ip(step);
        }
    }
    ~NamespacePair()
    {
        ip({"netns", "del", client});
        ip({"netns", "del", server});
        QDir(m_etc).removeRecursively();
    }

    QString server;
    QString client;
    const QString serverAddress = QStringLiteral("10.231.0.1");
    QString error;

private:
    bool write(const char *name, const QByteArray &content)
    {
        QFile file(QDir(m_etc).filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    void ip(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("ip"), arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0) {
            if (error.isEmpty())
                error = QStringLiteral("ip %1: %2").arg(arguments.join(' '), process.readAllStandardError());
        }
    }

    QString m_etc;
};

struct Run
{
    QString output;
    qint64 elapsedMs = 0;
};

} // namespace

class tst_NetNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void viewWithNobodyThere();
    void viewFindsTheReceiver();
    void sendsByName();
    void unknownName();

private:
    Run runNet(const QStringList &arguments);

    std::unique_ptr<NamespacePair> m_namespaces;
    std::unique_ptr<SambaReceiver> m_receiver;
};

Run tst_NetNames::runNet(const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral("ip"),
                  QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_namespaces->client,
                              QStringLiteral(PARLO_TEST_COMPAT_DIR "/net")} +
                      arguments);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(2000);
    }
    return {QString::fromUtf8(process.readAllStandardOutput()), clock.elapsed()};
}

void tst_NetNames::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("creating network namespaces needs root");
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    m_namespaces = std::make_unique<NamespacePair>();
    QVERIFY2(m_namespaces->error.isEmpty(), qPrintable(m_namespaces->error));
}

void tst_NetNames::cleanupTestCase()
{
    // The servers go before their namespace.
    m_receiver.reset();
    m_namespaces.reset();
}

void tst_NetNames::viewWithNobodyThere()
{
    const Run run = runNet({QStringLiteral("view")});
    QCOMPARE(run.output, QStringLiteral("There are no entries in the list.\n"));
    QVERIFY2(run.elapsedMs < 5000, qPrintable(QString::number(run.elapsedMs)));
}

void tst_NetNames::viewFindsTheReceiver()
{
    SambaReceiver::Options options;
    options.address = m_namespaces->serverAddress;
    options.prefixLength = 24;
    options.networkNamespace = m_namespaces->server;
    options.nameService = true;
    m_receiver = std::make_unique<SambaReceiver>(options);
    QVERIFY2(m_receiver->isReady(), qPrintable(m_receiver->error()));

    // nmbd answers only after it has registered its names, some seconds after the start.
    const QString expected = QStringLiteral("Server Name            Remark\n\n") + QString(79, QLatin1Char('-')) +
                             QStringLiteral("\n\\\\PARLOTEST\nThe command completed successfully.\n");
    Run run;
    const QDeadlineTimer deadline(25000);
    while (!deadline.hasExpired()) {
        run = runNet({QStringLiteral("view")});
        if (run.output == expected)
            break;
    }
    QCOMPARE(run.output, expected);
    QVERIFY2(run.elapsedMs < 5000, qPrintable(QString::number(run.elapsedMs)));
}

void tst_NetNames::sendsByName()
{
    QVERIFY(m_receiver && m_receiver->isReady());
    const Run run = runNet({QStringLiteral("send"), QStringLiteral("parlotest"), QStringLiteral("Grüße per Name")});
    QCOMPARE(run.output, QStringLiteral("The message was successfully sent to parlotest.\n"));
    const auto messages = m_receiver->messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().text, QStringLiteral("Grüße per Name"));
}

void tst_NetNames::unknownName()
{
    const Run run = runNet({QStringLiteral("send"), QStringLiteral("NOBODYHERE"), QStringLiteral("hello")});
    QCOMPARE(run.output, QStringLiteral("An error occurred while sending a message to NOBODYHERE.\n"
                                        "The name NOBODYHERE was not found on the network.\n"));
    QVERIFY2(run.elapsedMs < 9000, qPrintable(QString::number(run.elapsedMs)));
}

QTEST_GUILESS_MAIN(tst_NetNames)
#include "tst_netnames.moc"
