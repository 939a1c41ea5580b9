#include "SambaReceiver.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {

struct Run
{
    QString output;
    qint64 elapsedMs = 0;
};

// Runs a program (at most 30 s); its standard output, then its standard error.
Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    process.waitForFinished(30000); // else the destructor kills it
    return {QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()), clock.elapsed()};
}

// $1 and $2 become the server's and the client's namespace, joined by a veth pair. The client's
// own hosts, resolv.conf and nsswitch.conf (ip netns exec mounts them over /etc) keep a name the
// broadcast does not find from reaching the machine's resolver.
const char *const setUp = R"(ip netns del $1 2>/dev/null; ip netns del $2 2>/dev/null; set -e
mkdir -p /etc/netns/$2 && cd /etc/netns/$2
echo '127.0.0.1 localhost' > hosts && echo 'hosts: files dns' > nsswitch.conf
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' > resolv.conf
ip netns add $1 && ip netns add $2 && ip -n $1 link add v$$ type veth peer name w$$ netns $2
ip -n $1 addr add 10.231.0.1/24 broadcast + dev v$$ && ip -n $2 addr add 10.231.0.2/24 broadcast + dev w$$
ip -n $1 link set v$$ up && ip -n $2 link set w$$ up && ip -n $1 link set lo up && ip -n $2 link set lo up)";

} // namespace

class tst_NetNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sendAndViewByName();

private:
    const QString m_server = QStringLiteral("parlo-net-%1-s").arg(getpid());
    const QString m_client = QStringLiteral("parlo-net-%1-c").arg(getpid());
    std::unique_ptr<SambaReceiver> m_receiver;
};

void tst_NetNames::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("creating network namespaces needs root");
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    QCOMPARE(run(QStringLiteral("/bin/sh"), {"-c", setUp, "sh", m_server, m_client}).output, QString());
}

void tst_NetNames::cleanupTestCase()
{
    m_receiver.reset(); // the servers go before their namespace
    run(QStringLiteral("/bin/sh"),
        {"-c", "ip netns del $1; ip netns del $2; rm -r /etc/netns/$2", "sh", m_server, m_client});
}

void tst_NetNames::sendAndViewByName()
{
    const auto net = [this](const QStringList &arguments) {
        return run(QStringLiteral("ip"),
                   QStringList{"netns", "exec", m_client, PARLO_TEST_COMPAT_DIR "/net"} + arguments);
    };
    Run view = net({QStringLiteral("view")});
    QCOMPARE(view.output, QStringLiteral("There are no entries in the list.\n"));
    QCOMPARE_LT(view.elapsedMs, 5000);
    Run send = net({QStringLiteral("send"), QStringLiteral("NOBODYHERE"), QStringLiteral("hello")});
    QCOMPARE(send.output, QStringLiteral("An error occurred while sending a message to NOBODYHERE.\n"
                                         "The name NOBODYHERE was not found on the network.\n"));
    QCOMPARE_LT(send.elapsedMs, 9000);

    m_receiver = std::make_unique<SambaReceiver>(QStringLiteral("10.231.0.1"), true, m_server);
    QVERIFY2(m_receiver->isReady(), qPrintable(m_receiver->error()));
    // nmbd answers only after it has registered its names, some seconds after the start.
    const QString expected = QStringLiteral("Server Name            Remark\n\n") + QString(79, QLatin1Char('-')) +
                             QStringLiteral("\n\\\\PARLOTEST\nThe command completed successfully.\n");
    for (const QDeadlineTimer deadline(25000); !deadline.hasExpired() && view.output != expected;)
        view = net({QStringLiteral("view")});
    QCOMPARE(view.output, expected);
    QCOMPARE_LT(view.elapsedMs, 5000);
    send = net({QStringLiteral("send"), QStringLiteral("parlotest"), QStringLiteral("Grüße per Name")});
    QCOMPARE(send.output, QStringLiteral("The message was successfully sent to parlotest.\n"));
    QCOMPARE(m_receiver->messages().size(), 1);
    QCOMPARE(m_receiver->messages().first().text, QStringLiteral("Grüße per Name"));
}

QTEST_GUILESS_MAIN(tst_NetNames)
#include "tst_netnames.moc"
