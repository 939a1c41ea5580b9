#pragma once

// A whois or web server on a loopback address that answers as its test says.

#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>

// It keeps what each connection sent and, once a request has come (a line; after GET, a header
// block), sends the pieces of answerFor(request), or else of `answer`, each once the last has
// gone and at most one every `everyMs`, and closes; unless it is `silent`, or does not `close`.
class ScriptedServer : public QObject
{
public:
    explicit ScriptedServer(const QString &address = QStringLiteral("127.0.0.1"), quint16 port = 0)
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
    // The address of a page on it, e.g. url("/a").
    QString url(const QString &path) const
    {
        return QStringLiteral("http://%1:%2%3").arg(m_server.serverAddress().toString()).arg(port()).arg(path);
    }
    // Whether connection i has been closed (or never came).
    bool closed(qsizetype i) const
    {
        return i >= connections.size() || !connections[i] || connections[i]->state() != QAbstractSocket::ConnectedState;
    }
    // How many connections sent a request that starts so.
    qsizetype count(const QByteArray &start) const
    {
        return std::count_if(received.begin(), received.end(),
                             [&](const QByteArray &r) { return r.startsWith(start); });
    }

    QList<QByteArray> answer;
    std::function<QList<QByteArray>(const QByteArray &request)> answerFor;
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
        const QList<QByteArray> pieces = answerFor ? answerFor(received[i]) : answer;
        QObject::connect(timer, &QTimer::timeout, socket, [this, socket, timer, pieces, sent = qsizetype(0)]() mutable {
            if (socket->bytesToWrite() > 0)
                return;
            if (sent < pieces.size())
                return void(socket->write(pieces[sent++]));
            timer->stop();
            if (close)
                socket->disconnectFromHost();
        });
        timer->start(everyMs);
    }

    QTcpServer m_server;
};

// An HTTP answer of this status, body and type, announcing length bytes (the body's, unless given).
inline QByteArray httpReply(int status, const QByteArray &body, qsizetype length = -1,
                            const QByteArray &type = "application/rdap+json")
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: " + type +
           "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(length < 0 ? body.size() : length) +
           "\r\n\r\n" + body;
}

// A port on 127.0.0.1 where nothing listens.
inline quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}
