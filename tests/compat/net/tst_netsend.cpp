// The built `net` against private smbd servers and scripted receivers on loopback.
#include "SambaReceiver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <iconv.h>
#include <unistd.h>

namespace {

// A messenger that records every session payload it gets, the session request first, and
// accepts, unless `behaviour` is "name not present", "text refused" or "closed".
struct ScriptedMessenger : QTcpServer
{
    explicit ScriptedMessenger(const QString &behaviour)
    {
        connect(this, &QTcpServer::newConnection, this, [this, behaviour] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, behaviour, socket] {
                buffer += socket->readAll();
                while (buffer.size() >= 4 && buffer.size() >= 4 + (quint8(buffer[2]) << 8 | quint8(buffer[3]))) {
                    packets.append(buffer.mid(4, quint8(buffer[2]) << 8 | quint8(buffer[3])));
                    buffer.remove(0, 4 + packets.last().size());
                    socket->write(answer(behaviour, packets.last()));
                    if (behaviour == u"closed")
                        socket->disconnectFromHost();
                }
            });
        });
    }

    QByteArray answer(const QString &behaviour, const QByteArray &smb) const
    {
        if (packets.size() == 1)
            return QByteArray::fromHex(behaviour == u"name not present" ? "83000001 82" : "82000000");
        // The reply to a start carries the group; the others carry no words.
        QByteArray reply = smb.left(32) + QByteArray::fromHex(smb[4] == char(0xD5) ? "01 2a00 0000" : "00 0000");
        reply[9] = char(0x88);
        if (behaviour == u"text refused" && smb[4] == char(0xD7))
            reply.replace(5, 4, QByteArray::fromHex("02000100")); // server error 1
        return QByteArray::fromHex("0000") + char(reply.size() >> 8) + char(reply.size()) + reply;
    }

    QByteArray buffer;
    QList<QByteArray> packets;
};

// The text of code-page-850 bytes, as the C library's converter reads them.
QString fromCp850(const QByteArray &bytes)
{
    const iconv_t converter = iconv_open("UTF-8", "CP850");
    if (converter == iconv_t(-1))
        return {};
    QByteArray utf8(bytes.size() * 4, '\0');
    char *in = const_cast<char *>(bytes.constData());
    char *out = utf8.data();
    std::size_t inLeft = std::size_t(bytes.size());
    std::size_t outLeft = std::size_t(utf8.size());
    const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    return done == std::size_t(-1) ? QString() : QString::fromUtf8(utf8.constData(), out - utf8.constData());
}

// Every line end (CR LF, CR or LF) as one LF: how a receiver stores a message.
QString withLfEnds(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

} // namespace

class tst_NetSend : public QObject
{
    Q_OBJECT

private slots:
    void sends_data();
    void sends();
    void randomMessages();
};

void tst_NetSend::sends_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message"); // empty: "hello"
    QTest::addColumn<QString>("reason");  // empty: delivered
    QTest::addColumn<int>("withinMs");
    QString longest;
    for (int i = 0; i < 320; ++i) // 1600 bytes
        longest += QStringLiteral("%1 ").arg(i, 4, 10, QLatin1Char('0'));
    const QString twoBlocks = QStringLiteral("Grüße\n\r\n\r") + QString(200, QLatin1Char('y'));
    QTest::newRow("longest message, 13 blocks") << "127.0.0.2" << longest << QString() << 5000;
    QTest::newRow("nothing listening")
        << "127.0.0.4" << QString()
        << "The connection to 127.0.0.4 was refused: nothing there takes messages on port 139." << 3000;
    QTest::newRow("receiver without a message command")
        << "127.0.0.3" << QString() << "The receiver does not accept messages (DOS error class 1, code 71)." << 3000;
    QTest::newRow("silent server") << "127.0.0.5" << QString() << "No answer from 127.0.0.5 in 5 s." << 8000;
    QTest::newRow("outside code page 850")
        << "127.0.0.6" << QStringLiteral("costs 5 €")
        << "The message holds the character \"€\" (U+20AC), which code page 850 cannot carry; nothing was sent."
        << 1000;
    QTest::newRow("outside the BMP")
        << "127.0.0.6" << QStringLiteral("ok 😀")
        << "The message holds the character \"😀\" (U+1F600), which code page 850 cannot carry; nothing was sent."
        << 1000;
    QTest::newRow("line ends count twice")
        << "127.0.0.6" << QStringLiteral("x\n").repeated(800)
        << "The message is too long: 2400 bytes, and one message carries at most 1600; nothing was sent." << 1000;
    QTest::newRow("over-long") << "127.0.0.6" << QString(1601, QLatin1Char('x'))
                               << "The message is too long: 1601 bytes, and one message carries at most 1600; "
                                  "nothing was sent."
                               << 1000;
    // Cut or replaced, a name would call another computer: refused before any name query.
    QTest::newRow("name over 15 characters")
        << "averyveryverylongname16" << QString()
        << "The name averyveryverylongname16 is too long for a NetBIOS name, which holds at most 15 characters; "
           "nothing was sent."
        << 1000;
    QTest::newRow("long computer part of a dotted name")
        << "averyveryverylongname16.example" << QString()
        << "The name averyveryverylongname16.example is too long for a NetBIOS name, which holds at most 15 "
           "characters; nothing was sent."
        << 1000;
    QTest::newRow("name outside code page 850")
        << QStringLiteral("Пётр") << QString()
        << "The name Пётр holds the character \"П\" (U+041F), which a NetBIOS name cannot carry; nothing was sent."
        << 1000;
    QTest::newRow("scripted receiver") << "127.0.0.6" << twoBlocks << QString() << 3000;
    QTest::newRow("name not present") << "127.0.0.6" << twoBlocks << "The name is not present at the receiver." << 3000;
    QTest::newRow("text refused") << "127.0.0.6" << twoBlocks
                                  << "The receiver refused the message (DOS error class 2, code 1)." << 3000;
    QTest::newRow("closed") << "127.0.0.6" << twoBlocks << "The receiver closed the connection." << 3000;
}

void tst_NetSend::sends()
{
    QFETCH(QString, address);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QFETCH(int, withinMs);
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    SambaReceiver accepting(QStringLiteral("127.0.0.2"));
    QVERIFY2(accepting.isReady(), qPrintable(accepting.error()));
    SambaReceiver refusing(QStringLiteral("127.0.0.3"), false);
    QVERIFY2(refusing.isReady(), qPrintable(refusing.error()));
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.5")), 139));
    ScriptedMessenger scripted(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(scripted.listen(QHostAddress(QStringLiteral("127.0.0.6")), 139));

    QProcess net; // with the event loop going for the servers above
    QSignalSpy finished(&net, &QProcess::finished);
    QElapsedTimer clock;
    clock.start();
    net.start(QStringLiteral(PARLO_TEST_COMPAT_DIR "/net"),
              {QStringLiteral("send"), address, message.isEmpty() ? QStringLiteral("hello") : message});
    QVERIFY(finished.wait(20000));
    QCOMPARE_LT(clock.elapsed(), withinMs);
    const QString output = QString::fromUtf8(net.readAllStandardOutput());
    if (!reason.isEmpty()) {
        QCOMPARE(output, QStringLiteral("An error occurred while sending a message to %1.\n%2\n").arg(address, reason));
        QCOMPARE(net.exitCode(), 2);
        QVERIFY(accepting.messages().isEmpty());
        if (reason.endsWith(u"nothing was sent.")) // refused before any connection
            QVERIFY(scripted.packets.isEmpty());
        return;
    }
    QCOMPARE(output, QStringLiteral("The message was successfully sent to %1.\n").arg(address));
    QCOMPARE(net.exitCode(), 0);
    if (address == u"127.0.0.2") {
        QCOMPARE(accepting.messages().size(), 1);
        QCOMPARE(accepting.messages().first().text, message);
        return;
    }
    // Session request (called name *SMBSERVER<20>, as no name service answered), start, two text blocks, end.
    QCOMPARE(scripted.packets.size(), 5);
    QCOMPARE(scripted.packets[0].mid(1, 32), QByteArray("CKFDENECFDEFFCFGEFFCCACACACACACA"));
    // Start: sender (this computer in NetBIOS form) and recipient as OEM strings.
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const QByteArray sender = QByteArray(host).split('.').first().toUpper().left(15);
    QCOMPARE(scripted.packets[1].mid(35), '\x04' + sender + '\0' + '\x04' + "127.0.0.6" + '\0');
    // Text blocks: group 42 echoed, at most 127 bytes each, CP850, every kind of line end as CR LF.
    QByteArray text;
    for (const QByteArray &block : scripted.packets.mid(2, 2)) {
        QCOMPARE(block.mid(32, 3), QByteArrayLiteral("\x01\x2a\x00"));
        const int length = quint8(block[38]) | quint8(block[39]) << 8;
        QVERIFY(length <= 127);
        text += block.mid(40, length);
    }
    QCOMPARE(text, QByteArray("Gr\x81\xe1") + "e\r\n\r\n\r\n" + QByteArray(200, 'y'));
    QCOMPARE(int(quint8(scripted.packets[4][4])), 0xD6);
}

void tst_NetSend::randomMessages()
{
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    const QString address = QStringLiteral("127.0.0.31");
    SambaReceiver receiver(address);
    QVERIFY2(receiver.isReady(), qPrintable(receiver.error()));

    QRandomGenerator random(850);
    QStringList delivered;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes(random.bounded(2001), '\0');
        for (char &byte : bytes)
            byte = char(random.bounded(1, 256)); // no NUL: an argument cannot hold one
        const QString message = fromCp850(bytes);
        QVERIFY(!message.isEmpty() || bytes.isEmpty());
        // On the wire every line end is CR LF.
        const qsizetype wireBytes = withLfEnds(message).size() + withLfEnds(message).count(u'\n');

        QProcess net;
        QSignalSpy finished(&net, &QProcess::finished);
        net.start(QStringLiteral(PARLO_TEST_COMPAT_DIR "/net"), {QStringLiteral("send"), address, message});
        QVERIFY2(finished.wait(10000), qPrintable(QString::number(i)));
        const QString output = QString::fromUtf8(net.readAllStandardOutput());
        const QString what = QStringLiteral("message %1, %2 bytes: %3").arg(i).arg(bytes.size()).arg(output);
        if (wireBytes > 1600) {
            QCOMPARE(output,
                     QStringLiteral("An error occurred while sending a message to %1.\nThe message is too long: "
                                    "%2 bytes, and one message carries at most 1600; nothing was sent.\n")
                         .arg(address)
                         .arg(wireBytes));
            QCOMPARE(net.exitCode(), 2);
            continue;
        }
        QVERIFY2(output == QStringLiteral("The message was successfully sent to %1.\n").arg(address), qPrintable(what));
        QCOMPARE(net.exitCode(), 0);
        delivered.append(withLfEnds(message));
    }
    qInfo("%lld messages delivered, %d refused, in %lld ms", qint64(delivered.size()), 300 - int(delivered.size()),
          clock.elapsed());
    QVERIFY(delivered.size() > 100);
    const QList<SambaReceiver::Message> arrived = receiver.messages();
    QCOMPARE(arrived.size(), delivered.size());
    for (qsizetype i = 0; i < arrived.size(); ++i)
        QVERIFY2(arrived[i].text == delivered[i], qPrintable(QStringLiteral("delivered message %1").arg(i)));
}

QTEST_GUILESS_MAIN(tst_NetSend)
#include "tst_netsend.moc"
