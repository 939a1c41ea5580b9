// The whois window's parts that need no window: reading answers, questions, referrals, RDAP.
#include "whois/AnswerText.h"
#include "whois/Query.h"
#include "whois/Rdap.h"
#include "whois/Referrals.h"

#include <QTest>

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

} // namespace

class tst_WhoisParts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The text is the same however the answer is cut into pieces.
    void answerText()
    {
        const std::tuple<const char *, QByteArray, QString> rows[] = {
            {"UTF-8", "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9F\x98\x80", "Grüße € 😀"},
            {"Windows-1252, an unused byte", "caf\xE9 \x80 \x93q\x94\x81", "café € “q”\uFFFD"},
            {"valid UTF-8, then not", "\xC3\xBC then \xFC", "Ã¼ then ü"},
            {"unfinished at the end", "ab\xC3", "abÃ"},
            {"overlong", "\xC0\xAF", "À¯"},
            {"surrogate", "\xED\xA0\x80", "í\u00A0€"},
            {"beyond U+10FFFF", "\xF4\x90\x80\x80", "ô\uFFFD€€"},
            {"controls", QByteArray("a\0b\x07\x63\td\x7F", 8), "a\uFFFDb\uFFFDc\td\uFFFD"},
            {"document marks", "\xEF\xB7\x90|\xEF\xBF\xBC", "\uFFFD|\uFFFD"},
        };
        for (const auto &[name, bytes, text] : rows) {
            QList<QByteArray> single;
            for (const char byte : bytes)
                single << QByteArray(1, byte);
            QVERIFY2(::answerText(bytes) == text && shownInPieces(single) == text, name);
            for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
                QVERIFY2(shownInPieces({bytes.first(cut), bytes.sliced(cut)}) == text, name);
        }
    }

    // The domain's URL, or why there is none.
    void rdapService()
    {
        // Its double quotes written as single ones.
        const QByteArray bootstrap = QByteArray("{'services': [[['com'], ['http://a.com/v1/', 'https://b.com/v1/']], "
                                                "[['uk'], ['https://c.uk/']], [['CO.UK'], ['https://d.uk/co']], "
                                                "[['ftp'], ['ftp://e.example/']]]}")
                                         .replace('\'', '"');
        const std::pair<QString, QString> rows[] = {
            {"example.com", "https://b.com/v1/domain/example.com"}, // https first
            {"a.co.uk", "https://d.uk/co/domain/a.co.uk"},          // the longest suffix
            {"a.xcom", "No RDAP service is known for .xcom."},      // a label, not text
            {"a.ftp", "No RDAP service is known for .ftp."},        // no web address
        };
        for (const auto &[domain, result] : rows) {
            const RdapService service = rdapServiceFor(bootstrap, domain);
            QCOMPARE(service.failure.isEmpty() ? rdapDomainUrl(service.base, domain).toString() : service.failure,
                     result);
        }
        QCOMPARE(rdapServiceFor("<html>", "a.com").failure, "The RDAP bootstrap file names no services.");
    }

    void rdapRecord()
    {
        const QByteArray record = R"({"objectClassName": "domain", "handle": "2336799_DOMAIN_COM-VRSN",
  "ldhName": "XN--BCHER-KVA.COM", "unicodeName": "bücher.com", "status": ["client transfer prohibited", "active"],
  "events": [{"eventAction": "registration", "eventDate": "1995-08-14T04:00:00Z"}],
  "nameservers": [{"objectClassName": "nameserver", "ldhName": "A.IANA-SERVERS.NET"}],
  "secureDNS": {"delegationSigned": true},
  "entities": [{"roles": ["registrar"], "publicIds": [{"type": "IANA Registrar ID", "identifier": "292"}],
                "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "MarkMonitor Inc."]]],
                "entities": [{"roles": ["abuse"], "vcardArray": ["vcard", [["org", {}, "text", "Abuse\u0007 Desk"]]]}]},
               {"handle": "NO-VCARD"}]})";
        QCOMPARE(
            rdapDomainText(record).text,
            "Domain Name: XN--BCHER-KVA.COM (bücher.com)\nHandle: 2336799_DOMAIN_COM-VRSN\n"
            "Status: client transfer prohibited, active\nEvents:\n  registration: 1995-08-14T04:00:00Z\n"
            "Name Servers:\n  A.IANA-SERVERS.NET\nDNSSEC: signed delegation\nEntities:\n"
            "  registrar: MarkMonitor Inc. (IANA Registrar ID 292)\n    abuse: Abuse\uFFFD Desk\n  entity: NO-VCARD\n");
        QCOMPARE(rdapDomainText("{\"ldhName\": ").failure, "the answer is not JSON (unterminated object at byte 12).");
    }

    // What a typed text sends to a whois server (null: refused), and the domain RDAP is asked about.
    // The window's own test sends the plain cases to a server.
    void typed()
    {
        const std::tuple<QString, QByteArray, QString> rows[] = {
            {" BÜCHER.example ", " xn--bcher-kva.example \r\n", "xn--bcher-kva.example"},
            {"Example.COM", "Example.COM\r\n", "example.com"},
            {"Müller", "M\xC3\xBCller\r\n", ""},                        // one label: UTF-8
            {"bücher.example x", "b\xC3\xBC\x63her.example x\r\n", ""}, // no ACE form: UTF-8
            {"192.0.2.1", "192.0.2.1\r\n", ""},
            {"a.com\nb.com", {}, ""},
            {QStringLiteral("a.com") + QChar(0), {}, ""},
        };
        for (const auto &[text, bytes, rdap] : rows) {
            QCOMPARE(questionRefusal(text).isEmpty(), !bytes.isNull());
            if (!bytes.isNull())
                QCOMPARE(whoisQuestion(text), bytes);
            QCOMPARE(rdapDomain(text), rdap);
        }
    }

    // The servers an answer refers to, by commas, and " RDAP only" when it says that only RDAP answers.
    void answer()
    {
        QList<std::array<QString, 3>> rows = {
            {"IANA: refer, whois once", "refer:   whois.a.com\n\ndomain:  COM\nwhois:   whois.a.com\n", "whois.a.com"},
            {"ARIN: the last whois one",
             "ReferralServer:  whois://a.net\nReferralServer: whois://b.net:4343/\n"
             "ReferralServer: rwhois://c.net:4321\n",
             "b.net:4343"},
            {"final dot", "refer: WHOIS.NIC.XYZ.\n", "whois.nic.xyz"},
            {"no host name",
             "Registrar WHOIS Server: \r\nRegistrar WHOIS Server: http://whois.x.com\n"
             "whois: not a host!\nrefer: a;b\nrefer: x.com:0\n",
             ""},
            {"not a key", "% refer: x.example\nremarks: whois: y.example\n", ""},
            {"kept when ARIN's changes",
             "ReferralServer: whois://a.example\nrefer: a.example\n"
             "ReferralServer: whois://b.example\n",
             "a.example,b.example"},
            {"no longer", "WHOIS is no longer offered; use RDAP at https://rdap.nic.example/\n", " RDAP only"},
            {"two lines", "The Registry holds ONLY .COM and .NET domains.\nRDAP: see https://a.example/\n", ""},
        };
        // A whole answer of different servers: read in linear time, or this row takes minutes.
        QStringList many;
        for (int i = 0; i < 60000; ++i)
            many << QStringLiteral("s%1.example").arg(i);
        rows.append({"a megabyte of servers", "refer: " + many.join("\nrefer: ") + '\n', many.join(u',')});
        for (const auto &[name, answer, expected] : std::as_const(rows)) {
            QStringList servers;
            for (const WhoisServer &server : referrals(answer))
                servers << displayName(server);
            const QString found = servers.join(u',') + (answersRdapOnly(answer) ? " RDAP only" : "");
            QVERIFY2(found == expected, qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(tst_WhoisParts)
#include "tst_whoisparts.moc"
