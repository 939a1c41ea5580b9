#pragma once

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// An HTTP server on 127.0.0.1 answering fixed pages: /a links to /b, /b and /c, and /slow,
// which answers after 3 seconds, and any added to pages. Anything else is not found.
class PageServer final : public QTcpServer
{
    Q_OBJECT
public:
    explicit PageServer(QObject *parent = nullptr) : QTcpServer(parent)
    {
        listen(QHostAddress(QHostAddress::LocalHost));
        connect(this, &QTcpServer::newConnection, this, &PageServer::accept);
    }

    // The address of a page, e.g. url("/a").
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }
    // How often each path was asked for.
    QHash<QString, int> requests;
    // More pages, by path.
    QHash<QString, QByteArray> pages;

Q_SIGNALS:
    void requested(const QString &path);

private:
    void accept()
    {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(buffer.split(' ').value(1));
        m_buffers.remove(socket);
        ++requests[path];
        Q_EMIT requested(path);
        if (path == u"/slow")
            QTimer::singleShot(3000, socket, [this, socket] { answer(socket, QStringLiteral("/slow")); });
        else
            answer(socket, path);
    }

    void answer(QTcpSocket *socket, const QString &path)
    {
        const QByteArray body = page(path);
        const QByteArray status = body.isEmpty() ? "404 Not Found" : "200 OK";
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n" +
                      "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QByteArray page(const QString &path) const
    {
        if (pages.contains(path))
            return pages.value(path);
        if (path == u"/a")
            return "<html><head><title>Page A</title></head><body><h1>Page A</h1>"
                   "<p><a id=\"next\" href=\"/b\">On to page B</a></p></body></html>";
        if (path == u"/b" || path == u"/c" || path == u"/slow") {
            const QByteArray name =
                path == u"/slow" ? QByteArray("Slow page") : QByteArray("Page ") + path.mid(1).toUpper().toLatin1();
            return "<html><head><title>" + name + "</title></head><body><h1>" + name + "</h1></body></html>";
        }
        return {};
    }

    QHash<QTcpSocket *, QByteArray> m_buffers;
};
