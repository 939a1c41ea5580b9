// The whois window and its result window over a fake host, talking to servers on loopback: what
// it asks, and that it shows what its query reports; how answers end is the query's own test.
#include "TestFiles.h"
#include "WhoisTesting.h"
#include "whois/whois.h"

#include <QTemporaryDir>

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
        writeFile(m_temp->filePath(QStringLiteral("whois.txt")), {});
    }

    void cleanup() { delete Result::instance(); }

    // Filling the box selects nothing. Its button opens the list in an editor, and the list is not
    // read again until the window opens afresh; without a list, a box says so.
    void serverList()
    {
        writeFile(m_temp->filePath(QStringLiteral("whois.txt")), "a, \"b, c\"\r\n");
        const auto window = open();
        auto *combo = window->findChild<QComboBox *>(QStringLiteral("Combo1"));
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(1), QStringLiteral("b, c"));
        QCOMPARE(combo->currentText(), defaultWhoisServer());
        writeFile(m_temp->filePath(QStringLiteral("whois.txt")), "new.example\r\n");
        window->findChild<QPushButton *>(QStringLiteral("cmdEdit"))->click();
        QCOMPARE(lines(m_fake->launcher.calls), QStringList{"1 notepad.exe c:\\whois.txt"});
        QCOMPARE(combo->count(), 2);
        QVERIFY(m_fake->messages.boxes.isEmpty() && QFile::remove(m_temp->filePath(QStringLiteral("whois.txt"))));
        QCOMPARE(open()->findChild<QComboBox *>(QStringLiteral("Combo1"))->count(), 0);
        QCOMPARE(m_fake->messages.boxes.size(), 1);
    }

    // A question goes as typed, by Enter, to the server named with blanks around; without a
    // server, a box says so and nothing is asked. (Typing asks nothing: the end-to-end test.)
    void question()
    {
        ScriptedServer peer;
        peer.silent = true;
        const auto window = open(peer.port());
        auto *text1 = window->findChild<QLineEdit *>(QStringLiteral("Text1"));
        text1->setText(QStringLiteral(" Example.COM  "));
        for (const char *server : {"   ", "  127.0.0.1  "}) {
            window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(QLatin1String(server));
            QTest::keyClick(text1, Qt::Key_Return);
            QCOMPARE(m_fake->messages.boxes.size(), 1);
        }
        QTRY_COMPARE(QString::fromLatin1(peer.received.value(0)), text1->text() + "\r\n");
        QCOMPARE(peer.connections.size(), 1);
    }

    // The result window shows a megabyte without a line end broken, and keeps answering while it
    // comes; it comes back once closed and outlives the whois window; a new query ends the one
    // under way, and Exit the last.
    void resultWindow()
    {
        ScriptedServer peer;
        peer.answer = QList<QByteArray>(35, QByteArray(60000, 'x'));
        auto *window = open(peer.port()).release();
        window->setAttribute(Qt::WA_DeleteOnClose); // as the main window opens it
        const QPointer<QWidget> alive(window);
        LoopGaps gaps;
        ask(window, QStringLiteral("a.example"));
        const QString expected = QString(4096, u'x').append(u'\n').repeated(256).chopped(1) +
                                 "\n\n127.0.0.1 sent more than 1 MB; the rest of its answer was not read.\n";
        QTRY_VERIFY2_WITH_TIMEOUT(shown() == expected, qPrintable(shown().right(300)), 10000);
        QVERIFY2(gaps.longestMs < maxGapMs, qPrintable(QString::number(gaps.longestMs)));
        Result::instance()->close();
        QTRY_VERIFY(!Result::instance());
        peer.silent = true;
        ask(window, QStringLiteral("b.example"));
        QTRY_COMPARE(peer.received.value(1), QByteArray("b.example\r\n"));
        ask(window, QStringLiteral("c.example"));
        QTRY_COMPARE(peer.received.value(2), QByteArray("c.example\r\n"));
        QTRY_VERIFY(peer.closed(1));
        peer.connections[2]->write("THREE\r\n");
        QTRY_COMPARE(shown(), QStringLiteral("THREE\n"));
        window->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!alive);
        QTRY_VERIFY(peer.closed(2));
        QVERIFY(Result::instance() && Result::instance()->isVisible());
        QCOMPARE(shown(), QStringLiteral("THREE\n"));
    }

    // The whois server cannot be reached, and RDAP is asked on a click; the bootstrap file is
    // fetched once, and kept in the cache folder for the next time.
    void rdap()
    {
        ScriptedServer service;
        ScriptedServer bootstrap;
        service.answer = {httpReply(200, R"({"ldhName": "EXAMPLE.TEST"})")};
        m_fake->facts.whois.rdapBootstrap = serveBootstrap(bootstrap, service.port());
        m_fake->facts.whois.cacheDirectory = m_temp->filePath(QStringLiteral("cache"));
        const auto window = open(closedPort());
        const QString asked = "Could not connect to 127.0.0.1: Connection refused\nAsk RDAP\n";
        const QString found = QStringLiteral("\nFrom RDAP at 127.0.0.1:%1, in … ms:\nDomain Name: EXAMPLE.TEST\n");
        for (int i = 0; i < 2; ++i) {
            ask(window.get(), QStringLiteral("Example.TEST"));
            QTRY_COMPARE(shown(), asked);
            clickLink(QStringLiteral("Ask RDAP"));
            QTRY_VERIFY2_WITH_TIMEOUT(like(shown(), asked + found.arg(service.port())), qPrintable(shown()), 5000);
        }
        QCOMPARE(bootstrap.connections.size(), 1);
    }
};

QTEST_MAIN(tst_Whois)
#include "tst_whois.moc"
