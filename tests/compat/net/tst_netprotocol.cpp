#include "Cp850.h"
#include "Messenger.h"
#include "NetBios.h"
#include "NetCommand.h"
#include "Smb.h"

#include <QProcess>
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
    packet += QByteArray::fromStdString(NetBios::encodeName("PC7", 0x03));
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
    void names_data();
    void names();
    void ipv4Literals_data();
    void ipv4Literals();
    void texts();
    void linksNoQt();
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
        const std::string expected(out, std::size_t(outPointer - out));
        QCOMPARE(Cp850::decode(std::string(1, in)), expected);
        QCOMPARE(Cp850::encode(std::string_view(expected)).bytes, std::string(1, in));
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
    std::vector<std::string> words;
    for (const QString &argument : std::as_const(arguments))
        words.push_back(argument.toStdString());
    QCOMPARE(int(parseArguments(words).kind), kind);
}

void tst_NetProtocol::replies_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("parsed"); // "-": rejected
    QTest::newRow("SMB NT status") << smb("d7 d00000c0 880040", "00 0000") << "NT_STATUS_REQUEST_NOT_ACCEPTED";
    QTest::newRow("SMB request") << smb("d5 00000000 080000", "00 0000") << "-";
    QTest::newRow("SMB bytes past the end") << smb("d6 00000000 880000", "00 0500 41") << "-";
    QTest::newRow("SMB words past the end") << smb("d6 00000000 880000", "05 0000") << "-";
    const QByteArray address = QByteArray::fromHex("0000 0a0b0c0d");
    QTest::newRow("name: one address") << nameServiceResponse(7, 0x8500, 0x20, address) << "10.11.12.13";
    QTest::newRow("name: other id") << nameServiceResponse(8, 0x8500, 0x20, address) << "-";
    QTest::newRow("name: negative") << nameServiceResponse(7, 0x8503, 0x20, address) << "-";
    QTest::newRow("name: our own query") << QByteArray::fromStdString(NetBios::nameQuery(7, "PC7", 0x03, true)) << "-";
    // Names of 15 bytes, a suffix and two flag bytes each (0x8000: a group).
    const QByteArray table = QByteArrayLiteral("PARLO          \x00\x84\x00PC7            \x20\x04\x00");
    QTest::newRow("status") << nameServiceResponse(7, 0x8400, 0x21, '\x02' + table) << "PARLO<0>* PC7<20> ";
    QTest::newRow("status: fewer names than told") << nameServiceResponse(7, 0x8400, 0x21, '\x03' + table) << "-";
}

void tst_NetProtocol::replies()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, parsed);
    const std::string packet = bytes.toStdString();
    const QByteArray tag = QTest::currentDataTag();
    QString actual = QStringLiteral("-");
    if (const auto reply = tag.startsWith("SMB") ? Smb::parseReply(packet) : std::nullopt)
        actual = QString::fromStdString(Smb::describe(reply->status));
    if (const auto addresses = tag.startsWith("name") ? NetBios::parseNameQueryResponse(packet, 7) : std::nullopt)
        actual = QString::fromStdString(NetBios::ipv4Text(addresses->at(0)));
    if (const auto names = tag.startsWith("status") ? NetBios::parseNodeStatusResponse(packet, 7) : std::nullopt) {
        actual.clear();
        for (const NetBios::NodeName &name : *names)
            actual += QStringLiteral("%1<%2>%3 ")
                          .arg(QString::fromStdString(name.name))
                          .arg(name.suffix, 0, 16)
                          .arg(name.group ? "*" : "");
    }
    QCOMPARE(actual, parsed);
}

void tst_NetProtocol::computerName()
{
    // A workstation name serves when there is no server name; group names never do.
    QCOMPARE(NetBios::computerName({{"PARLO", 0x20, true}, {"WS", 0x00, false}}), std::string("WS"));
    QCOMPARE(NetBios::computerName({{"PARLO", 0x00, true}}), std::string());
}

void tst_NetProtocol::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("form"); // code page 850 bytes read as Latin-1
    QTest::addColumn<bool>("taken");
    QTest::newRow("computer part only") << "pc7.example.org" << "PC7" << true;
    QTest::newRow("sharp s is two letters") << "straße" << "STRASSE" << true;
    QTest::newRow("long s upper-cases into the code page") << "ſam" << "SAM" << true;
    QTest::newRow("outside the code page") << "abc€" << "ABC_" << false;
    QTest::newRow("sixteen letters") << "abcdefghijklmnop" << "ABCDEFGHIJKLMNO" << false;
    QTest::newRow("fifteen letters once upper-cased") << "ßßßßßßßß" << "SSSSSSSSSSSSSSS" << false;
    QTest::newRow("IPv6 address") << "2001:db8:0:0:0:0:0:1" << "2001:DB8:0:0:0:" << true;
    QTest::newRow("IPv6 address with scope") << "fe80::1%eth0" << "FE80::1%ETH0" << true;
}

void tst_NetProtocol::names()
{
    QFETCH(QString, name);
    QFETCH(QString, form);
    QFETCH(bool, taken);
    QCOMPARE(QString::fromLatin1(NetBios::netbiosForm(name.toStdString())), form);
    QCOMPARE(recipientRefusal(name.toStdString()).empty(), taken);
}

void tst_NetProtocol::ipv4Literals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address"); // empty: not an address
    QTest::newRow("dotted") << "127.0.0.31" << "127.0.0.31";
    QTest::newRow("octal part") << "010.0.0.1" << "8.0.0.1";
    QTest::newRow("bad octal part") << "09.0.0.1" << "";
    QTest::newRow("part too large") << "1.256.0.1" << "";
    QTest::newRow("three parts") << "1.2.3" << "";
    QTest::newRow("trailing dot") << "1.2.3.4." << "";
    QTest::newRow("four digits") << "1.2.3.0004" << "";
    QTest::newRow("other digits") << "\u0661.2.3.4" << "";
}

void tst_NetProtocol::ipv4Literals()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    const std::optional<NetBios::Ipv4> parsed = ipv4Literal(name.toStdString());
    QCOMPARE(parsed ? QString::fromStdString(NetBios::ipv4Text(*parsed)) : QString(), address);
}

void tst_NetProtocol::texts()
{
    QCOMPARE(prepareMessage("a\rb\r\nc\nd\n\r").bytes, std::string("a\r\nb\r\nc\r\nd\r\n\r\n"));
    QCOMPARE(prepareMessage("\xE2\x82\xAC").refusal,
             std::string("The message holds the character \"\xE2\x82\xAC\" (U+20AC), which code page 850 cannot carry; "
                         "nothing was sent."));
    QCOMPARE(viewText({"pc9", "PC10", "pc9"}), std::string("Server Name            Remark\n\n") +
                                                   std::string(79, '-') +
                                                   "\n\\\\PC10\n\\\\pc9\nThe command completed successfully.\n");
}

void tst_NetProtocol::linksNoQt()
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral(PARLO_TEST_COMPAT_DIR "/net")});
    QVERIFY(readelf.waitForFinished(10000));
    const QString dynamic = QString::fromUtf8(readelf.readAllStandardOutput());
    QVERIFY(dynamic.contains(u"libc.so"));
    QVERIFY2(!dynamic.contains(u"libQt"), qPrintable(dynamic));
}

QTEST_GUILESS_MAIN(tst_NetProtocol)
#include "tst_netprotocol.moc"
