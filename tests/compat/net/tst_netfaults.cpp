// Random code-page-850 messages sent with the built `net` to a private smbd: each arrives
// exactly, or is refused with a sentence before any connection is made.
#include "SambaReceiver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <iconv.h>

namespace {

// Passes every connection on address:139 on to target:139, and counts the connections.
class CountingRelay final : public QObject
{
public:
    CountingRelay(const QString &address, const QString &target) : m_target(target)
    {
        m_server.listen(QHostAddress(address), 139);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *in = m_server.nextPendingConnection())
                relay(in);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    int connections = 0;

private:
    void relay(QTcpSocket *in)
    {
        ++connections;
        auto *out = new QTcpSocket(in);
        const auto pump = [in, out] {
            if (out->state() == QAbstractSocket::ConnectedState)
                out->write(in->readAll());
        };
        connect(out, &QTcpSocket::connected, in, pump);
        connect(in, &QTcpSocket::readyRead, out, pump);
        connect(out, &QTcpSocket::readyRead, in, [in, out] { in->write(out->readAll()); });
        connect(in, &QTcpSocket::disconnected, out, &QTcpSocket::disconnectFromHost);
        connect(out, &QTcpSocket::disconnected, in, &QTcpSocket::disconnectFromHost);
        connect(in, &QTcpSocket::disconnected, in, &QObject::deleteLater);
        out->connectToHost(m_target, 139);
    }

    QString m_target;
    QTcpServer m_server;
};

// The text of code-page-850 bytes, as the C library's converter reads them.
QString fromCp850(const QByteArray &bytes)
{
    const iconv_t converter = iconv_open("UTF-8", "CP850");
    if (converter == iconv_t(-1))
        return {};
    QByteArray utf8(bytes.size() * 4, '\0');
    char *in = const_cast<char *>(bytes.constData());
    char *out = utf8.data();
    std::size_t inLeft = std::size_t(bytes.size());
    std::size_t outLeft = std::size_t(utf8.size());
    const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    return done == std::size_t(-1) ? QString() : QString::fromUtf8(utf8.constData(), out - utf8.constData());
}

// Every line end (CR LF, CR or LF) as one LF: how a receiver stores a message.
QString withLfEnds(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

} // namespace

class tst_NetFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void randomMessages();
};

void tst_NetFaults::randomMessages()
{
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    SambaReceiver receiver(QStringLiteral("127.0.0.31"));
    QVERIFY2(receiver.isReady(), qPrintable(receiver.error()));
    CountingRelay relay(QStringLiteral("127.0.0.32"), QStringLiteral("127.0.0.31"));
    QVERIFY(relay.isListening());
    const QString address = QStringLiteral("127.0.0.32");

    QRandomGenerator random(850);
    QStringList delivered;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes(random.bounded(2001), '\0');
        for (char &byte : bytes)
            byte = char(random.bounded(1, 256)); // no NUL: an argument cannot hold one
        const QString message = fromCp850(bytes);
        QVERIFY(!message.isEmpty() || bytes.isEmpty());
        // On the wire every line end is CR LF.
        const qsizetype wireBytes = withLfEnds(message).size() + withLfEnds(message).count(u'\n');

        const int connectionsBefore = relay.connections;
        QProcess net; // with the event loop going for the relay
        QSignalSpy finished(&net, &QProcess::finished);
        net.start(QStringLiteral(PARLO_TEST_COMPAT_DIR "/net"), {QStringLiteral("send"), address, message});
        QVERIFY2(finished.wait(10000), qPrintable(QString::number(i)));
        const QString output = QString::fromUtf8(net.readAllStandardOutput());
        const QString what = QStringLiteral("message %1, %2 bytes: %3").arg(i).arg(bytes.size()).arg(output);
        if (wireBytes > 1600) {
            QCOMPARE(output,
                     QStringLiteral("An error occurred while sending a message to %1.\nThe message is too long: "
                                    "%2 bytes, and one message carries at most 1600; nothing was sent.\n")
                         .arg(address)
                         .arg(wireBytes));
            QVERIFY2(relay.connections == connectionsBefore, qPrintable(what));
            QCOMPARE(net.exitCode(), 2);
            continue;
        }
        QVERIFY2(output == QStringLiteral("The message was successfully sent to %1.\n").arg(address), qPrintable(what));
        QCOMPARE(net.exitCode(), 0);
        delivered.append(withLfEnds(message));
    }
    qInfo("%lld messages delivered, %d refused, in %lld ms", qint64(delivered.size()), 300 - int(delivered.size()),
          clock.elapsed());
    QVERIFY(delivered.size() > 100);
    const QList<SambaReceiver::Message> arrived = receiver.messages();
    QCOMPARE(arrived.size(), delivered.size());
    for (qsizetype i = 0; i < arrived.size(); ++i)
        QVERIFY2(arrived[i].text == delivered[i], qPrintable(QStringLiteral("delivered message %1").arg(i)));
}

QTEST_GUILESS_MAIN(tst_NetFaults)
#include "tst_netfaults.moc"
