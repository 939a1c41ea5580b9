#include "InstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr qsizetype maxLine = 512;
constexpr int peerTimeoutMs = 2000;
constexpr qsizetype maxPeers = 16;

bool fillAddress(const QString &path, sockaddr_un &address)
{
    const QByteArray bytes = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || bytes.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, bytes.constData(), std::size_t(bytes.size()));
    return true;
}

// A connected socket to the listener at path, or -1.
int connectTo(const QString &path)
{
    sockaddr_un address;
    if (!fillAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Why folder is no place for the socket: it must be a folder (not a link to one) of the user's
// own that nobody else may write in.
QString unsafeFolder(const QString &folder)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0)
        return folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid() || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return folder + QStringLiteral(" is not a folder of this user's own that only this user may write in");
    return {};
}

} // namespace

QByteArray requestLine(const InstanceRequest &request)
{
    switch (request.kind) {
    case InstanceRequest::Kind::Open:
        return "open\n";
    case InstanceRequest::Kind::History:
        return "history\n";
    case InstanceRequest::Kind::Reply:
        break;
    }
    QString name = request.name;
    for (QChar &c : name) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return "reply " + name.toUtf8().left(maxLine - 8) + '\n';
}

std::optional<InstanceRequest> parseRequestLine(const QByteArray &line)
{
    if (line == "open")
        return InstanceRequest{InstanceRequest::Kind::Open, {}};
    if (line == "history")
        return InstanceRequest{InstanceRequest::Kind::History, {}};
    if (!line.startsWith("reply ") || line.size() == 6)
        return std::nullopt;
    const QByteArray name = line.mid(6);
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
    }
    return InstanceRequest{InstanceRequest::Kind::Reply, QString::fromUtf8(name)};
}

struct InstanceListener::Peer
{
    QSocketNotifier *notifier = nullptr;
    QTimer *timer = nullptr;
    QByteArray line;
};

InstanceListener::InstanceListener(const QString &socketPath, QObject *parent) : QObject(parent), m_path(socketPath) {}

InstanceListener::~InstanceListener()
{
    for (auto it = m_peers.cbegin(); it != m_peers.cend(); ++it)
        ::close(it.key());
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(QFile::encodeName(m_path).constData());
    }
}

QString InstanceListener::listen()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (const QString unsafe = unsafeFolder(folder); !unsafe.isEmpty())
        return unsafe;
    sockaddr_un address;
    if (!fillAddress(m_path, address))
        return m_path + QStringLiteral(" is too long a name for a socket");
    const QByteArray file = QFile::encodeName(m_path);
    struct stat status = {};
    if (::lstat(file.constData(), &status) == 0) {
        if (!S_ISSOCK(status.st_mode) || status.st_uid != ::getuid())
            return m_path + QStringLiteral(" is in the way and is not Parlo's");
        if (const int other = connectTo(m_path); other >= 0) {
            ::close(other);
            return QStringLiteral("Another Parlo of this user already runs in the background");
        }
        ::unlink(file.constData()); // left by a Parlo that was killed
    }
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::chmod(file.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(m_fd, 8) != 0) {
        const QString error = m_path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return error;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InstanceListener::accept);
    return {};
}

void InstanceListener::accept()
{
    const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    ucred peer = {};
    socklen_t size = sizeof peer;
    if (m_peers.size() >= maxPeers || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        peer.uid != ::getuid()) {
        ::close(fd);
        return;
    }
    auto state = std::make_shared<Peer>();
    state->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    state->timer = new QTimer(this);
    state->timer->setSingleShot(true);
    connect(state->notifier, &QSocketNotifier::activated, this, [this, fd] { read(fd); });
    connect(state->timer, &QTimer::timeout, this, [this, fd] { drop(fd); });
    state->timer->start(peerTimeoutMs);
    m_peers.insert(fd, state);
}

void InstanceListener::read(int fd)
{
    const std::shared_ptr<Peer> peer = m_peers.value(fd);
    if (!peer)
        return;
    char buffer[maxLine + 1];
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got > 0)
        peer->line.append(buffer, got);
    const qsizetype end = peer->line.indexOf('\n');
    if (end < 0 && got > 0 && peer->line.size() <= maxLine)
        return; // more to come
    const std::optional<InstanceRequest> request =
        end >= 0 && end <= maxLine ? parseRequestLine(peer->line.left(end)) : std::nullopt;
    if (request)
        ::send(fd, "ok\n", 3, MSG_NOSIGNAL | MSG_DONTWAIT);
    drop(fd);
    if (request)
        Q_EMIT requested(*request);
}

void InstanceListener::drop(int fd)
{
    const std::shared_ptr<Peer> peer = m_peers.take(fd);
    if (!peer)
        return;
    peer->notifier->setEnabled(false);
    peer->notifier->deleteLater();
    peer->timer->stop();
    peer->timer->deleteLater();
    ::close(fd);
}

bool askRunningInstance(const QString &socketPath, const InstanceRequest &request, int timeoutMs)
{
    const int fd = connectTo(socketPath);
    if (fd < 0)
        return false;
    const QByteArray line = requestLine(request);
    char answer[8] = {};
    qsizetype got = 0;
    if (::send(fd, line.constData(), std::size_t(line.size()), MSG_NOSIGNAL) == line.size()) {
        pollfd waiting = {fd, POLLIN, 0};
        int ready = 0;
        do
            ready = ::poll(&waiting, 1, timeoutMs);
        while (ready < 0 && errno == EINTR);
        if (ready > 0)
            got = ::recv(fd, answer, sizeof answer - 1, 0);
    }
    ::close(fd);
    return got >= 3 && std::strncmp(answer, "ok\n", 3) == 0;
}
