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
    QDataStream(&packet, QIODevice::WriteOnly) << id << flags << quint16(0) << quint16(1) << quint32(0);
    packet += NetBios::encodeName("PC7", 0x03);
    QDataStream(&packet, QIODevice::Append) << type << quint16(1) << quint32(0) << quint16(data.size());
    return packet + data;
}

} // namespace

class tst_NetProtocol : public QObject
{
    Q_OBJECT

private slots:
    void codePageMatchesIconv();
    void arguments_data();
    void arguments();
    void replies_data();
    void replies();
    void computerName();
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

void tst_NetProtocol::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("kind");
    QTest::newRow("nothing") << QStringList{} << int(NetCommand::Usage);
    QTest::newRow("no message") << QStringList{"send", "BOB"} << int(NetCommand::Usage);
    QTest::newRow("empty name") << QStringList{"send", "", "hi"} << int(NetCommand::Usage);
    QTest::newRow("send in any case") << QStringList{"SEND", "BOB", "hi"} << int(NetCommand::Send);
    QTest::newRow("view in any case") << QStringList{"View"} << int(NetCommand::View);
    QTest::newRow("view of a server") << QStringList{"view", "\\\\PC7"} << int(NetCommand::Usage);
}

void tst_NetProtocol::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, kind);
    QCOMPARE(int(parseArguments(arguments).kind), kind);
}

void tst_NetProtocol::replies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QString>("parsed"); // "-": rejected
    QTest::newRow("SMB NT status") << smb("d7 d00000c0 880040", "00 0000") << "NT_STATUS_REQUEST_NOT_ACCEPTED";
    QTest::newRow("SMB request") << smb("d5 00000000 080000", "00 0000") << "-";
    QTest::newRow("SMB bytes past the end") << smb("d6 00000000 880000", "00 0500 41") << "-";
    QTest::newRow("SMB words past the end") << smb("d6 00000000 880000", "05 0000") << "-";
    const QByteArray address = QByteArray::fromHex("0000 0a0b0c0d");
    QTest::newRow("name: one address") << nameServiceResponse(7, 0x8500, 0x20, address) << "10.11.12.13";
    QTest::newRow("name: other id") << nameServiceResponse(8, 0x8500, 0x20, address) << "-";
    QTest::newRow("name: negative") << nameServiceResponse(7, 0x8503, 0x20, address) << "-";
    QTest::newRow("name: our own query") << NetBios::nameQuery(7, "PC7", 0x03, true) << "-";
    // Names of 15 bytes, a suffix and two flag bytes each (0x8000: a group).
    const QByteArray table = QByteArrayLiteral("PARLO          \x00\x84\x00PC7            \x20\x04\x00");
    QTest::newRow("status") << nameServiceResponse(7, 0x8400, 0x21, '\x02' + table) << "PARLO<0>* PC7<20> ";
    QTest::newRow("status: fewer names than told") << nameServiceResponse(7, 0x8400, 0x21, '\x03' + table) << "-";
}

void tst_NetProtocol::replies()
{
    QFETCH(QByteArray, packet);
    QFETCH(QString, parsed);
    const QByteArray tag = QTest::currentDataTag();
    QString actual = QStringLiteral("-");
    if (const auto reply = tag.startsWith("SMB") ? Smb::parseReply(packet) : std::nullopt)
        actual = Smb::describe(reply->status);
    if (const auto addresses = tag.startsWith("name") ? NetBios::parseNameQueryResponse(packet, 7) : std::nullopt)
        actual = addresses->value(0).toString();
    if (const auto names = tag.startsWith("status") ? NetBios::parseNodeStatusResponse(packet, 7) : std::nullopt) {
        actual.clear();
        for (const NetBios::NodeName &name : *names)
            actual += QStringLiteral("%1<%2>%3 ").arg(name.name).arg(name.suffix, 0, 16).arg(name.group ? "*" : "");
    }
    QCOMPARE(actual, parsed);
}

void tst_NetProtocol::computerName()
{
    // A workstation name serves when there is no server name; group names never do.
    QCOMPARE(NetBios::computerName({{"PARLO", 0x20, true}, {"WS", 0x00, false}}), QByteArray("WS"));
    QCOMPARE(NetBios::computerName({{"PARLO", 0x00, true}}), QByteArray());
}

QTEST_GUILESS_MAIN(tst_NetProtocol)
#include "tst_netprotocol.moc"
