#include "Cp850.h"
#include "NetBios.h"
#include "NetCommand.h"
#include "Smb.h"

#include <QTest>

#include <iconv.h>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// An SMB1 packet by hand: magic; command, status, flags and flags2; 20 zero bytes; then the
// word count, words, byte count and bytes.
QByteArray smb(const char *head, const char *tail)
{
    return hex("ff534d42") + hex(head) + QByteArray(20, '\0') + hex(tail);
}

// A name service response built by hand: header, a pointer to the name, type, class, TTL, data.
QByteArray nameServiceResponse(quint16 id, quint16 flags, quint16 type, const QByteArray &data)
{
    QByteArray packet;
    QDataStream out(&packet, QIODevice::WriteOnly);
    out << id << flags << quint16(0) << quint16(1) << quint16(0) << quint16(0);
    packet.append(NetBios::encodeName("PC7", 0x03));
    QDataStream rest(&packet, QIODevice::Append);
    rest << type << quint16(1) << quint32(0) << quint16(data.size());
    packet.append(data);
    return packet;
}

QByteArray nodeEntry(const char *name, quint8 suffix, quint16 flags)
{
    QByteArray entry = QByteArray(name).leftJustified(15, ' ');
    entry.append(char(suffix));
    entry.append(char(flags >> 8));
    entry.append(char(flags & 0xFF));
    return entry;
}

} // namespace

class tst_NetProtocol : public QObject
{
    Q_OBJECT

private slots:
    void nameEncoding_data();
    void nameEncoding();
    void codePageMatchesIconv();
    void prepareMessage_data();
    void prepareMessage();
    void arguments_data();
    void arguments();
    void smbReplies_data();
    void smbReplies();
    void nameQueryResponses_data();
    void nameQueryResponses();
    void nodeStatus();
};

void tst_NetProtocol::nameEncoding_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("suffix");
    QTest::addColumn<QByteArray>("encoded");
    // The example of the NetBIOS over TCP standard.
    QTest::newRow("FRED server") << QByteArray("FRED") << 0x20 << QByteArray("EGFCEFEECACACACACACACACACACACACA");
    QTest::newRow("messenger") << QByteArray("BOB") << 0x03 << QByteArray("ECEPECCACACACACACACACACACACACAAD");
    QTest::newRow("wildcard padded with NUL")
        << QByteArray("*") << 0x00 << QByteArray("CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    QTest::newRow("cut at 15") << QByteArray("ABCDEFGHIJKLMNOPQ") << 0x00
                               << QByteArray("EBECEDEEEFEGEHEIEJEKELEMENEOEPAA");
}

void tst_NetProtocol::nameEncoding()
{
    QFETCH(QByteArray, name);
    QFETCH(int, suffix);
    QFETCH(QByteArray, encoded);
    const QByteArray wire = NetBios::encodeName(name, quint8(suffix));
    QCOMPARE(wire, QByteArray(1, char(32)) + encoded + QByteArray(1, '\0'));

    qsizetype next = 0;
    const auto decoded = NetBios::decodeName(QByteArray("xx") + wire + "yy", 2, &next);
    QVERIFY(decoded);
    QCOMPARE(decoded->name, name.left(15));
    QCOMPARE(int(decoded->suffix), suffix);
    QCOMPARE(next, 2 + 34);
}

void tst_NetProtocol::codePageMatchesIconv()
{
    iconv_t converter = iconv_open("UTF-8", "CP850");
    if (converter == iconv_t(-1))
        QSKIP("the C library has no CP850 converter");
    for (int byte = 1; byte < 256; ++byte) {
        char in = char(byte);
        char out[8] = {};
        char *inPointer = &in;
        char *outPointer = out;
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        QVERIFY(iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != size_t(-1));
        const QString expected = QString::fromUtf8(out, outPointer - out);
        QCOMPARE(Cp850::decode(QByteArray(1, char(byte))), expected);
        QCOMPARE(Cp850::encode(expected).bytes, QByteArray(1, char(byte)));
    }
    iconv_close(converter);
}

void tst_NetProtocol::prepareMessage_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // a part of the sentence
    QTest::newRow("LF") << QStringLiteral("a\nb") << QByteArray("a\r\nb") << QString();
    QTest::newRow("CR LF stays") << QStringLiteral("a\r\nb\r\n") << QByteArray("a\r\nb\r\n") << QString();
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QByteArray("a\r\nb") << QString();
    QTest::newRow("code page 850") << QStringLiteral("Grüße ╬½") << hex("477281e16520ceab") << QString();
    QTest::newRow("euro") << QStringLiteral("5 €") << QByteArray() << QStringLiteral("\"€\" (U+20AC)");
    QTest::newRow("outside the BMP") << QStringLiteral("ok 😀") << QByteArray() << QStringLiteral("(U+1F600)");
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray() << QStringLiteral("(U+2400)");
    QTest::newRow("1600 bytes fit") << QString(1600, QLatin1Char('x')) << QByteArray(1600, 'x') << QString();
    QTest::newRow("1601 bytes do not") << QString(1601, QLatin1Char('x')) << QByteArray()
                                       << QStringLiteral("too long: 1601 bytes");
    // Line ends count twice on the wire.
    QTest::newRow("800 lines") << QStringLiteral("x\n").repeated(800) << QByteArray()
                               << QStringLiteral("too long: 2400 bytes");
}

void tst_NetProtocol::prepareMessage()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    const PreparedText prepared = ::prepareMessage(message);
    QCOMPARE(prepared.refusal.isEmpty(), refusal.isEmpty());
    QVERIFY2(prepared.refusal.contains(refusal), qPrintable(prepared.refusal));
    QCOMPARE(prepared.bytes, bytes);
}

void tst_NetProtocol::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const int usage = NetCommand::Usage;
    const int send = NetCommand::Send;
    QTest::newRow("nothing") << QStringList{} << usage << QString() << QString();
    QTest::newRow("no message") << QStringList{"send", "BOB"} << usage << QString() << QString();
    QTest::newRow("empty name") << QStringList{"send", "", "hi"} << usage << QString() << QString();
    QTest::newRow("one word") << QStringList{"send", "BOB", "hello"} << send << "BOB"
                              << "hello";
    QTest::newRow("words joined") << QStringList{"SEND", "BOB", "hello", "big", "world"} << send << "BOB"
                                  << "hello big world";
    QTest::newRow("blanks inside one word kept") << QStringList{"send", "PC7", "  two  blanks "} << send << "PC7"
                                                 << "  two  blanks ";
    QTest::newRow("view") << QStringList{"View"} << int(NetCommand::View) << QString() << QString();
    QTest::newRow("view of a server") << QStringList{"view", "\\\\PC7"} << usage << QString() << QString();
}

void tst_NetProtocol::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QString, message);
    const NetCommand command = parseArguments(arguments);
    QCOMPARE(int(command.kind), kind);
    QCOMPARE(command.name, name);
    QCOMPARE(command.message, message);
}

void tst_NetProtocol::smbReplies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("status"); // empty for success
    QTest::addColumn<int>("words");
    QTest::newRow("start, with group") << smb("d5 00000000 880000", "01 0700 0000") << true << QString() << 1;
    QTest::newRow("start, no group") << smb("d5 00000000 880000", "00 0000") << true << QString() << 0;
    QTest::newRow("DOS error") << smb("d5 01004700 880000", "00 0000") << true << "DOS error class 1, code 71" << 0;
    QTest::newRow("NT status") << smb("d7 d00000c0 880040", "00 0000") << true << "NT_STATUS_REQUEST_NOT_ACCEPTED" << 0;
    QTest::newRow("a request") << smb("d5 00000000 080000", "00 0000") << false << QString() << 0;
    QTest::newRow("bytes past the end") << smb("d6 00000000 880000", "00 0500 41") << false << QString() << 0;
    QTest::newRow("words past the end") << smb("d6 00000000 880000", "05 0000") << false << QString() << 0;
}

void tst_NetProtocol::smbReplies()
{
    QFETCH(QByteArray, packet);
    QFETCH(bool, valid);
    QFETCH(QString, status);
    QFETCH(int, words);
    const auto reply = Smb::parseReply(packet);
    QCOMPARE(reply.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(reply->command, quint8(packet[4]));
    QCOMPARE(reply->status.ok(), status.isEmpty());
    if (!status.isEmpty())
        QCOMPARE(Smb::describe(reply->status), status);
    QCOMPARE(reply->words.size(), words);
}

void tst_NetProtocol::nameQueryResponses_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("addresses");
    const QByteArray one = hex("0000"
                               "0a0b0c0d");
    QTest::newRow("one address") << nameServiceResponse(7, 0x8500, 0x20, one) << QStringList{"10.11.12.13"};
    QTest::newRow("other id") << nameServiceResponse(8, 0x8500, 0x20, one) << QStringList{};
    QTest::newRow("negative") << nameServiceResponse(7, 0x8503, 0x20, one) << QStringList{};
    QTest::newRow("our own query") << NetBios::nameQuery(7, "PC7", 0x03, true) << QStringList{};
}

void tst_NetProtocol::nameQueryResponses()
{
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, addresses);
    const auto parsed = NetBios::parseNameQueryResponse(packet, 7);
    QCOMPARE(parsed.has_value(), !addresses.isEmpty());
    QStringList actual;
    for (const QHostAddress &address : parsed.value_or(QList<QHostAddress>{}))
        actual.append(address.toString());
    QCOMPARE(actual, addresses);
}

void tst_NetProtocol::nodeStatus()
{
    const QByteArray table = QByteArray(1, char(4)) + nodeEntry("PARLO", 0x00, 0x8400) +
                             nodeEntry("PC7", 0x00, 0x0400) + nodeEntry("PC7", 0x03, 0x0400) +
                             nodeEntry("PC7", 0x20, 0x0400) + QByteArray(46, '\0');
    const auto parsed = NetBios::parseNodeStatusResponse(nameServiceResponse(9, 0x8400, 0x21, table), 9);
    QVERIFY(parsed);
    QCOMPARE(parsed->size(), 4);
    QCOMPARE(parsed->first(), (NetBios::NodeName{"PARLO", 0x00, true}));
    QCOMPARE(NetBios::computerName(*parsed), QByteArray("PC7"));
    // A workstation name serves when there is no server name; group names never do.
    QCOMPARE(NetBios::computerName({{"PARLO", 0x20, true}, {"WS", 0x00, false}}), QByteArray("WS"));
    QCOMPARE(NetBios::computerName({{"PARLO", 0x00, true}}), QByteArray());
    // A table longer than its data is no answer.
    QVERIFY(!NetBios::parseNodeStatusResponse(nameServiceResponse(9, 0x8400, 0x21, table.left(40)), 9));
}

QTEST_GUILESS_MAIN(tst_NetProtocol)
#include "tst_netprotocol.moc"
