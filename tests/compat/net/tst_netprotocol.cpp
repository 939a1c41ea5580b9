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
    void netbiosForm_data();
    void netbiosForm();
    void codePage_data();
    void codePage();
    void codePageMatchesIconv();
    void prepareMessage_data();
    void prepareMessage();
    void arguments_data();
    void arguments();
    void smbRequests_data();
    void smbRequests();
    void smbReplies_data();
    void smbReplies();
    void blocks_data();
    void blocks();
    void sessionHeaders_data();
    void sessionHeaders();
    void nameQueryResponses_data();
    void nameQueryResponses();
    void nodeStatus();
    void viewLayout_data();
    void viewLayout();
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
    QTest::newRow("high byte") << QByteArray("\x9A") << 0x03 << QByteArray("JKCACACACACACACACACACACACACACAAD");
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

void tst_NetProtocol::netbiosForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("form");
    QTest::newRow("upper case") << QStringLiteral("vm") << QByteArray("VM");
    QTest::newRow("first label of a DNS name") << QStringLiteral("host.example.com") << QByteArray("HOST");
    QTest::newRow("15 characters") << QStringLiteral("workstation-number-9") << QByteArray("WORKSTATION-NUM");
    QTest::newRow("code page 850") << QStringLiteral("büro") << QByteArray("B\x9aRO");
    QTest::newRow("outside the code page") << QStringLiteral("pc€") << QByteArray("PC_");
}

void tst_NetProtocol::netbiosForm()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, form);
    QCOMPARE(NetBios::netbiosForm(name), form);
}

void tst_NetProtocol::codePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<uint>("refused");
    QTest::newRow("ascii") << QStringLiteral("Hello, world!") << QByteArray("Hello, world!") << 0u;
    QTest::newRow("german") << QStringLiteral("Grüße") << hex("477281e165") << 0u;
    QTest::newRow("box and blank") << QStringLiteral("╬\u00a0½") << hex("ceffab") << 0u;
    QTest::newRow("euro") << QStringLiteral("5 €") << QByteArray() << 0x20ACu;
    QTest::newRow("outside the BMP") << QStringLiteral("ok 😀") << QByteArray() << 0x1F600u;
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray() << 0x2400u;
}

void tst_NetProtocol::codePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(uint, refused);
    const Cp850::Encoding encoded = Cp850::encode(text);
    QCOMPARE(uint(encoded.refused), refused);
    QCOMPARE(encoded.bytes, bytes);
    if (refused == 0)
        QCOMPARE(Cp850::decode(bytes), text);
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
    QTest::addColumn<QString>("refusal");
    QTest::newRow("LF") << QStringLiteral("a\nb") << QByteArray("a\r\nb") << QString();
    QTest::newRow("CR LF stays") << QStringLiteral("a\r\nb\r\n") << QByteArray("a\r\nb\r\n") << QString();
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QByteArray("a\r\nb") << QString();
    QTest::newRow("empty lines") << QStringLiteral("\n\n") << QByteArray("\r\n\r\n") << QString();
    QTest::newRow("1600 bytes fit") << QString(1600, QLatin1Char('x')) << QByteArray(1600, 'x') << QString();
    QTest::newRow("1601 bytes do not")
        << QString(1601, QLatin1Char('x')) << QByteArray()
        << QStringLiteral("The message is too long: 1601 bytes, and one message carries at most 1600; nothing was "
                          "sent.");
    // Line ends count twice on the wire.
    QTest::newRow("800 lines")
        << QStringLiteral("x\n").repeated(800) << QByteArray()
        << QStringLiteral("The message is too long: 2400 bytes, and one message carries at most 1600; nothing was "
                          "sent.");
    QTest::newRow("euro")
        << QStringLiteral("5 € please") << QByteArray()
        << QStringLiteral("The message holds the character \"€\" (U+20AC), which code page 850 cannot carry; nothing "
                          "was sent.");
}

void tst_NetProtocol::prepareMessage()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    const PreparedText prepared = ::prepareMessage(message);
    QCOMPARE(prepared.refusal, refusal);
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
    QTest::newRow("send alone") << QStringList{"send"} << usage << QString() << QString();
    QTest::newRow("no message") << QStringList{"send", "BOB"} << usage << QString() << QString();
    QTest::newRow("empty name") << QStringList{"send", "", "hi"} << usage << QString() << QString();
    QTest::newRow("one word") << QStringList{"send", "BOB", "hello"} << send << "BOB"
                              << "hello";
    QTest::newRow("words joined") << QStringList{"SEND", "BOB", "hello", "big", "world"} << send << "BOB"
                                  << "hello big world";
    QTest::newRow("blanks inside one word kept") << QStringList{"send", "PC7", "  two  blanks "} << send << "PC7"
                                                 << "  two  blanks ";
    QTest::newRow("line break kept") << QStringList{"send", "PC7", "a\nb"} << send << "PC7"
                                     << "a\nb";
    QTest::newRow("view") << QStringList{"View"} << int(NetCommand::View) << QString() << QString();
    QTest::newRow("view of a server") << QStringList{"view", "\\\\PC7"} << usage << QString() << QString();
    QTest::newRow("other") << QStringList{"use", "x:"} << usage << QString() << QString();
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

void tst_NetProtocol::smbRequests_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("expected");
    // Header: magic, command, status, flags 08, flags2, 12 bytes, TID, PID, UID, MID.
    const QByteArray header = hex("ff534d42");
    const QByteArray middle = hex("00000000"
                                  "08"
                                  "0000"
                                  "000000000000000000000000"
                                  "0000"
                                  "0000"
                                  "0000");
    QTest::newRow("start") << Smb::sendStart("VM", "PC7", 1)
                           << header + hex("d5") + middle +
                                  hex("0100"
                                      "00"
                                      "0900"
                                      "04564d00"
                                      "0450433700");
    QTest::newRow("text") << Smb::sendText(0x1234, "hi", 2)
                          << header + hex("d7") + middle +
                                 hex("0200"
                                     "01"
                                     "3412"
                                     "0500"
                                     "01"
                                     "0200"
                                     "6869");
    QTest::newRow("end") << Smb::sendEnd(0x1234, 3)
                         << header + hex("d6") + middle +
                                hex("0300"
                                    "01"
                                    "3412"
                                    "0000");
}

void tst_NetProtocol::smbRequests()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, expected);
    QCOMPARE(packet.toHex(), expected.toHex());
}

void tst_NetProtocol::smbReplies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("words");
    const QByteArray rest = hex("000000000000000000000000"
                                "0000"
                                "0000"
                                "0000"
                                "0100");
    // magic, command, status, flags (reply bit), flags2
    QTest::newRow("start accepted, with group") << hex("ff534d42d5"
                                                       "00000000"
                                                       "88"
                                                       "0000") +
                                                       rest +
                                                       hex("01"
                                                           "0700"
                                                           "0000")
                                                << true << 0xD5 << true << QString() << 1;
    QTest::newRow("start accepted, no group") << hex("ff534d42d5"
                                                     "00000000"
                                                     "88"
                                                     "0000") +
                                                     rest +
                                                     hex("00"
                                                         "0000")
                                              << true << 0xD5 << true << QString() << 0;
    QTest::newRow("DOS error") << hex("ff534d42d5"
                                      "01004700"
                                      "88"
                                      "0000") +
                                      rest +
                                      hex("00"
                                          "0000")
                               << true << 0xD5 << false << QStringLiteral("DOS error class 1, code 71") << 0;
    QTest::newRow("NT status") << hex("ff534d42d7"
                                      "d00000c0"
                                      "88"
                                      "0040") +
                                      rest +
                                      hex("00"
                                          "0000")
                               << true << 0xD7 << false << QStringLiteral("NT_STATUS_REQUEST_NOT_ACCEPTED") << 0;
    QTest::newRow("a request, not a reply") << hex("ff534d42d5"
                                                   "00000000"
                                                   "08"
                                                   "0000") +
                                                   rest +
                                                   hex("00"
                                                       "0000")
                                            << false << 0 << false << QString() << 0;
    QTest::newRow("byte count past the end") << hex("ff534d42d6"
                                                    "00000000"
                                                    "88"
                                                    "0000") +
                                                    rest +
                                                    hex("00"
                                                        "0500"
                                                        "41")
                                             << false << 0 << false << QString() << 0;
    QTest::newRow("words past the end") << hex("ff534d42d6"
                                               "00000000"
                                               "88"
                                               "0000") +
                                               rest +
                                               hex("05"
                                                   "0000")
                                        << false << 0 << false << QString() << 0;
    QTest::newRow("SMB2") << hex("fe534d42d5"
                                 "00000000"
                                 "88"
                                 "0000") +
                                 rest +
                                 hex("00"
                                     "0000")
                          << false << 0 << false << QString() << 0;
}

void tst_NetProtocol::smbReplies()
{
    QFETCH(QByteArray, packet);
    QFETCH(bool, valid);
    QFETCH(int, command);
    QFETCH(bool, ok);
    QFETCH(QString, status);
    QFETCH(int, words);
    const auto reply = Smb::parseReply(packet);
    QCOMPARE(reply.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(int(reply->command), command);
    QCOMPARE(reply->status.ok(), ok);
    if (!ok)
        QCOMPARE(Smb::describe(reply->status), status);
    QCOMPARE(reply->words.size(), words);
}

void tst_NetProtocol::blocks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("empty") << 0 << QList<int>{};
    QTest::newRow("one byte") << 1 << QList<int>{1};
    QTest::newRow("one full block") << 127 << QList<int>{127};
    QTest::newRow("one byte more") << 128 << QList<int>{127, 1};
    QTest::newRow("longest message") << 1600 << (QList<int>(12, 127) << 76);
}

void tst_NetProtocol::blocks()
{
    QFETCH(int, size);
    QFETCH(QList<int>, sizes);
    QByteArray text;
    for (int i = 0; i < size; ++i)
        text.append(char('a' + i % 26));
    const QList<QByteArray> blocks = Smb::blocks(text);
    QList<int> actual;
    for (const QByteArray &block : blocks)
        actual.append(int(block.size()));
    QCOMPARE(actual, sizes);
    QCOMPARE(blocks.join(), text);
}

void tst_NetProtocol::sessionHeaders_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("type");
    QTest::addColumn<uint>("length");
    QTest::newRow("positive response") << hex("82000000") << true << 0x82 << 0u;
    QTest::newRow("negative response") << hex("83000001") << true << 0x83 << 1u;
    QTest::newRow("message") << hex("00000123") << true << 0x00 << 0x123u;
    QTest::newRow("seventeenth length bit") << hex("00010005") << true << 0x00 << 0x10005u;
    QTest::newRow("unknown flags") << hex("00020005") << false << 0 << 0u;
    QTest::newRow("short") << hex("8200") << false << 0 << 0u;
}

void tst_NetProtocol::sessionHeaders()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, valid);
    QFETCH(int, type);
    QFETCH(uint, length);
    const auto parsed = NetBios::parseSessionHeader(header);
    QCOMPARE(parsed.has_value(), valid);
    if (valid) {
        QCOMPARE(int(parsed->type), type);
        QCOMPARE(parsed->length, length);
    }
}

void tst_NetProtocol::nameQueryResponses_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("addresses");
    const QByteArray one = hex("0000"
                               "0a0b0c0d");
    QTest::newRow("one address") << nameServiceResponse(7, 0x8500, 0x20, one) << QStringList{"10.11.12.13"};
    QTest::newRow("two addresses") << nameServiceResponse(7, 0x8500, 0x20,
                                                          one + hex("6000"
                                                                    "c0a80001"))
                                   << QStringList{"10.11.12.13", "192.168.0.1"};
    QTest::newRow("other id") << nameServiceResponse(8, 0x8500, 0x20, one) << QStringList{};
    QTest::newRow("negative") << nameServiceResponse(7, 0x8503, 0x20, one) << QStringList{};
    QTest::newRow("a request") << nameServiceResponse(7, 0x0110, 0x20, one) << QStringList{};
    QTest::newRow("node status type") << nameServiceResponse(7, 0x8500, 0x21, one) << QStringList{};
    QTest::newRow("cut short") << nameServiceResponse(7, 0x8500, 0x20, one).chopped(2) << QStringList{};
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

void tst_NetProtocol::viewLayout_data()
{
    QTest::addColumn<QStringList>("computers");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QStringList{} << QStringLiteral("There are no entries in the list.\n");
    QTest::newRow("sorted, once each") << QStringList{"PC7", "ALPHA", "PC7"}
                                       << QStringLiteral("Server Name            Remark\n\n") + QString(79, '-') +
                                              QStringLiteral("\n\\\\ALPHA\n\\\\PC7\nThe command completed "
                                                             "successfully.\n");
}

void tst_NetProtocol::viewLayout()
{
    QFETCH(QStringList, computers);
    QFETCH(QString, text);
    QCOMPARE(viewText(computers), text);
}

QTEST_GUILESS_MAIN(tst_NetProtocol)
#include "tst_netprotocol.moc"
