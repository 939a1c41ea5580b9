#include "platform/Autostart.h"
#include "platform/InstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A raw peer: connects to path and sends bytes, leaving the socket open until it goes.
struct RawPeer
{
    explicit RawPeer(const QString &path, const QByteArray &bytes)
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    ~RawPeer() { ::close(fd); }
    int fd = -1;
};

} // namespace

class tst_background : public QObject
{
    Q_OBJECT

private slots:
    void carriesRequests()
    {
        using Kind = InstanceRequest::Kind;
        // What is asked, and what arrives.
        const std::pair<InstanceRequest, InstanceRequest> rows[] = {
            {{Kind::History, {}}, {Kind::History, {}}},
            {{Kind::Reply, "ÅSA-PC"}, {Kind::Reply, "ÅSA-PC"}},
            {{Kind::Reply, "A\nhistory"}, {Kind::Reply, "A history"}}, // a line end in a name
        };
        for (const auto &[request, arrives] : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("instance"));
            QVERIFY(!askRunningInstance(path, request, 100)); // nobody listens yet
            InstanceListener listener(path);
            QCOMPARE(listener.listen(), QString());
            QSignalSpy requested(&listener, &InstanceListener::requested);
            // Asking waits for the answer, which the listener gives from this event loop: a child asks.
            const pid_t child = ::fork();
            if (child == 0)
                ::_exit(askRunningInstance(path, request, 2000) ? 0 : 1);
            QTRY_COMPARE_WITH_TIMEOUT(requested.size(), 1, 3000);
            QVERIFY2(requested[0][0].value<InstanceRequest>() == arrives,
                     qPrintable(QString::number(int(request.kind)) + request.name));
            int status = -1;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QCOMPARE(status, 0);
        }
    }

    // A peer that sends rubbish, too much or nothing is cut off without a request, and does not
    // keep an honest peer waiting meanwhile.
    void cutsOffHostilePeers()
    {
        const QByteArray rows[] = {
            "quit\n",                   // an unknown word
            "reply A\x1b[2J\n",         // a control character in a name
            "reply \n",                 // a reply to nobody
            QByteArray(64 * 1024, 'x'), // a line without end
            {},                         // nothing at all
        };
        for (const QByteArray &bytes : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("instance"));
            InstanceListener listener(path);
            QCOMPARE(listener.listen(), QString());
            QSignalSpy requested(&listener, &InstanceListener::requested);
            RawPeer hostile(path, bytes);
            RawPeer honest(path, "history\n");
            QTRY_COMPARE_WITH_TIMEOUT(requested.size(), 1, 1500);
            QVERIFY2(requested[0][0].value<InstanceRequest>().kind == InstanceRequest::Kind::History, bytes.left(20));
            // Cut off at the latest after the two seconds a peer may take.
            char byte = 0;
            QTRY_COMPARE_WITH_TIMEOUT(::recv(hostile.fd, &byte, 1, MSG_DONTWAIT), ssize_t(0), 3000);
            QCOMPARE(requested.size(), 1);
        }
    }

    void takesOverOnlyItsOwnDeadSocket()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("instance"));
        {
            InstanceListener first(path);
            QCOMPARE(first.listen(), QString());
            InstanceListener second(path);
            QVERIFY(second.listen().contains(QStringLiteral("already runs")));
        }
        // What a killed Parlo leaves behind: a socket file nobody answers on.
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, QFile::encodeName(path).constData());
        QCOMPARE(::bind(stale, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
        ::close(stale);
        InstanceListener after(path);
        QCOMPARE(after.listen(), QString());

        // A plain file where the socket goes is not Parlo's to remove; nor is a folder others may write in.
        const QString file = dir.filePath(QStringLiteral("file"));
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QVERIFY(InstanceListener(file).listen().contains(QStringLiteral("not Parlo's")));
        QVERIFY(QFile::exists(file));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::WriteOther));
        QVERIFY(InstanceListener(dir.filePath(QStringLiteral("other")))
                    .listen()
                    .contains(QStringLiteral("only this user")));
    }

    // A link in the entry's place is replaced or removed; the file it points to stays as it was.
    void writesAndRemovesTheAutostartEntry()
    {
        QTemporaryDir dir;
        const Autostart autostart(dir.filePath(QStringLiteral("config/autostart/parlo.desktop")));
        QCOMPARE(autostart.enable(false), QString()); // when there is none
        QVERIFY(!autostart.enabled() && QDir().mkpath(QFileInfo(autostart.file()).path()));
        const QString target = dir.filePath(QStringLiteral("target"));
        QFile other(target);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("mine") == 4);
        other.close();
        for (const bool on : {true, false}) {
            QVERIFY(QFile::link(target, autostart.file()));
            QCOMPARE(autostart.enable(on), QString());
            QCOMPARE(QFileInfo(autostart.file()).isSymLink(), false);
            QCOMPARE(autostart.enabled(), on);
            QVERIFY(other.open(QIODevice::ReadOnly));
            QCOMPARE(other.readAll(), QByteArray("mine"));
            other.close();
            QFile::remove(autostart.file());
        }
    }
};

QTEST_GUILESS_MAIN(tst_background)
#include "tst_background.moc"
