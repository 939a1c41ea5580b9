// The whois query against whois and RDAP servers on loopback, well-behaved and hostile: every
// answer ends within its time limits, says why, keeps the event loop turning and leaves no
// connection open; and a chain asks RDAP once (the whois servers: the end-to-end test).
#include "WhoisTesting.h"
#include "whois/WhoisQuery.h"

namespace {

// Sets the server up to answer as kind says: "silent", "closes" (at once), "piece, then silent",
// "piece, then closes", "drip" (a byte every 10 ms), "50 MB" (of 80-byte lines, 16 bytes short of
// a MiB at a time), or with the answer of that name. Over HTTP, a header announces the rest.
void serve(ScriptedServer &peer, const QString &kind, bool http)
{
    const QMap<QString, QList<QByteArray>> answers = {
        {"served by RDAP only", {"This TLD is served by RDAP only.\r\n"}},
        {"UTF-8 cut short", {"\xC3\xBC ", "then \xC3"}},
        {"piece, then silent", {"half\n"}},
        {"piece, then closes", {"half\n"}},
        {"drip", QList<QByteArray>(1000, "x")},
        {"50 MB", QList<QByteArray>(50, QByteArray(78, 'x').append("\r\n").repeated(13107))},
        {"binary", {QByteArray::fromHex("00ff7f80c3fe1b22").repeated(512)}},
        {"not found", {httpReply(404, R"({"errorCode": 404, "title": "Not Found"})")}},
        {"server error", {httpReply(503, R"({"title": "Busy"})")}},
    };
    peer.answer = answers.value(kind);
    peer.silent = kind == u"silent";
    peer.close = !kind.endsWith(u"silent");
    peer.everyMs = kind == u"drip" || kind.startsWith(u"UTF") ? 10 : 1;
    qsizetype length = kind.startsWith(u"piece") ? 1000 : 0;
    for (const QByteArray &piece : std::as_const(peer.answer))
        length += piece.size();
    if (http && !peer.answer.value(0).startsWith("HTTP/"))
        peer.answer.prepend(httpReply(200, {}, length));
}

// What a query reported: the last answer's text as a reader has it, and the endings.
struct Report
{
    explicit Report(WhoisQuery &query)
    {
        QObject::connect(&query, &WhoisQuery::asking, &query, [this] { text.clear(); });
        QObject::connect(&query, &WhoisQuery::partReceived, &query, [this](const AnswerText::Change &change) {
            text = change.replace ? change.text : text + change.text;
        });
        QObject::connect(&query, &WhoisQuery::finished, &query,
                         [this](const WhoisQuery::Outcome &outcome) { endings << outcome; });
    }
    // "TEXT|NOTICE|OFFERS" of the last answer, its offers named as their links name them.
    QString last() const
    {
        QStringList offers;
        for (const Offer &offer : endings.last().offers)
            offers << (offer.server ? displayName(*offer.server) : QStringLiteral("RDAP"));
        return text + u'|' + endings.last().notice + u'|' + offers.join(u',');
    }

    QString text;
    QList<WhoisQuery::Outcome> endings;
};

} // namespace

class tst_WhoisQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // RDAP is asked once the whois server has refused the connection; the rows named "RDAP …" try
    // an RDAP service, the others a whois server.
    void ends()
    {
        const std::pair<QString, QString> rows[] = {
            // The kind of server, then Report::last(): HOST the server, … any text.
            {"served by RDAP only", "This TLD is served by RDAP only.\r\n||RDAP"},
            // Its last character unfinished, the whole answer is read as Windows-1252.
            {"UTF-8 cut short", "Ã¼ then Ã||"},
            {"refused", "|Could not connect to HOST: Connection refused|RDAP"},
            {"full queue", "|Could not connect to HOST: no connection within 1 seconds.|RDAP"},
            {"silent", "|HOST did not answer within 1 seconds.|RDAP"},
            {"piece, then silent", "half\n|HOST sent nothing more for 1 seconds; the answer may be incomplete.|"},
            {"closes", "|HOST closed the connection without answering.|RDAP"},
            {"piece, then closes", "half\n||"},
            {"drip", "x…|HOST was still answering after 2 seconds; the rest of its answer was not read.|"},
            // The first MiB of it.
            {"50 MB", QString(78, u'x').append("\r\n").repeated(13107) + QString(16, u'x') +
                          "|HOST sent more than 1 MB; the rest of its answer was not read.|"},
            {"RDAP not found", "|HOST has no record of example.test (HTTP 404).|"},
            {"RDAP server error", "|HOST answered with HTTP status 503. Busy|"},
            {"RDAP refused", "|Could not connect to HOST: …|"},
            {"RDAP silent", "|HOST did not answer within 1 seconds.|"},
            {"RDAP drip", "|HOST was still answering after 2 seconds; the rest was not read.|"},
            {"RDAP 50 MB", "|HOST sent more than 4 MB; the rest was not read.|"},
            {"RDAP binary", "|HOST sent no readable record: the answer is not JSON …|"},
            {"RDAP piece, then closes", "|The connection to HOST broke: …|"},
        };
        for (auto [row, ended] : rows) {
            const bool rdap = row.startsWith(u"RDAP ");
            const QString kind = row.mid(rdap ? 5 : 0);
            ScriptedServer server;
            ScriptedServer bootstrap;
            serve(server, kind, rdap);
            // Its queue full, the system drops every further connection attempt unanswered.
            QTcpServer full;
            full.setListenBacklogSize(0);
            full.setMaxPendingConnections(0);
            full.listen(QHostAddress::LocalHost);
            QTcpSocket filler;
            filler.connectToHost(QHostAddress::LocalHost, full.serverPort());
            QVERIFY(filler.waitForConnected(2000));
            const quint16 port = kind == u"refused"      ? closedPort()
                                 : kind == u"full queue" ? full.serverPort()
                                                         : server.port();
            // A second to connect and for each piece of the answer, two for the whole of it.
            WhoisSettings limits{rdap ? closedPort() : port, 1000, 1000, 2000, {}, {}};
            limits.rdapBootstrap = serveBootstrap(bootstrap, port);
            WhoisQuery query(limits);
            Report report(query);
            LoopGaps gaps;
            query.start({QStringLiteral("127.0.0.1"), 0}, QStringLiteral("example.test"));
            if (rdap) {
                QTRY_VERIFY2(report.endings.size() == 1, qPrintable(row));
                query.follow(Offer{});
            }
            QTRY_VERIFY2_WITH_TIMEOUT(report.endings.size() == (rdap ? 2 : 1), qPrintable(row), 6000);
            const QString host = rdap ? QStringLiteral("127.0.0.1:%1").arg(port) : QStringLiteral("127.0.0.1");
            QVERIFY2(like(report.last(), ended.replace(QStringLiteral("HOST"), host)),
                     qPrintable(row + ": " + report.last().right(300)));
            if (rdap)
                query.follow(Offer{}); // asked once in a chain
            QVERIFY2(!query.isRunning(), qPrintable(row));
            QTRY_VERIFY2(server.closed(0), qPrintable(row));
            QVERIFY2(gaps.longestMs < maxGapMs, qPrintable(row + ": " + QString::number(gaps.longestMs)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_WhoisQuery)
#include "tst_whoisquery.moc"
