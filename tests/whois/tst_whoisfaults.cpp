// The whois window against hostile whois and RDAP servers on loopback: every query ends within
// its time limits, says why, keeps the event loop turning and leaves no connection open.
#include "Fakes.h"
#include "WhoisTesting.h"
#include "whois/whois.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The longest the window may stop answering while a hostile answer arrives. The sanitizers make
// every byte's handling several times slower, and the suite runs two tests at once.
#ifdef PARLO_SANITIZE
constexpr qint64 maxGapMs = 3000;
#else
constexpr qint64 maxGapMs = 1000;
#endif

constexpr qsizetype fiftyMegabytes = 50 * 1024 * 1024;

// 13,107 lines of 78 letters and CR LF, 48 bytes short of a MiB.
QByteArray megabyteOfLines()
{
    return QByteArray(78, 'x').append("\r\n").repeated(1024 * 1024 / 80);
}

// A listening socket whose queue is full, so that the system drops every further connection
// attempt unanswered; owns the socket and the one connection that fills it.
struct FullQueue
{
    FullQueue()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ::bind(fd, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(fd, 0);
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        filler.connectToHost(QHostAddress::LocalHost, port);
        filler.waitForConnected(2000);
    }
    ~FullQueue() { ::close(fd); }

    int fd = -1;
    quint16 port = 0;
    QTcpSocket filler;
};

// Once a request has come (a line for whois, a header block for HTTP), it misbehaves as `kind`
// says: "silent", "closes", "piece, then silent", "piece, then closes", "drip" (a byte every
// 10 ms of a megabyte announced), "50 MB" (of lines, a megabyte at a time), "one line" (2 MB
// without a line break) or "binary".
class HostileServer final : public QObject
{
public:
    HostileServer(const QString &kind, bool http) : m_kind(kind), m_http(http)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                m_sockets.append(socket);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
        connect(&m_drip, &QTimer::timeout, this, [this] {
            for (const QPointer<QTcpSocket> &socket : std::as_const(m_sockets)) {
                if (socket && socket->state() == QAbstractSocket::ConnectedState)
                    socket->write("x");
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    bool allClosed() const
    {
        return std::all_of(m_sockets.begin(), m_sockets.end(), [](const QPointer<QTcpSocket> &socket) {
            return !socket || socket->state() != QAbstractSocket::ConnectedState;
        });
    }

private:
    void read(QTcpSocket *socket)
    {
        m_requests[socket] += socket->readAll();
        if (!m_requests[socket].endsWith(m_http ? "\r\n\r\n" : "\r\n"))
            return;
        const auto head = [this](qsizetype length) {
            return m_http ? "HTTP/1.1 200 OK\r\nContent-Type: application/rdap+json\r\nContent-Length: " +
                                QByteArray::number(length) + "\r\n\r\n"
                          : QByteArray();
        };
        if (m_kind == u"drip") {
            socket->write(head(1024 * 1024));
            m_drip.start(10);
        } else if (m_kind == u"50 MB" || m_kind == u"one line") {
            // In pieces, each once the last has gone: megabytes of lines, or 2 MB in 60,000-byte
            // pieces of one line (not a multiple of the shown line length).
            const QByteArray piece = m_kind == u"50 MB" ? megabyteOfLines() : QByteArray(60000, 'x');
            const qsizetype total = m_kind == u"50 MB" ? fiftyMegabytes : 2 * 1024 * 1024;
            socket->write(head(total) + piece);
            connect(socket, &QTcpSocket::bytesWritten, socket, [socket, piece, total, sent = piece.size()]() mutable {
                if (socket->bytesToWrite() == 0 && sent < total) {
                    socket->write(piece);
                    sent += piece.size();
                }
            });
        } else if (m_kind == u"binary") {
            const QByteArray noise = QByteArray::fromHex("00ff7f80c3fe1b22").repeated(512);
            socket->write(head(noise.size()) + noise);
            socket->disconnectFromHost();
        } else if (m_kind.startsWith(u"piece")) {
            socket->write(head(1000) + "half\n");
        }
        if (m_kind.endsWith(u"closes"))
            socket->disconnectFromHost();
    }

    QString m_kind;
    bool m_http;
    QTcpServer m_server;
    QTimer m_drip;
    QList<QPointer<QTcpSocket>> m_sockets;
    QMap<QTcpSocket *, QByteArray> m_requests;
};

} // namespace

class tst_WhoisFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { delete Result::instance(); }

    void hostile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("rdap");
        QTest::addColumn<int>("timeoutMs"); // for connecting, and for each piece of the answer
        QTest::addColumn<QString>("text");  // the result window's in the end; HOST the server, … any text

        // clang-format off
        QTest::newRow("whois refused") << "refused" << false << 300 << "Could not connect to HOST: Connection refused\n";
        QTest::newRow("whois never accepted") << "full queue" << false << 300
            << "Could not connect to HOST: no connection within 0.3 seconds.\n";
        QTest::newRow("whois silent") << "silent" << false << 300 << "HOST did not answer within 0.3 seconds.\n";
        QTest::newRow("whois silent after a piece") << "piece, then silent" << false << 300
            << "half\n\nHOST sent nothing more for 0.3 seconds; the answer may be incomplete.\n";
        QTest::newRow("whois closes at once") << "closes" << false << 300
            << "HOST closed the connection without answering.\n";
        QTest::newRow("whois closes mid-answer") << "piece, then closes" << false << 300 << "half\n";
        QTest::newRow("whois drip") << "drip" << false << 1000
            << "…\nHOST was still answering after 2 seconds; the rest of its answer was not read.\n";
        // The first MiB of it, line ends as the result window shows them.
        QTest::newRow("whois 50 MB") << "50 MB" << false << 1000 << QString(78, u'x').append(u'\n').repeated(13107) +
            QString(16, u'x') + "\n\nHOST sent more than 1 MB; the rest of its answer was not read.\n";
        // Shown broken every 4,096 characters.
        QTest::newRow("whois one long line") << "one line" << false << 1000
            << QString(4096, u'x').append(u'\n').repeated(256).chopped(1) +
            "\n\nHOST sent more than 1 MB; the rest of its answer was not read.\n";
        QTest::newRow("RDAP refused") << "refused" << true << 1000 << "…\nCould not connect to HOST: …\n";
        QTest::newRow("RDAP silent") << "silent" << true << 1000 << "…\nHOST did not answer within 1 seconds.\n";
        QTest::newRow("RDAP drip") << "drip" << true << 1000
            << "…\nHOST was still answering after 2 seconds; the rest was not read.\n";
        QTest::newRow("RDAP 50 MB") << "50 MB" << true << 1000 << "…\nHOST sent more than 4 MB; the rest was not read.\n";
        QTest::newRow("RDAP binary") << "binary" << true << 1000
            << "…\nHOST sent no readable record: the answer is not JSON …\n";
        QTest::newRow("RDAP closes mid-answer") << "piece, then closes" << true << 1000
            << "…\nThe connection to HOST broke: …\n";
        // clang-format on
    }

    void hostile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, rdap);
        QFETCH(int, timeoutMs);
        QFETCH(QString, text);
        HostileServer server(kind, rdap);
        FullQueue full;
        HttpPeer bootstrap;
        const quint16 port = kind == u"refused" ? closedPort() : kind == u"full queue" ? full.port : server.port();
        const QString host = rdap ? QStringLiteral("127.0.0.1:%1").arg(port) : QStringLiteral("127.0.0.1");
        bootstrap.pages.insert("/dns.json",
                               {200, "{\"services\": [[[\"test\"], [\"http://" + host.toUtf8() + "/\"]]]}"});
        QTemporaryDir temp;
        FakeHost fake(temp.path());
        fake.facts.whois.port = rdap ? closedPort() : port;
        fake.facts.whois.connectTimeoutMs = timeoutMs;
        fake.facts.whois.answerTimeoutMs = timeoutMs;
        fake.facts.whois.answerLimitMs = 2000;
        if (rdap)
            fake.facts.whois.rdapBootstrap = QUrl(bootstrap.base() + QStringLiteral("/dns.json"));
        whois window(fake.host());
        window.show();

        // The longest time the event loop went without turning.
        QElapsedTimer sinceTick;
        qint64 longestGapMs = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { longestGapMs = qMax(longestGapMs, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(10);

        QElapsedTimer clock;
        clock.start();
        query(&window, rdap ? QStringLiteral("example.test") : QStringLiteral("no-domain")); // RDAP asks for a domain
        if (rdap) {
            QTRY_VERIFY2(shown().endsWith(u"Ask RDAP\n"), qPrintable(shown()));
            clickLink(QStringLiteral("Ask RDAP"));
        }
        const QString expected = text.replace(QStringLiteral("HOST"), host);
        QStringList parts = expected.split(u'…');
        for (QString &part : parts)
            part = QRegularExpression::escape(part);
        const QRegularExpression pattern(QStringLiteral("(?s)\\A") + parts.join(QStringLiteral(".+")) +
                                         QStringLiteral("\\z"));
        const auto ended = [&] { return parts.size() == 1 ? shown() == expected : pattern.match(shown()).hasMatch(); };
        QTRY_VERIFY2_WITH_TIMEOUT(ended(), qPrintable(shown().right(300)), 10000);
        QCOMPARE_LT(clock.elapsed(), 6000);
        QTRY_VERIFY(idle(&window));
        QTRY_VERIFY(server.allClosed());
        QVERIFY2(longestGapMs < maxGapMs, qPrintable(QString::number(longestGapMs)));
    }
};

QTEST_MAIN(tst_WhoisFaults)
#include "tst_whoisfaults.moc"
