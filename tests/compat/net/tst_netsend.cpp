// The built `net` against private smbd servers and scripted receivers on loopback.
#include "ConsoleRun.h"
#include "SambaReceiver.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

// A messenger that records every session payload it gets, the session request first, and
// accepts, unless `behaviour` is "name not present", "text refused" or "closed"; "slow" answers
// each packet after 300 ms, "dripping" a byte every 100 ms.
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
                    const QByteArray reply = answer(behaviour, packets.last());
                    const bool slow = behaviour == u"slow", dripping = behaviour == u"dripping";
                    for (qsizetype i = 0; (slow || dripping) && i < reply.size(); ++i)
                        QTimer::singleShot(slow ? 300 : 100 * (i + 1), socket,
                                           [socket, b = reply.mid(i, 1)] { socket->write(b); });
                    if (!slow && !dripping)
                        socket->write(reply);
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

} // namespace

class tst_NetSend : public QObject
{
    Q_OBJECT

private slots:
    void sends();
};

// Each row: the address, the message, why it was not delivered (empty: it was), net's bound in
// milliseconds, its exit status, and the whole send's time limit (0: the default).
void tst_NetSend::sends()
{
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    QString longest;
    for (int i = 0; i < 320; ++i) // 1600 bytes
        longest += QStringLiteral("%1 ").arg(i, 4, 10, QLatin1Char('0'));
    const QString twoBlocks = QStringLiteral("Grüße\n\r\n\r") + QString(200, QLatin1Char('y'));
    const QString slowly = QStringLiteral("127.0.0.6 answers too slowly: the send was given up after 1 s.");
    // clang-format off
    const std::tuple<const char *, QString, QString, QString, int, int, int> rows[] = {
        {"longest message, 13 blocks", "127.0.0.2", longest, "", 5000, 0, 0},
        {"nothing listening", "127.0.0.4", "hello",
         "The connection to 127.0.0.4 was refused: nothing there takes messages on port 139.", 3000, 4, 0},
        {"silent server", "127.0.0.5", "hello", "No answer from 127.0.0.5 in 5 s.", 8000, 4, 0},
        {"over-long", "127.0.0.6", QString(1601, u'x'),
         "The message is too long: 1601 bytes, and one message carries at most 1600; nothing was sent.", 1000, 6, 0},
        // Cut, a name would call another computer: refused before any name query.
        {"name over 15 characters", "averyveryverylongname16", "hello", "The name averyveryverylongname16 is too "
         "long for a NetBIOS name, which holds at most 15 characters; nothing was sent.", 1000, 6, 0},
        {"no code page 850", "127.0.0.6", "\u6f22", "The message holds the character \"\u6f22\" (U+6F22), which "
         "code page 850 cannot carry; nothing was sent.", 1000, 7, 0},
        {"scripted receiver", "127.0.0.6", twoBlocks, "", 3000, 0, 0},
        {"name not present", "127.0.0.6", twoBlocks, "The name is not present at the receiver.", 3000, 5, 0},
        {"text refused", "127.0.0.6", twoBlocks, "The receiver refused the message (DOS error class 2, code 1).",
         3000, 5, 0},
        {"closed", "127.0.0.6", twoBlocks, "The receiver closed the connection.", 3000, 2, 0},
        // Each answer in time, but five of them are more than the whole send may take.
        {"slow", "127.0.0.6", twoBlocks, slowly, 1600, 4, 1000},
        {"dripping", "127.0.0.6", twoBlocks, slowly, 1600, 4, 1000},
    };
    // clang-format on
    for (const auto &[row, address, message, reason, withinMs, status, limitMs] : rows) {
        SambaReceiver accepting(QStringLiteral("127.0.0.2"));
        QVERIFY2(accepting.isReady(), qPrintable(accepting.error()));
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.5")), 139));
        ScriptedMessenger scripted(QString::fromLatin1(row));
        QVERIFY(scripted.listen(QHostAddress(QStringLiteral("127.0.0.6")), 139));

        const ConsoleRun net = runConsole(
            QStringLiteral(PARLO_TEST_COMPAT_DIR "/net"), {"send", address, message},
            {QStringLiteral("PARLO_NET_SEND_LIMIT_MS=%1").arg(limitMs ? QString::number(limitMs) : QString())});
        const QByteArray said = row + QStringLiteral(" (%1 ms): ").arg(net.milliseconds).toUtf8() + net.output.toUtf8();
        QVERIFY2(net.milliseconds < withinMs && net.milliseconds >= limitMs, said);
        const QString expected =
            reason.isEmpty()
                ? QStringLiteral("The message was successfully sent to %1.\n").arg(address)
                : QStringLiteral("An error occurred while sending a message to %1.\n%2\n").arg(address, reason);
        QVERIFY2(net.output == expected && net.exitCode == status, said);
        QVERIFY2(accepting.messages().size() == (address == u"127.0.0.2" ? 1 : 0), said);
        if (reason.endsWith(u"nothing was sent.")) // refused before any connection
            QVERIFY2(scripted.packets.isEmpty(), said);
        if (address == u"127.0.0.2")
            QCOMPARE(accepting.messages().first().text, message);
        if (!reason.isEmpty() || address != u"127.0.0.6")
            continue;
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
}

QTEST_GUILESS_MAIN(tst_NetSend)
#include "tst_netsend.moc"
