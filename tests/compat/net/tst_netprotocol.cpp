#include "ConsoleRun.h"
#include "Cp850.h"
#include "Messenger.h"
#include "NetBios.h"
#include "NetCommand.h"
#include "Smb.h"
#include "Text.h"

#include <QTest>

#include <iconv.h>

namespace {

// An SMB1 packet by hand, as Latin-1: magic; command, status, flags and flags2; 20 zero bytes;
// then the word count, words, byte count and bytes.
QString smb(const char *head, const char *tail)
{
    return QString::fromLatin1(QByteArray::fromHex(QByteArray("ff534d42") + head + QByteArray(40, '0') + tail));
}

// A name service response by hand, as Latin-1: header, the name PC7<03>, type, class, TTL, data.
QString nameServiceResponse(quint16 id, quint16 flags, quint16 type, const QByteArray &data)
{
    QByteArray packet;
    QDataStream(&packet, QIODevice::WriteOnly) << id << flags << quint16(0) << quint16(1) << quint32(0);
    packet += QByteArray::fromStdString(NetBios::encodeName("PC7", 0x03));
    QDataStream(&packet, QIODevice::Append) << type << quint16(1) << quint32(0) << quint16(data.size());
    return QString::fromLatin1(packet + data);
}

} // namespace

class tst_NetProtocol : public QObject
{
    Q_OBJECT

private slots:
    void codePageMatchesIconv();
    void inputs();
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

// What is made of each input, bytes read as Latin-1, and a part of why it cannot be sent (empty: it
// can). The row's name up to a colon tells the kind of input.
void tst_NetProtocol::inputs()
{
    const QByteArray ipv4 = QByteArray::fromHex("0000 0a0b0c0d");
    // Names of 15 bytes, a suffix and two flag bytes each (0x8000: a group); after "=" the computer's
    // name: a workstation name serves when there is no server name, group names never do.
    const QByteArray table = QByteArrayLiteral("PARLO          \x20\x84\x00WS             \x00\x04\x00");
    // clang-format off
    const std::tuple<const char *, QString, QString, QString> rows[] = {
        // The command line's words, separated by '|': "usage", "view" or "send NAME|MESSAGE".
        {"command: nothing", "", "usage", ""},
        {"command: no message", "send|BOB", "usage", ""},
        {"command: empty name", "send||hi", "usage", ""},
        {"command: send in any case, words joined", "SEND|BOB|hi|there", "send BOB|hi there", ""},
        {"command: view in any case", "View", "view", ""},
        {"command: view of a server", "view|\\\\PC7", "usage", ""},
        {"address: dotted", "127.0.0.31", "127.0.0.31", ""},
        {"address: octal part", "010.0.0.1", "8.0.0.1", ""},
        {"address: bad octal part", "09.0.0.1", "", ""},
        {"address: part too large", "1.256.0.1", "", ""},
        {"address: three parts", "1.2.3", "", ""},
        {"address: trailing dot", "1.2.3.4.", "", ""},
        {"address: four digits", "1.2.3.0004", "", ""},
        {"name: computer part only", "pc7.corp.example.org", "PC7", ""},
        {"name: sharp s is two letters", "straße", "STRASSE", ""},
        {"name: long s upper-cases into the code page", "ſam", "SAM", ""},
        {"name: outside the code page, told as typed", "пётр", "____", "\"п\" (U+043F)"},
        {"name: fifteen letters once upper-cased", "ßßßßßßßß", "SSSSSSSSSSSSSSS", "too long"},
        {"name: long computer part of a dotted name", "averyveryverylongname16.example", "AVERYVERYVERYLO", "too long"},
        {"name: IPv6 address", "2001:db8:0:0:0:0:0:1", "2001:DB8:0:0:0:", ""},
        {"message: every line end as CR LF", "Grüße\rb\r\nc\nd\n\r", "Gr\u0081\u00e1e\r\nb\r\nc\r\nd\r\n\r\n", ""},
        {"message: outside code page 850", "costs 5 €", "", "\"€\" (U+20AC), which code page 850 cannot carry"},
        {"message: outside the BMP", "ok 😀", "", "\"😀\" (U+1F600)"},
        {"message: line ends count twice", QStringLiteral("x\n").repeated(800), "", "too long: 2400 bytes"},
        // The time limit a test may set; whatever else the variable holds leaves the default.
        {"limit: unset", "", "30000", ""},
        {"limit: over an hour", "3600001", "30000", ""},
        {"limit: zero", "0", "30000", ""},
        {"limit: trailing word", "100ms", "30000", ""},
        {"limit: past int", "99999999999999999999", "30000", ""},
        // `net view` lists each computer once, in any case, sorted without regard to it.
        {"view", "pc9|PC10|pc9", "Server Name            Remark\n\n" + QString(79, u'-') +
             "\n\\\\PC10\n\\\\pc9\nThe command completed successfully.\n", ""},
        // Packets that arrive: what is read of them, "-" when they are refused.
        {"smb reply: NT status", smb("d7 d00000c0 880040", "00 0000"), "NT_STATUS_REQUEST_NOT_ACCEPTED", ""},
        {"smb reply: a request", smb("d5 00000000 080000", "00 0000"), "-", ""},
        {"smb reply: bytes past the end", smb("d6 00000000 880000", "00 0500 41"), "-", ""},
        {"smb reply: words past the end", smb("d6 00000000 880000", "05 0000"), "-", ""},
        {"name reply: one address", nameServiceResponse(7, 0x8500, 0x20, ipv4), "10.11.12.13", ""},
        {"name reply: other id", nameServiceResponse(8, 0x8500, 0x20, ipv4), "-", ""},
        {"name reply: negative", nameServiceResponse(7, 0x8503, 0x20, ipv4), "-", ""},
        {"name reply: our own query", QString::fromLatin1(NetBios::nameQuery(7, "PC7", 0x03, true)), "-", ""},
        {"status reply", nameServiceResponse(7, 0x8400, 0x21, '\x02' + table), "PARLO<20>* WS<0> = WS", ""},
        {"status reply: fewer names than told", nameServiceResponse(7, 0x8400, 0x21, '\x03' + table), "-", ""},
    };
    // clang-format on
    for (const auto &[row, text, result, refusal] : rows) {
        const QByteArray kind = QByteArray(row).split(':').first();
        const std::string given = kind.endsWith("reply") ? text.toLatin1().toStdString() : text.toStdString();
        std::string made = "-", refused;
        if (const auto reply = kind == "smb reply" ? Smb::parseReply(given) : std::nullopt)
            made = Smb::describe(reply->status);
        if (const auto addresses = kind == "name reply" ? NetBios::parseNameQueryResponse(given, 7) : std::nullopt)
            made = NetBios::ipv4Text(addresses->at(0));
        if (const auto names = kind == "status reply" ? NetBios::parseNodeStatusResponse(given, 7) : std::nullopt) {
            made.clear();
            for (const NetBios::NodeName &name : *names)
                made += name.name + '<' + Text::hex(name.suffix, 1) + '>' + (name.group ? "* " : " ");
            made += "= " + NetBios::computerName(*names);
        }
        std::vector<std::string> words; // of a command line or a list
        for (const QString &word : text.isEmpty() ? QStringList() : text.split(u'|'))
            words.push_back(word.toStdString());
        if (kind == "view")
            made = viewText(words);
        if (kind == "command") {
            const NetCommand command = parseArguments(words);
            made = command.kind == NetCommand::Send   ? "send " + command.name + '|' + command.message
                   : command.kind == NetCommand::View ? "view"
                                                      : "usage";
        } else if (kind == "address") {
            const std::optional<NetBios::Ipv4> address = ipv4Literal(given);
            made = address ? NetBios::ipv4Text(*address) : std::string();
        } else if (kind == "name") {
            made = NetBios::netbiosForm(given);
            refused = recipientRefusal(given);
        } else if (kind == "limit") {
            made = std::to_string(sendLimitMs(text.isEmpty() ? nullptr : given.c_str()));
        } else if (kind == "message") {
            const PreparedText prepared = prepareMessage(given);
            made = prepared.bytes;
            refused = prepared.refusal;
        }
        QVERIFY2(QString::fromLatin1(made) == result, qPrintable(row + (": " + QString::fromLatin1(made))));
        const QString why = QString::fromStdString(refused);
        QVERIFY2(why.isEmpty() == refusal.isEmpty() && why.contains(refusal), qPrintable(row + (": " + why)));
    }
}

void tst_NetProtocol::linksNoQt()
{
    const QString dynamic = runConsole(QStringLiteral("readelf"), {"-d", PARLO_TEST_COMPAT_DIR "/net"}).output;
    QVERIFY(dynamic.contains(u"libc.so"));
    QVERIFY2(!dynamic.contains(u"libQt"), qPrintable(dynamic));
}

QTEST_GUILESS_MAIN(tst_NetProtocol)
#include "tst_netprotocol.moc"
