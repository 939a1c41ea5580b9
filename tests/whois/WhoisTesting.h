#pragma once

// Servers the whois tests talk to, all on loopback addresses, and what the result window shows.

#include "whois/Result.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

// The longest the event loop may stand still while a hostile answer arrives. The sanitizers make
// every byte's handling several times slower, and the suite runs two tests at once.
#ifdef PARLO_SANITIZE
constexpr qint64 maxGapMs = 3000;
#else
constexpr qint64 maxGapMs = 1000;
#endif

// A whois or web server: it keeps what each connection sent and, once a request has come (a line;
// after GET, a header block), sends the pieces of `answer`, each once the last has gone and at
// most one every `everyMs`, and closes; unless it is `silent`, or does not `close`.
class WhoisPeer final : public QObject
{
public:
    explicit WhoisPeer(const QString &address = QStringLiteral("127.0.0.1"), quint16 port = 0)
    {
        m_server.listen(QHostAddress(address), port);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connections.append(socket);
                received.append(QByteArray());
                QObject::connect(socket, &QTcpSocket::readyRead, this,
                                 [this, socket, i = received.size() - 1] { read(socket, i); });
            }
        });
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // Whether connection i has been closed by the other end (or never came).
    bool closed(qsizetype i) const
    {
        return i >= connections.size() || !connections[i] || connections[i]->state() != QAbstractSocket::ConnectedState;
    }

    QList<QByteArray> answer;
    int everyMs = 1;
    bool close = true;
    bool silent = false;
    QList<QPointer<QTcpSocket>> connections;
    QList<QByteArray> received;

private:
    void read(QTcpSocket *socket, qsizetype i)
    {
        received[i] += socket->readAll();
        if (silent || !received[i].endsWith(received[i].startsWith("GET ") ? "\r\n\r\n" : "\r\n"))
            return;
        auto *timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [this, socket, timer, sent = qsizetype(0)]() mutable {
            if (socket->bytesToWrite() > 0)
                return;
            if (sent < answer.size())
                return void(socket->write(answer[sent++]));
            timer->stop();
            if (close)
                socket->disconnectFromHost();
        });
        timer->start(everyMs);
    }

    QTcpServer m_server;
};

// An HTTP answer of this status and body, announcing length bytes (the body's, unless given).
inline QByteArray httpReply(int status, const QByteArray &body, qsizetype length = -1)
{
    return "HTTP/1.1 " + QByteArray::number(status) +
           " X\r\nContent-Type: application/rdap+json\r\nConnection: close\r\nContent-Length: " +
           QByteArray::number(length < 0 ? body.size() : length) + "\r\n\r\n" + body;
}

// Makes peer the RDAP bootstrap file's server, sending the .test domains to the service on port;
// the file's address.
inline QUrl serveBootstrap(WhoisPeer &peer, quint16 port)
{
    peer.answer = {
        httpReply(200, R"({"services": [[["test"], ["http://127.0.0.1:)" + QByteArray::number(port) + R"(/"]]]})")};
    return QUrl(QStringLiteral("http://127.0.0.1:%1/dns.json").arg(peer.port()));
}

// A port on 127.0.0.1 where nothing listens.
inline quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// The longest time the event loop has gone without turning since this was made.
class LoopGaps
{
public:
    LoopGaps()
    {
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker,
                         [this] { m_longest = qMax(m_longest, m_since.restart()); });
        m_since.start();
        m_ticker.start(10);
    }
    qint64 longestMs() const { return m_longest; }

private:
    QElapsedTimer m_since;
    QTimer m_ticker;
    qint64 m_longest = 0;
};

// Whether text is pattern, each … in it standing for any text.
inline bool like(const QString &text, const QString &pattern)
{
    if (!pattern.contains(u'…'))
        return text == pattern; // a megabyte is too long a pattern
    QStringList parts = pattern.split(u'…');
    for (QString &part : parts)
        part = QRegularExpression::escape(part);
    return QRegularExpression(QStringLiteral("(?s)\\A") + parts.join(QStringLiteral(".*")) + QStringLiteral("\\z"))
        .match(text)
        .hasMatch();
}

// Asks the whois window about domain at server, by its button.
inline void ask(QWidget *window, const QString &domain, const QString &server = QStringLiteral("127.0.0.1"))
{
    window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(server);
    window->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(domain);
    window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
}

// The result window, found by its name: its code may be the test's own or the whois module's.
inline QWidget *resultWindow()
{
    QWidget *found = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        found = top->objectName() == u"Result" && (!found || top->isVisible()) ? top : found;
    return found;
}

// The text of the result window.
inline QString shown()
{
    QWidget *window = resultWindow();
    return window ? window->findChild<QTextBrowser *>(QStringLiteral("RichTextBox1"))->toPlainText()
                  : QStringLiteral("<no result>");
}

// Clicks the link with this caption in the result window.
inline void clickLink(const QString &caption)
{
    QWidget *window = resultWindow();
    QVERIFY2(window, "no result window");
    auto *box = window->findChild<QTextBrowser *>(QStringLiteral("RichTextBox1"));
    const QTextCursor found = box->document()->find(caption);
    QVERIFY2(!found.isNull(), qPrintable(shown()));
    QTextCursor inside(box->document());
    inside.setPosition(found.selectionStart() + 1);
    box->setTextCursor(inside);
    box->ensureCursorVisible();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->cursorRect(inside).center());
}
