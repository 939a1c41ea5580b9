// The whois window's parts that need no window: reading answers, questions, referrals, RDAP.
#include "whois/AnswerText.h"
#include "whois/Query.h"
#include "whois/Rdap.h"
#include "whois/Referrals.h"

#include <QTest>

class tst_WhoisParts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answerText_data();
    void answerText();
    void rdapService_data();
    void rdapService();
    void rdapRecord_data();
    void rdapRecord();
    void typed_data();
    void typed();
    void answer_data();
    void answer();
};

namespace {

// The text a reader sees after the changes of each piece in turn, and the finish.
QString shownInPieces(const QList<QByteArray> &pieces)
{
    AnswerText answer;
    QString shown;
    const auto apply = [&shown](const AnswerText::Change &change) {
        shown = change.replace ? change.text : shown + change.text;
    };
    for (const QByteArray &piece : pieces)
        apply(answer.add(piece));
    apply(answer.finish());
    return shown;
}

const QByteArray bootstrap = R"({"version": "1.0", "services": [
  [["com", "net"], ["http://rdap.verisign.com/com/v1/", "https://rdap.verisign.com/com/v1/"]],
  [["uk"], ["https://rdap.nominet.uk/uk/"]],
  [["CO.UK"], ["https://rdap.example/co.uk"]],
  [["ftp"], ["ftp://rdap.example/"]]]})";

const QByteArray record = R"({"objectClassName": "domain", "handle": "2336799_DOMAIN_COM-VRSN",
  "ldhName": "XN--BCHER-KVA.COM", "unicodeName": "bücher.com",
  "status": ["client transfer prohibited", "active"],
  "events": [{"eventAction": "registration", "eventDate": "1995-08-14T04:00:00Z"},
             {"eventAction": "expiration", "eventDate": "2026-08-13T04:00:00Z"}],
  "nameservers": [{"objectClassName": "nameserver", "ldhName": "A.IANA-SERVERS.NET"},
                  {"objectClassName": "nameserver", "ldhName": "B.IANA-SERVERS.NET"}],
  "secureDNS": {"delegationSigned": true},
  "entities": [{"roles": ["registrar"], "publicIds": [{"type": "IANA Registrar ID", "identifier": "292"}],
                "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "MarkMonitor Inc."]]],
                "entities": [{"roles": ["abuse"], "vcardArray": ["vcard", [["org", {}, "text", "Abuse\u0007 Desk"]]]}]},
               {"handle": "NO-VCARD"}],
  "notices": [{"title": "Terms of Use", "description": ["Long text."]}]})";

} // namespace

void tst_WhoisParts::answerText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    // clang-format off
    QTest::newRow("ASCII, CR LF kept") << QByteArray("Domain Name: EXAMPLE.COM\r\n") << "Domain Name: EXAMPLE.COM\r\n";
    QTest::newRow("UTF-8") << QByteArray("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80") << "Grüße € 😀";
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x80 \x93q\x94") << "café € “q”";
    QTest::newRow("valid UTF-8, then not") << QByteArray("\xC3\xBC then \xFC") << "Ã¼ then ü";
    QTest::newRow("unfinished at the end") << QByteArray("ab\xC3") << "abÃ";
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << "À¯";
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << "í\u00A0€";
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << "ô\uFFFD€€";
    QTest::newRow("controls") << QByteArray("a\0b\x07" "c\td\x7F", 8) << "a\uFFFDb\uFFFDc\td\uFFFD";
    QTest::newRow("unused 1252 byte") << QByteArray("x\x81y\xE9") << "x\uFFFDyé";
    QTest::newRow("document marks") << QByteArray("\xEF\xB7\x90|\xEF\xBF\xBC") << "\uFFFD|\uFFFD";
    // clang-format on
}

// The text is the same however the answer is cut into pieces.
void tst_WhoisParts::answerText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(::answerText(bytes), text);
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
        QCOMPARE(shownInPieces({bytes.first(cut), bytes.sliced(cut)}), text);
    QList<QByteArray> single;
    for (const char byte : std::as_const(bytes))
        single << QByteArray(1, byte);
    QCOMPARE(shownInPieces(single), text);
}

void tst_WhoisParts::rdapService_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("result"); // the domain's URL, or the failure

    // clang-format off
    QTest::newRow("https first") << bootstrap << "example.com" << "https://rdap.verisign.com/com/v1/domain/example.com";
    QTest::newRow("longest suffix") << bootstrap << "a.co.uk" << "https://rdap.example/co.uk/domain/a.co.uk";
    QTest::newRow("shorter suffix") << bootstrap << "a.uk" << "https://rdap.nominet.uk/uk/domain/a.uk";
    QTest::newRow("label, not text") << bootstrap << "a.xcom" << "No RDAP service is known for .xcom.";
    QTest::newRow("no web address") << bootstrap << "a.ftp" << "No RDAP service is known for .ftp.";
    QTest::newRow("not JSON") << QByteArray("<html>") << "a.com" << "The RDAP bootstrap file names no services.";
    // clang-format on
}

void tst_WhoisParts::rdapService()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, domain);
    const RdapService service = rdapServiceFor(file, domain);
    QTEST(service.failure.isEmpty() ? rdapDomainUrl(service.base, domain).toString() : service.failure, "result");
}

void tst_WhoisParts::rdapRecord_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("failure");

    // clang-format off
    QTest::newRow("domain") << record
        << "Domain Name: XN--BCHER-KVA.COM (bücher.com)\nHandle: 2336799_DOMAIN_COM-VRSN\n"
           "Status: client transfer prohibited, active\nEvents:\n  registration: 1995-08-14T04:00:00Z\n"
           "  expiration: 2026-08-13T04:00:00Z\nName Servers:\n  A.IANA-SERVERS.NET\n  B.IANA-SERVERS.NET\n"
           "DNSSEC: signed delegation\nEntities:\n  registrar: MarkMonitor Inc. (IANA Registrar ID 292)\n"
           "    abuse: Abuse\uFFFD Desk\n  entity: NO-VCARD\n" << "";
    QTest::newRow("not JSON") << QByteArray("{\"ldhName\": ") << ""
                              << "the answer is not JSON (unterminated object at byte 12).";
    // clang-format on
}

void tst_WhoisParts::rdapRecord()
{
    QFETCH(QByteArray, json);
    const RdapText result = rdapDomainText(json);
    QTEST(result.text, "text");
    QTEST(result.failure, "failure");
}

void tst_WhoisParts::typed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // null: refused
    QTest::addColumn<QString>("rdap");     // the domain RDAP is asked about

    // The window's own test sends the plain cases to a server.
    // clang-format off
    QTest::newRow("ACE, blanks kept") << " BÜCHER.example " << QByteArray(" xn--bcher-kva.example \r\n")
                                      << "xn--bcher-kva.example";
    QTest::newRow("lower case") << "Example.COM" << QByteArray("Example.COM\r\n") << "example.com";
    QTest::newRow("one label") << "com" << QByteArray("com\r\n") << "";
    QTest::newRow("one label: UTF-8") << "Müller" << QByteArray("M\xC3\xBCller\r\n") << "";
    QTest::newRow("inner blank") << "a b.com" << QByteArray("a b.com\r\n") << "";
    QTest::newRow("two words: UTF-8") << "bücher.example x" << QByteArray("b\xC3\xBC" "cher.example x\r\n") << "";
    QTest::newRow("address") << "192.0.2.1" << QByteArray("192.0.2.1\r\n") << "";
    QTest::newRow("line feed") << "a.com\nb.com" << QByteArray() << "";
    QTest::newRow("NUL") << QString(QStringLiteral("a.com") + QChar(0)) << QByteArray() << "";
    // clang-format on
}

void tst_WhoisParts::typed()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(questionRefusal(text).isEmpty(), !bytes.isNull());
    if (!bytes.isNull())
        QCOMPARE(whoisQuestion(text), bytes);
    QTEST(rdapDomain(text), "rdap");
}

void tst_WhoisParts::answer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("servers"); // it refers to
    QTest::addColumn<bool>("rdapOnly");

    // clang-format off
    QTest::newRow("IANA, refer and whois once")
        << "% IANA WHOIS server\n\nrefer:        whois.verisign-grs.com\n\ndomain:       COM\n"
           "whois:        whois.verisign-grs.com\n" << QStringList{"whois.verisign-grs.com"} << false;
    QTest::newRow("registry, registrar")
        << "   Domain Name: EXAMPLE.COM\r\n   Registrar WHOIS Server: whois.MarkMonitor.com\r\n"
        << QStringList{"whois.markmonitor.com"} << false;
    QTest::newRow("ARIN, the last whois one")
        << "ReferralServer:  whois://whois.ripe.net\nReferralServer: whois://whois.apnic.net:4343/\n"
           "ReferralServer: rwhois://rwhois.x.net:4321\n" << QStringList{"whois.apnic.net:4343"} << false;
    QTest::newRow("two kinds, in order") << "Registrar WHOIS Server: b.example\nrefer: a.example\n"
                                         << QStringList{"b.example", "a.example"} << false;
    QTest::newRow("final dot") << "refer: WHOIS.NIC.XYZ.\n" << QStringList{"whois.nic.xyz"} << false;
    QTest::newRow("no host name") << "Registrar WHOIS Server: \r\nRegistrar WHOIS Server: http://whois.x.com\n"
                                     "whois: not a host!\nrefer: a;b\nrefer: x.com:0\n" << QStringList{} << false;
    QTest::newRow("not a key") << "% refer: x.example\nremarks: whois: y.example\n" << QStringList{} << false;
    QTest::newRow("kept when ARIN's changes")
        << "ReferralServer: whois://a.example\nrefer: a.example\nReferralServer: whois://b.example\n"
        << QStringList{"a.example", "b.example"} << false;
    QTest::newRow("served by RDAP only") << "This TLD is served by RDAP only.\r\n" << QStringList{} << true;
    QTest::newRow("no longer") << "The WHOIS service is no longer offered; use RDAP at https://rdap.nic.example/\n"
                               << QStringList{} << true;
    QTest::newRow("the words on two lines")
        << "The Registry database contains ONLY .COM, .EDU and .NET domains.\nRDAP: see https://rdap.example/\n"
        << QStringList{} << false;
    // clang-format on

    // A whole answer of different servers: read in linear time, or this row takes minutes.
    QString many;
    QStringList manyServers;
    for (int i = 0; i < 60000; ++i) {
        manyServers << QStringLiteral("s%1.example").arg(i);
        many += "refer: " + manyServers.last() + '\n';
    }
    QTest::newRow("a megabyte of servers") << many << manyServers << false;
}

void tst_WhoisParts::answer()
{
    QFETCH(QString, answer);
    QStringList servers;
    for (const WhoisServer &server : referrals(answer))
        servers << displayName(server);
    QTEST(servers, "servers");
    QTEST(answersRdapOnly(answer), "rdapOnly");
}

QTEST_GUILESS_MAIN(tst_WhoisParts)
#include "tst_whoisparts.moc"
