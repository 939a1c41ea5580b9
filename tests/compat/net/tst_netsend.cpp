#include "SambaReceiver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {

const QString acceptingAddress = QStringLiteral("127.0.0.2");
const QString refusingAddress = QStringLiteral("127.0.0.3");
const QString emptyAddress = QStringLiteral("127.0.0.4");
const QString silentAddress = QStringLiteral("127.0.0.5");
const QString scriptedAddress = QStringLiteral("127.0.0.6");

QString netProgram()
{
    return QStringLiteral(PARLO_TEST_COMPAT_DIR "/net");
}

struct Run
{
    QString output;
    int exitCode = -1;
    qint64 elapsedMs = 0;
};

// Runs `net` with exactly these arguments, keeping the event loop going for servers in this test.
Run runNet(const QStringList &arguments, int timeoutMs = 20000)
{
    QProcess process;
    process.setProgram(netProgram());
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QSignalSpy finished(&process, &QProcess::finished);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!finished.wait(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return {QStringLiteral("(net did not finish in %1 ms)").arg(timeoutMs), -1, clock.elapsed()};
    }
    return {QString::fromUtf8(process.readAllStandardOutput()), process.exitCode(), clock.elapsed()};
}

QString hostNetbiosName()
{
    char buffer[256] = {};
    gethostname(buffer, sizeof buffer - 1);
    return QString::fromLocal8Bit(buffer).section(QLatin1Char('.'), 0, 0).toUpper().left(15);
}

// A messenger on port 139 that answers as the test tells it and records every packet it gets.
class ScriptedMessenger : public QObject
{
public:
    enum Behaviour
    {
        Accept,
        NoSuchName,
        RefuseText,
        CloseAfterSession
    };

    explicit ScriptedMessenger(Behaviour behaviour) : m_behaviour(behaviour)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            connect(m_socket, &QTcpSocket::readyRead, this, &ScriptedMessenger::readPackets);
        });
    }
    bool listen(const QString &address) { return m_server.listen(QHostAddress(address), 139); }

    QList<QByteArray> packets; // session payloads, the session request first

private:
    void readPackets()
    {
        m_buffer += m_socket->readAll();
        while (m_buffer.size() >= 4) {
            const int length = (quint8(m_buffer[1]) & 1) << 16 | quint8(m_buffer[2]) << 8 | quint8(m_buffer[3]);
            if (m_buffer.size() < 4 + length)
                return;
            const QByteArray payload = m_buffer.mid(4, length);
            m_buffer.remove(0, 4 + length);
            packets.append(payload);
            answer(packets.size() == 1, payload);
        }
    }

    void answer(bool sessionRequest, const QByteArray &smb)
    {
        if (sessionRequest) {
            m_socket->write(QByteArray::fromHex(m_behaviour == NoSuchName ? "83000001 82" : "82000000"));
            if (m_behaviour == CloseAfterSession)
                m_socket->disconnectFromHost();
            return;
        }
        const char command = smb.size() > 4 ? smb[4] : 0;
        QByteArray reply = smb.left(32);
        reply[9] = char(0x88);
        if (m_behaviour == RefuseText && command == char(0xD7))
            reply.replace(5, 4, QByteArray::fromHex("02000100")); // server error 1
        // A start reply carries the group; the others carry no words.
        reply.append(QByteArray::fromHex(command == char(0xD5) ? "01 2a00 0000" : "00 0000"));
        QByteArray header(4, '\0');
        header[2] = char(reply.size() >> 8);
        header[3] = char(reply.size() & 0xFF);
        m_socket->write(header + reply);
    }

    Behaviour m_behaviour;
    QTcpServer m_server;
    QTcpSocket *m_socket = nullptr;
    QByteArray m_buffer;
};

} // namespace

class tst_NetSend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void delivers_data();
    void delivers();
    void deliversThroughTheShell();
    void failures_data();
    void failures();
    void wire();
    void misbehavingReceivers_data();
    void misbehavingReceivers();

private:
    std::unique_ptr<SambaReceiver> m_accepting;
    std::unique_ptr<SambaReceiver> m_refusing;
};

void tst_NetSend::initTestCase()
{
    QVERIFY2(QFile::exists(netProgram()), qPrintable(netProgram()));
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    m_accepting = std::make_unique<SambaReceiver>(acceptingAddress);
    QVERIFY2(m_accepting->isReady(), qPrintable(m_accepting->error()));
    m_refusing = std::make_unique<SambaReceiver>(refusingAddress, false);
    QVERIFY2(m_refusing->isReady(), qPrintable(m_refusing->error()));
}

void tst_NetSend::delivers_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("received");
    QTest::newRow("one word") << QStringList{"hello"} << QStringLiteral("hello");
    QTest::newRow("words joined by one blank")
        << QStringList{"hello", "big", "world"} << QStringLiteral("hello big world");
    QTest::newRow("blanks inside a word kept")
        << QStringList{"two  blanks,  kept "} << QStringLiteral("two  blanks,  kept ");
    QTest::newRow("umlauts") << QStringList{"Grüße aus Köln, ½ Maß"} << QStringLiteral("Grüße aus Köln, ½ Maß");
    // smbd turns the CR LF of the wire back into LF when it stores the text.
    QTest::newRow("lines") << QStringList{"first\nsecond\r\nthird"} << QStringLiteral("first\nsecond\nthird");
    QString longText;
    for (int i = 0; longText.size() < 1600; ++i)
        longText += QStringLiteral("%1 ").arg(i, 4, 10, QLatin1Char('0'));
    longText.truncate(1600);
    QTest::newRow("longest message, 13 blocks") << QStringList{longText} << longText;
}

void tst_NetSend::delivers()
{
    QFETCH(QStringList, words);
    QFETCH(QString, received);
    const int before = int(m_accepting->messages().size());
    const Run run = runNet(QStringList{"send", acceptingAddress} + words);
    QCOMPARE(run.output, QStringLiteral("The message was successfully sent to 127.0.0.2.\n"));
    QCOMPARE(run.exitCode, 0);
    // The hook runs before smbd answers the end of the message, so the text is there already.
    const auto messages = m_accepting->messages();
    QCOMPARE(messages.size(), before + 1);
    QCOMPARE(messages.last().text, received);
    QCOMPARE(messages.last().sender, hostNetbiosName());
}

void tst_NetSend::deliversThroughTheShell()
{
    // As Parlo runs it: one line for /bin/sh, `net` found first on PATH.
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), QStringLiteral(PARLO_TEST_COMPAT_DIR ":") + environment.value("PATH"));
    shell.setProcessEnvironment(environment);
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("net send 127.0.0.2 see you at  noon")});
    QVERIFY(shell.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()),
             QStringLiteral("The message was successfully sent to 127.0.0.2.\n"));
    QCOMPARE(m_accepting->messages().last().text, QStringLiteral("see you at noon"));
}

void tst_NetSend::failures_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("withinMs");
    QTest::newRow("nothing listening")
        << emptyAddress << QStringLiteral("hello")
        << QStringLiteral("The connection to 127.0.0.4 was refused: nothing there takes messages on port 139.") << 3000;
    QTest::newRow("receiver without a message command")
        << refusingAddress << QStringLiteral("hello")
        << QStringLiteral("The receiver does not accept messages (DOS error class 1, code 71).") << 3000;
    QTest::newRow("silent server") << silentAddress << QStringLiteral("hello")
                                   << QStringLiteral("No answer from 127.0.0.5 in 5 s.") << 8000;
    QTest::newRow("outside code page 850")
        << acceptingAddress << QStringLiteral("costs 5 €")
        << QStringLiteral("The message holds the character \"€\" (U+20AC), which code page 850 cannot carry; nothing "
                          "was sent.")
        << 1000;
    QTest::newRow("over-long")
        << acceptingAddress << QString(1601, QLatin1Char('x'))
        << QStringLiteral("The message is too long: 1601 bytes, and one message carries at most 1600; nothing was "
                          "sent.")
        << 1000;
}

void tst_NetSend::failures()
{
    QFETCH(QString, address);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QFETCH(int, withinMs);
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress(silentAddress), 139));
    const int before = int(m_accepting->messages().size());

    const Run run = runNet({QStringLiteral("send"), address, message});
    QCOMPARE(run.output, QStringLiteral("An error occurred while sending a message to %1.\n%2\n").arg(address, reason));
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.elapsedMs < withinMs, qPrintable(QString::number(run.elapsedMs)));
    QCOMPARE(m_accepting->messages().size(), before);
}

void tst_NetSend::wire()
{
    ScriptedMessenger messenger(ScriptedMessenger::Accept);
    QVERIFY(messenger.listen(scriptedAddress));
    QString text = QStringLiteral("Grüße\n");
    text += QString(200, QLatin1Char('y'));
    const Run run = runNet({QStringLiteral("send"), scriptedAddress, text});
    QCOMPARE(run.output, QStringLiteral("The message was successfully sent to 127.0.0.6.\n"));

    // Session request: called name *SMBSERVER<20> (no name service answered), calling name ours.
    QCOMPARE(messenger.packets.size(), 1 + 1 + 2 + 1);
    QCOMPARE(messenger.packets[0].mid(1, 32), QByteArray("CKFDENECFDEFFCFGEFFCCACACACACACA"));
    // Start: sender and recipient as OEM strings.
    QCOMPARE(messenger.packets[1].mid(35), QByteArray("\x04") + hostNetbiosName().toLatin1() +
                                               QByteArray("\0\x04"
                                                          "127.0.0.6\0",
                                                          12));
    // Text blocks: group 42 echoed, at most 127 bytes each, CP850 with CR LF.
    QByteArray wireText;
    for (int i = 2; i < 4; ++i) {
        const QByteArray &block = messenger.packets[i];
        QCOMPARE(int(quint8(block[32])), 1);
        QCOMPARE(block.mid(33, 2), QByteArray("\x2a\x00", 2));
        const int length = quint8(block[38]) | quint8(block[39]) << 8;
        QVERIFY(length <= 127);
        wireText += block.mid(40, length);
    }
    QCOMPARE(wireText, QByteArray("Gr\x81\xe1"
                                  "e\r\n") +
                           QByteArray(200, 'y'));
    QCOMPARE(int(quint8(messenger.packets[4][4])), 0xD6);
}

void tst_NetSend::misbehavingReceivers_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<QString>("reason");
    QTest::newRow("name not present") << int(ScriptedMessenger::NoSuchName)
                                      << QStringLiteral("The name is not present at the receiver.");
    QTest::newRow("text refused") << int(ScriptedMessenger::RefuseText)
                                  << QStringLiteral("The receiver refused the message (DOS error class 2, code 1).");
    QTest::newRow("closed") << int(ScriptedMessenger::CloseAfterSession)
                            << QStringLiteral("The receiver closed the connection.");
}

void tst_NetSend::misbehavingReceivers()
{
    QFETCH(int, behaviour);
    QFETCH(QString, reason);
    ScriptedMessenger messenger{ScriptedMessenger::Behaviour(behaviour)};
    QVERIFY(messenger.listen(scriptedAddress));
    const Run run = runNet({QStringLiteral("send"), scriptedAddress, QStringLiteral("hello")});
    QCOMPARE(run.output, QStringLiteral("An error occurred while sending a message to 127.0.0.6.\n%1\n").arg(reason));
    QCOMPARE(run.exitCode, 2);
}

QTEST_GUILESS_MAIN(tst_NetSend)
#include "tst_netsend.moc"
