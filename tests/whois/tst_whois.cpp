// The whois window and its result window over a fake host, talking to real servers on
// loopback addresses; the failing servers are in the hostile server test.
#include "TestFiles.h"
#include "WhoisTesting.h"
#include "whois/whois.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// A web server for RDAP whose bootstrap file sends the .test domains to its own PATH.
void serveRdap(HttpPeer &web, const QByteArray &path)
{
    web.pages.insert("/dns.json", {200, R"({"services": [[["test"], [")" + web.base().toUtf8() + path + R"("]]]})"});
}

} // namespace

class tst_Whois : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;

    // The window, asking whois servers on this port.
    std::unique_ptr<whois> open(quint16 port = 43)
    {
        m_fake->facts.whois.port = port;
        auto window = std::make_unique<whois>(m_fake->host());
        window->show();
        return window;
    }

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_fake = std::make_unique<FakeHost>(m_temp->path());
        m_fake->facts.whois.connectTimeoutMs = 5000;
        m_fake->facts.whois.answerTimeoutMs = 5000;
        writeFile(m_temp->filePath(QStringLiteral("whois.txt")), {});
    }

    void cleanup() { delete Result::instance(); }

    void serverList_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-": none
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("boxes");

        // clang-format off
        const QStringList none;
        const QString missing = "Missing File!: File does not exist. Create a file named c:\\whois.txt";
        QTest::newRow("missing") << QByteArray("-") << none << QStringList{missing};
        QTest::newRow("empty") << QByteArray() << none << none;
        // Read as every list is: split at commas, quotes kept together, blank lines as empty entries.
        QTest::newRow("fields") << QByteArray("  a, \"b, c\"\r\n\r\nd\r\n") << QStringList{"a", "b, c", "", "d"} << none;
        // clang-format on
    }

    void serverList()
    {
        QFETCH(QByteArray, file);
        if (file == "-")
            QVERIFY(QFile::remove(m_temp->filePath(QStringLiteral("whois.txt"))));
        else
            writeFile(m_temp->filePath(QStringLiteral("whois.txt")), file);
        const auto window = open();
        auto *combo = window->findChild<QComboBox *>(QStringLiteral("Combo1"));
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        QTEST(entries, "entries");
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->currentText(), QStringLiteral("whois.verisign-grs.com"));
        QTEST(lines(m_fake->messages.boxes), "boxes");
        QCOMPARE(window->focusWidget(), window->findChild<QLineEdit *>(QStringLiteral("Text1")));
    }

    void question_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<bool>("enter");   // else the button
        QTest::addColumn<QString>("sent"); // the question, CR LF and all; or the one box shown instead

        // clang-format off
        const QString noServer = "Parlo: Type or choose a whois server.";
        QTest::newRow("blanks kept, Enter") << "127.0.0.1" << " example.com  " << true << " example.com  \r\n";
        QTest::newRow("server trimmed") << "  127.0.0.1  " << "Example.COM" << false << "Example.COM\r\n";
        QTest::newRow("ACE") << "127.0.0.1" << "bücher.example" << true << "xn--bcher-kva.example\r\n";
        QTest::newRow("empty domain") << "127.0.0.1" << "" << false << "\r\n";
        QTest::newRow("empty server box") << "" << "example.com" << false << noServer;
        QTest::newRow("only spaces, Enter") << "   " << "example.com" << true << noServer;
        QTest::newRow("line break") << "127.0.0.1" << "a.com\r\nb.com" << false
            << "Parlo: The domain name holds a line break, which would send a second question; nothing was sent.";
        // clang-format on
    }

    void question()
    {
        WhoisPeer peer(QStringLiteral("127.0.0.1"));
        peer.silent = true;
        const auto window = open(peer.port());
        QFETCH(QString, server);
        QFETCH(QString, domain);
        QFETCH(bool, enter);
        QFETCH(QString, sent);
        window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(server);
        auto *text1 = window->findChild<QLineEdit *>(QStringLiteral("Text1"));
        // Typing asks nothing; Enter asks, and still reaches the box.
        text1->setText(domain.left(1));
        QTest::keyClicks(text1, QStringLiteral("x"));
        QTest::keyClick(text1, Qt::Key_Backspace);
        text1->setText(domain);
        QVERIFY(idle(window.get()));
        QSignalSpy returns(text1, &QLineEdit::returnPressed);
        if (enter)
            QTest::keyClick(text1, Qt::Key_Return);
        else
            window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QCOMPARE(returns.size(), enter ? 1 : 0);
        const bool asked = sent.endsWith(u"\r\n");
        QCOMPARE(lines(m_fake->messages.boxes), asked ? QStringList() : QStringList{sent});
        if (!asked) {
            QVERIFY(idle(window.get()) && !Result::instance());
            return;
        }
        QTRY_VERIFY(!peer.received.isEmpty() && peer.received[0].endsWith("\r\n"));
        QCOMPARE(QString::fromLatin1(peer.received[0]), sent);
        QCOMPARE(peer.connections.size(), 1);
    }

    void answerInPieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QString>("text");

        // clang-format off
        QTest::newRow("plain") << QList<QByteArray>{"Domain Name: X\r\n", "Registrar: Y\r\n"}
            << "Domain Name: X\nRegistrar: Y\n";
        // A byte that is no UTF-8 turns the whole answer, shown pieces included, into Windows-1252.
        QTest::newRow("UTF-8, then not") << QList<QByteArray>{"\xC3\xBC ", "then \xFC"} << "Ã¼ then ü";
        QTest::newRow("UTF-8 split") << QList<QByteArray>{"b\xC3", "\xBC" "cher \xE2\x82", "\xAC"} << "bücher €";
        QByteArray everyByte;
        for (int i = 0; i < 256; ++i)
            everyByte += char(i);
        // As a text document gives its text back: its line ends are LF, its no-break space a blank.
        QTest::newRow("binary") << QList<QByteArray>{everyByte.first(100), everyByte.sliced(100)}
                                << answerText(everyByte).replace(u'\r', u'\n').replace(QChar(0xA0), u' ');
        // clang-format on
    }

    void answerInPieces()
    {
        WhoisPeer peer(QStringLiteral("127.0.0.1"));
        peer.silent = true;
        const auto window = open(peer.port());
        query(window.get(), QStringLiteral("example.com"));
        QTRY_COMPARE(peer.received.value(0), QByteArray("example.com\r\n"));
        QSignalSpy arrivals(window->findChild<QTcpSocket *>(QStringLiteral("Winsock1")), &QIODevice::readyRead);
        QFETCH(QList<QByteArray>, pieces);
        for (const QByteArray &piece : std::as_const(pieces)) {
            peer.send(0, piece);
            QVERIFY(arrivals.wait(5000));
        }
        peer.connections[0]->disconnectFromHost();
        QTRY_VERIFY(idle(window.get()));
        QTEST(shown(), "text");
    }

    void newQueryAbandonsTheOld()
    {
        WhoisPeer peer(QStringLiteral("127.0.0.1"));
        peer.silent = true;
        const auto window = open(peer.port());
        query(window.get(), QStringLiteral("first.example"));
        QTRY_COMPARE(peer.received.value(0), QByteArray("first.example\r\n"));
        query(window.get(), QStringLiteral("second.example"));
        QTRY_COMPARE(peer.received.value(1), QByteArray("second.example\r\n"));
        QTRY_VERIFY(peer.closed(0));
        // The first answer comes late; only the second is ever shown.
        peer.send(0, "FIRST\r\n");
        peer.send(1, "SECOND\r\n");
        peer.connections[1]->disconnectFromHost();
        QTRY_COMPARE(shown(), QStringLiteral("SECOND\n"));
        QTRY_VERIFY(idle(window.get()));
    }

    void exitLeavesResultOpen_data()
    {
        QTest::addColumn<bool>("closeBox"); // else Exit
        QTest::newRow("Exit") << false;
        QTest::newRow("close box") << true;
    }

    // The result window comes back once closed, and outlives the whois window.
    void exitLeavesResultOpen()
    {
        WhoisPeer peer(QStringLiteral("127.0.0.1"));
        auto *window = open(peer.port()).release();
        window->setAttribute(Qt::WA_DeleteOnClose); // as the main window opens it
        const QPointer<QWidget> alive(window);
        peer.answer = "ONE\r\n";
        query(window, QStringLiteral("a.example"));
        QTRY_COMPARE(shown(), QStringLiteral("ONE\n"));
        Result::instance()->close();
        QTRY_VERIFY(!Result::instance());
        peer.answer = "ANSWER\r\n";
        query(window, QStringLiteral("a.example"));
        QTRY_COMPARE(shown(), QStringLiteral("ANSWER\n"));
        // Closed while a third query waits for its answer.
        peer.silent = true;
        query(window, QStringLiteral("b.example"));
        QTRY_COMPARE(peer.received.value(2), QByteArray("b.example\r\n"));
        QFETCH(bool, closeBox);
        if (closeBox)
            window->close();
        else
            window->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!alive);
        QTRY_VERIFY(peer.closed(2));
        QVERIFY(Result::instance() && Result::instance()->isVisible());
        QCOMPARE(shown(), QStringLiteral("ANSWER\n"));
    }

    void cmdEditOpensTheList()
    {
        const auto window = open();
        writeFile(m_temp->filePath(QStringLiteral("whois.txt")), "new.example\r\n");
        window->findChild<QPushButton *>(QStringLiteral("cmdEdit"))->click();
        QCOMPARE(lines(m_fake->launcher.calls), QStringList{"1 notepad.exe c:\\whois.txt"});
        // Not read again until the window opens afresh.
        QCOMPARE(window->findChild<QComboBox *>(QStringLiteral("Combo1"))->count(), 0);
    }

    void referralChain()
    {
        WhoisPeer registry(QStringLiteral("127.0.0.1"));
        WhoisPeer registrar(QStringLiteral("127.0.0.2"), registry.port());
        QVERIFY(registrar.isListening());
        registry.answer = "   Domain Name: EXAMPLE.COM\r\n   Registrar WHOIS Server: 127.0.0.2\r\n";
        registrar.answer = "Domain Name: example.com\r\nrefer: 127.0.0.1\r\n";
        const auto window = open(registry.port());
        query(window.get(), QStringLiteral("example.com"));
        const QString first = "   Domain Name: EXAMPLE.COM\n   Registrar WHOIS Server: 127.0.0.2\n\nAsk 127.0.0.2\n";
        QTRY_COMPARE(shown(), first);
        QVERIFY(registrar.connections.isEmpty()); // nothing is followed without a click
        clickLink(QStringLiteral("Ask 127.0.0.2"));
        QTRY_COMPARE(registrar.received.value(0), QByteArray("example.com\r\n"));
        // The registrar refers back to the registry, which this chain has asked already.
        const QRegularExpression chain(
            QRegularExpression::escape(first) +
            R"(\nFrom 127\.0\.0\.2, in \d+ ms:\nDomain Name: example\.com\nrefer: 127\.0\.0\.1\n\z)");
        QTRY_VERIFY2(chain.match(shown()).hasMatch(), qPrintable(shown()));
        clickLink(QStringLiteral("Ask 127.0.0.2"));
        QTRY_VERIFY(idle(window.get()));
        QCOMPARE(registry.connections.size(), 1);
        QCOMPARE(registrar.connections.size(), 1);
    }

    void rdap_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("section"); // after "From RDAP[ at HOST], in N ms:\n"

        // clang-format off
        const QByteArray path = "/rdap/domain/example.test";
        const QByteArray record = R"({"objectClassName": "domain", "ldhName": "EXAMPLE.TEST", "status": ["active"],
            "nameservers": [{"ldhName": "NS1.EXAMPLE.TEST"}],
            "entities": [{"roles": ["registrar"], "vcardArray": ["vcard", [["fn", {}, "text", "Test Registrar"]]]}]})";
        QTest::newRow("found") << "Example.TEST" << path << 200 << record
                               << "Domain Name: EXAMPLE.TEST\nStatus: active\nName Servers:\n  NS1.EXAMPLE.TEST\n"
                                  "Entities:\n  registrar: Test Registrar\n";
        QTest::newRow("not found") << "example.test" << QByteArray("/elsewhere") << 200 << QByteArray()
                                   << "HOST has no record of example.test (HTTP 404).\n";
        QTest::newRow("server error") << "example.test" << path << 503 << QByteArray(R"({"title": "Busy"})")
                                      << "HOST answered with HTTP status 503. Busy\n";
        QTest::newRow("unknown TLD") << "example.zz" << path << 200 << record << "No RDAP service is known for .zz.\n";
        // clang-format on
    }

    // The whois server cannot be reached, and RDAP is asked on a click.
    void rdap()
    {
        HttpPeer web;
        QFETCH(QByteArray, path);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        serveRdap(web, "/rdap/");
        web.pages.insert(path, {status, body});
        m_fake->facts.whois.rdapBootstrap = QUrl(web.base() + "/dns.json");
        const auto window = open(closedPort());
        QFETCH(QString, domain);
        query(window.get(), domain);
        const QString asked = "Could not connect to 127.0.0.1: Connection refused\nAsk RDAP\n";
        QTRY_COMPARE(shown(), asked);
        clickLink(QStringLiteral("Ask RDAP"));
        QFETCH(QString, section);
        const QString host = web.base().mid(7);
        const QString header = section.startsWith(u"No RDAP") ? "RDAP" : "RDAP at " + host;
        const QRegularExpression expected(QRegularExpression::escape(asked + "\nFrom " + header + ", in ") +
                                          R"(\d+ ms:\n)" + QRegularExpression::escape(section.replace("HOST", host)) +
                                          R"(\z)");
        QTRY_VERIFY2_WITH_TIMEOUT(expected.match(shown()).hasMatch(), qPrintable(shown()), 5000);
        clickLink(QStringLiteral("Ask RDAP")); // asked once in a chain
        QCOMPARE(web.requests.value("/dns.json"), 1);
    }

    void rdapKeepsTheBootstrapFile()
    {
        HttpPeer web;
        serveRdap(web, "/");
        web.pages.insert("/domain/a.test", {200, R"({"ldhName": "A.TEST"})"});
        m_fake->facts.whois.rdapBootstrap = QUrl(web.base() + "/dns.json");
        m_fake->facts.whois.cacheDirectory = m_temp->filePath(QStringLiteral("cache"));
        const auto window = open(closedPort());
        for (int i = 0; i < 2; ++i) {
            query(window.get(), QStringLiteral("a.test"));
            QTRY_VERIFY(shown().endsWith(u"Ask RDAP\n"));
            clickLink(QStringLiteral("Ask RDAP"));
            QTRY_VERIFY2(shown().endsWith(u"Domain Name: A.TEST\n"), qPrintable(shown()));
        }
        QCOMPARE(web.requests.value("/dns.json"), 1);
        QCOMPARE(web.requests.value("/domain/a.test"), 2);
        QVERIFY(QFile::exists(m_temp->filePath(QStringLiteral("cache/rdap-dns.json"))));
    }
};

QTEST_MAIN(tst_Whois)
#include "tst_whois.moc"
