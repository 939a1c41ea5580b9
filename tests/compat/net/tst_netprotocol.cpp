#include "Cp850.h"
#include "NetBios.h"
#include "NetCommand.h"
#include "Smb.h"

#include <QTest>

#include <iconv.h>

namespace {

// An SMB1 packet by hand: magic; command, status, flags and flags2; 20 zero bytes; then the
// word count, words, byte count and bytes.
QByteArray smb(const char *head, const char *tail)
{
    return QByteArray::fromHex(QByteArray("ff534d42") + head + QByteArray(40, '0') + tail);
}

// A name service response by hand: header, the name PC7<03>, type, class, TTL, data.
QByteArray nameServiceResponse(quint16 id, quint16 flags, quint16 type, const QByteArray &data)
{
    QByteArray packet;
    QDataStream out(&packet, QIODevice::WriteOnly);
    out << id << flags << quint16(0) << quint16(1) << quint32(0);
    out.writeRawData(NetBios::encodeName("PC7", 0x03).constData(), 34);
    out << type << quint16(1) << quint32(0) << quint16(data.size());
    return packet + data;
}

} // namespace

class tst_NetProtocol : public QObject
{
    Q_OBJECT

private slots:
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

void tst_NetProtocol::codePageMatchesIconv()
{
    iconv_t converter = iconv_open("UTF-8", "CP850");
    if (converter == iconv_t(-1))
        QSKIP("the C library has no CP850 converter");
    for (int byte = 1; byte < 256; ++byte) {
        char in = char(byte), out[8] = {};
        char *inPointer = &in, *outPointer = out;
        size_t inLeft = 1, outLeft = sizeof out;
        QVERIFY(iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != size_t(-1));
        const QString expected = QString::fromUtf8(out, outPointer - out);
        QCOMPARE(Cp850::decode(QByteArray(1, in)), expected);
        QCOMPARE(Cp850::encode(expected).bytes, QByteArray(1, in));
    }
    iconv_close(converter);
}

void tst_NetProtocol::prepareMessage_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // a part of the sentence
    QTest::newRow("line ends of every kind") << "a\nb\r\nc\rd" << QByteArray("a\r\nb\r\nc\r\nd") << QString();
    QTest::newRow("outside the BMP") << "ok 😀" << QByteArray() << "(U+1F600)";
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray() << "(U+2400)";
    // Line ends count twice on the wire.
    QTest::newRow("800 lines") << QStringLiteral("x\n").repeated(800) << QByteArray() << "too long: 2400 bytes";
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
    QTest::newRow("nothing") << QStringList{} << int(NetCommand::Usage);
    QTest::newRow("no message") << QStringList{"send", "BOB"} << int(NetCommand::Usage);
    QTest::newRow("empty name") << QStringList{"send", "", "hi"} << int(NetCommand::Usage);
    QTest::newRow("send in upper case") << QStringList{"SEND", "BOB", "hi"} << int(NetCommand::Send);
    QTest::newRow("view") << QStringList{"View"} << int(NetCommand::View);
    QTest::newRow("view of a server") << QStringList{"view", "\\\\PC7"} << int(NetCommand::Usage);
}

void tst_NetProtocol::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, kind);
    QCOMPARE(int(parseArguments(arguments).kind), kind);
}

void tst_NetProtocol::smbReplies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QString>("status"); // "-": not a reply
    QTest::newRow("NT status") << smb("d7 d00000c0 880040", "00 0000") << "NT_STATUS_REQUEST_NOT_ACCEPTED";
    QTest::newRow("a request") << smb("d5 00000000 080000", "00 0000") << "-";
    QTest::newRow("bytes past the end") << smb("d6 00000000 880000", "00 0500 41") << "-";
    QTest::newRow("words past the end") << smb("d6 00000000 880000", "05 0000") << "-";
}

void tst_NetProtocol::smbReplies()
{
    QFETCH(QByteArray, packet);
    QFETCH(QString, status);
    const auto reply = Smb::parseReply(packet);
    QCOMPARE(reply ? Smb::describe(reply->status) : QStringLiteral("-"), status);
}

void tst_NetProtocol::nameQueryResponses_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("addresses");
    const QByteArray one = QByteArray::fromHex("0000 0a0b0c0d");
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
    // A workstation name serves when there is no server name; group names never do.
    QCOMPARE(NetBios::computerName({{"PARLO", 0x20, true}, {"WS", 0x00, false}}), QByteArray("WS"));
    QCOMPARE(NetBios::computerName({{"PARLO", 0x00, true}}), QByteArray());
    // Names of 15 bytes, a suffix and two flag bytes each (0x8000: a group).
    const QByteArray table = QByteArrayLiteral("PARLO          \x00\x84\x00PC7            \x20\x04\x00");
    const auto parsed = NetBios::parseNodeStatusResponse(nameServiceResponse(9, 0x8400, 0x21, '\x02' + table), 9);
    QCOMPARE(parsed.value_or(QList<NetBios::NodeName>{}),
             (QList<NetBios::NodeName>{{"PARLO", 0x00, true}, {"PC7", 0x20, false}}));
    QVERIFY(!NetBios::parseNodeStatusResponse(nameServiceResponse(9, 0x8400, 0x21, '\x03' + table), 9));
}

QTEST_GUILESS_MAIN(tst_NetProtocol)
#include "tst_netprotocol.moc"
