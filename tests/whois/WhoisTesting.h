#pragma once

// Servers the whois tests talk to, all on loopback addresses, and what the result window shows.

#include "whois/Result.h"

#include <QApplication>
#include <QComboBox>
#include <QHostAddress>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextBrowser>

// A whois server: it keeps what each connection sent, and once a question (up to CR LF) has
// come, answers with `answer` and closes, unless it is told to keep silent.
class WhoisPeer final : public QObject
{
public:
    explicit WhoisPeer(const QString &address, quint16 port = 0)
    {
        m_server.listen(QHostAddress(address), port);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                const qsizetype index = connections.size();
                connections.append(socket);
                received.append(QByteArray());
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] { read(socket, index); });
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
    // Sends bytes on connection i, at once.
    void send(qsizetype i, const QByteArray &bytes)
    {
        connections[i]->write(bytes);
        connections[i]->flush();
    }

    QByteArray answer;
    bool silent = false;
    QList<QPointer<QTcpSocket>> connections;
    QList<QByteArray> received;

private:
    void read(QTcpSocket *socket, qsizetype index)
    {
        received[index] += socket->readAll();
        if (silent || !received[index].endsWith("\r\n"))
            return;
        socket->write(answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
};

// A web server: it answers GET PATH with what `pages` holds for PATH (404 for the rest), and
// counts the requests for each path.
class HttpPeer final : public QObject
{
public:
    struct Page
    {
        int status = 200;
        QByteArray body;
    };

    HttpPeer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

    QMap<QByteArray, Page> pages;
    QMap<QByteArray, int> requests;

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &request = m_requests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        ++requests[path];
        const Page page = pages.value(path, {404, R"({"errorCode": 404, "title": "Not Found"})"});
        socket->write("HTTP/1.1 " + QByteArray::number(page.status) +
                      " X\r\nContent-Type: application/rdap+json\r\n"
                      "Content-Length: " +
                      QByteArray::number(page.body.size()) + "\r\nConnection: close\r\n\r\n" + page.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QMap<QTcpSocket *, QByteArray> m_requests;
};

// A port on 127.0.0.1 where nothing listens.
inline quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// Asks the whois window about domain at server, by its button.
inline void query(QWidget *window, const QString &domain, const QString &server = QStringLiteral("127.0.0.1"))
{
    window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(server);
    window->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(domain);
    window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
}

// Whether the whois window holds no connection.
inline bool idle(QWidget *window)
{
    return window->findChild<QTcpSocket *>(QStringLiteral("Winsock1"))->state() == QAbstractSocket::UnconnectedState;
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
