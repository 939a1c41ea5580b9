#include "Messenger.h"

#include "Cp850.h"
#include "NetBios.h"
#include "Smb.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

quint16 randomId()
{
    return quint16(QRandomGenerator::global()->bounded(1, 0xFFFF));
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" s");
}

// Sends the packets to each target every resendMs and hands every datagram that arrives to
// `take` until it returns true or the time is up.
template <typename Take>
void exchange(QUdpSocket &socket, const QList<QHostAddress> &targets, const QList<QByteArray> &packets, int waitMs,
              int resendMs, Take take)
{
    const QDeadlineTimer deadline(waitMs);
    QDeadlineTimer resend(0);
    while (!deadline.hasExpired()) {
        if (resend.hasExpired()) {
            for (const QHostAddress &target : targets) {
                for (const QByteArray &packet : packets)
                    socket.writeDatagram(packet, target, NetBios::nameServicePort);
            }
            resend.setRemainingTime(resendMs);
        }
        const qint64 wait = std::min(deadline.remainingTime(), resend.remainingTime());
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(int(std::max<qint64>(wait, 1))))
            continue;
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram();
            if (take(datagram))
                return;
        }
    }
}

std::optional<QHostAddress> netbiosQuery(const QString &name, int waitMs)
{
    const QList<QHostAddress> targets = localBroadcastAddresses();
    if (targets.isEmpty())
        return std::nullopt;
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return std::nullopt;
    const quint16 id = randomId();
    const QByteArray query = NetBios::nameQuery(id, NetBios::netbiosForm(name), NetBios::messengerSuffix, true);
    std::optional<QHostAddress> found;
    exchange(socket, targets, {query}, waitMs, 500, [&](const QNetworkDatagram &datagram) {
        const auto addresses = NetBios::parseNameQueryResponse(datagram.data(), id);
        if (addresses && !addresses->isEmpty())
            found = addresses->first();
        return found.has_value();
    });
    return found;
}

std::optional<QHostAddress> hostResolver(const QString &name, int waitMs)
{
    QEventLoop loop;
    std::optional<QHostAddress> found;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    QHostInfo::lookupHost(name, &loop, [&](const QHostInfo &info) {
        const QList<QHostAddress> addresses = info.addresses();
        for (const QHostAddress &address : addresses) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                found = address;
                break;
            }
        }
        if (!found && !addresses.isEmpty())
            found = addresses.first();
        loop.quit();
    });
    loop.exec();
    return found;
}

// One NetBIOS session over TCP, with a time limit on every answer.
class Session
{
public:
    Session(const QHostAddress &address, const Timeouts &timeouts) : m_address(address), m_timeouts(timeouts) {}

    bool connect()
    {
        m_socket.connectToHost(m_address, NetBios::sessionServicePort);
        if (m_socket.waitForConnected(m_timeouts.connectMs))
            return true;
        switch (m_socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return fail(QStringLiteral("The connection to %1 was refused: nothing there takes messages on port 139.")
                            .arg(m_address.toString()));
        case QAbstractSocket::SocketTimeoutError:
            return fail(
                QStringLiteral("No answer from %1 in %2.").arg(m_address.toString(), seconds(m_timeouts.connectMs)));
        default:
            return fail(QStringLiteral("%1 cannot be reached: %2.").arg(m_address.toString(), m_socket.errorString()));
        }
    }

    // Writes one packet and reads the session packet that answers it, skipping keep-alives.
    std::optional<std::pair<quint8, QByteArray>> ask(const QByteArray &packet)
    {
        m_socket.write(packet);
        const QDeadlineTimer deadline(m_timeouts.replyMs);
        while (true) {
            const std::optional<QByteArray> header = read(4, deadline);
            if (!header)
                return std::nullopt;
            const auto parsed = NetBios::parseSessionHeader(*header);
            if (!parsed) {
                fail(QStringLiteral("The receiver's answer is not a NetBIOS session packet."));
                return std::nullopt;
            }
            const std::optional<QByteArray> payload = read(parsed->length, deadline);
            if (!payload)
                return std::nullopt;
            if (parsed->type != NetBios::KeepAlive)
                return std::make_pair(parsed->type, *payload);
        }
    }

    bool fail(const QString &reason)
    {
        if (m_reason.isEmpty())
            m_reason = reason;
        return false;
    }
    QString reason() const { return m_reason; }

private:
    std::optional<QByteArray> read(qint64 size, const QDeadlineTimer &deadline)
    {
        QByteArray data;
        while (data.size() < size) {
            if (m_socket.bytesAvailable() == 0) {
                if (m_socket.state() != QAbstractSocket::ConnectedState) {
                    fail(QStringLiteral("The receiver closed the connection."));
                    return std::nullopt;
                }
                if (deadline.hasExpired() ||
                    !m_socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
                    if (m_socket.error() == QAbstractSocket::RemoteHostClosedError ||
                        m_socket.state() != QAbstractSocket::ConnectedState)
                        fail(QStringLiteral("The receiver closed the connection."));
                    else if (deadline.hasExpired() || m_socket.error() == QAbstractSocket::SocketTimeoutError)
                        fail(QStringLiteral("No answer from %1 in %2.")
                                 .arg(m_address.toString(), seconds(m_timeouts.replyMs)));
                    else
                        fail(QStringLiteral("The connection to %1 failed: %2.")
                                 .arg(m_address.toString(), m_socket.errorString()));
                    return std::nullopt;
                }
            }
            data.append(m_socket.read(size - data.size()));
        }
        return data;
    }

    QTcpSocket m_socket;
    QHostAddress m_address;
    Timeouts m_timeouts;
    QString m_reason;
};

// Sends one SMB command and checks its reply; gives the reply's words.
std::optional<QList<quint16>> command(Session &session, const QByteArray &smb, Smb::Command expected)
{
    const auto answer = session.ask(NetBios::sessionMessage(smb));
    if (!answer)
        return std::nullopt;
    const auto reply = answer->first == NetBios::SessionMessage ? Smb::parseReply(answer->second) : std::nullopt;
    if (!reply || reply->command != expected) {
        session.fail(QStringLiteral("The receiver's answer is not a reply to the message."));
        return std::nullopt;
    }
    if (!reply->status.ok()) {
        session.fail(
            expected == Smb::SendStart
                ? QStringLiteral("The receiver does not accept messages (%1).").arg(Smb::describe(reply->status))
                : QStringLiteral("The receiver refused the message (%1).").arg(Smb::describe(reply->status)));
        return std::nullopt;
    }
    return reply->words;
}

} // namespace

QList<QHostAddress> localBroadcastAddresses()
{
    QList<QHostAddress> result;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::CanBroadcast) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.broadcast().isNull() &&
                !result.contains(entry.broadcast()))
                result.append(entry.broadcast());
        }
    }
    return result;
}

bool isIpv4Literal(const QString &name)
{
    static const QRegularExpression dotted(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    QHostAddress address;
    return dotted.match(name).hasMatch() && address.setAddress(name) &&
           address.protocol() == QAbstractSocket::IPv4Protocol;
}

std::optional<QHostAddress> resolve(const QString &name, const Timeouts &timeouts)
{
    if (isIpv4Literal(name))
        return QHostAddress(name);
    // Only a plain name can be a NetBIOS name; dotted and IPv6 names go to the host resolver alone.
    if (name.size() <= 15 && !name.contains(QLatin1Char('.')) && !name.contains(QLatin1Char(':'))) {
        if (auto address = netbiosQuery(name, timeouts.queryMs))
            return address;
    }
    return hostResolver(name, timeouts.resolverMs);
}

QByteArray messengerNameAt(const QHostAddress &address, int waitMs)
{
    // A plain connected socket, since it hears the ICMP refusal of a node without a name
    // service at once, where a Qt socket waits out its time.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(NetBios::nameServicePort);
    peer.sin_addr.s_addr = htonl(address.toIPv4Address());
    const quint16 id = randomId();
    const QByteArray query = NetBios::nodeStatusQuery(id);
    QByteArray name;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&peer), sizeof peer) == 0 &&
        ::send(fd, query.constData(), std::size_t(query.size()), 0) == query.size()) {
        const QDeadlineTimer deadline(waitMs);
        char buffer[1500];
        while (name.isEmpty() && !deadline.hasExpired()) {
            pollfd waiting = {fd, POLLIN, 0};
            if (::poll(&waiting, 1, int(std::max<qint64>(deadline.remainingTime(), 1))) <= 0)
                continue;
            const ssize_t size = ::recv(fd, buffer, sizeof buffer, 0);
            if (size < 0 && errno != EINTR && errno != EAGAIN)
                break; // refused: no name service there
            const auto table = NetBios::parseNodeStatusResponse(QByteArrayView(buffer, std::max<ssize_t>(size, 0)), id);
            if (!table)
                continue;
            for (const NetBios::NodeName &entry : *table) {
                if (entry.suffix == NetBios::messengerSuffix && !entry.group && !entry.name.isEmpty()) {
                    name = entry.name;
                    break;
                }
            }
            break;
        }
    }
    ::close(fd);
    return name;
}

Delivery deliver(const QHostAddress &address, QByteArrayView calledName, quint8 calledSuffix, QByteArrayView sender,
                 QByteArrayView recipient, QByteArrayView text, const Timeouts &timeouts)
{
    Session session(address, timeouts);
    if (!session.connect())
        return {false, session.reason()};

    const auto answer =
        session.ask(NetBios::sessionRequest(calledName, calledSuffix, sender, NetBios::workstationSuffix));
    if (!answer)
        return {false, session.reason()};
    if (answer->first == NetBios::NegativeResponse)
        return {false, NetBios::negativeResponseReason(answer->second.isEmpty() ? 0x8F : quint8(answer->second[0]))};
    if (answer->first != NetBios::PositiveResponse)
        return {false, QStringLiteral("The receiver did not open a NetBIOS session (answer type 0x%1).")
                           .arg(answer->first, 2, 16, QLatin1Char('0'))};

    quint16 mid = 1;
    const auto started = command(session, Smb::sendStart(sender, recipient, mid++), Smb::SendStart);
    if (!started)
        return {false, session.reason()};
    // Samba leaves the group out of its reply; it then takes any group in the blocks that follow.
    const quint16 group = started->isEmpty() ? 0 : started->first();
    const QList<QByteArray> blocks = Smb::blocks(text);
    for (const QByteArray &block : blocks) {
        if (!command(session, Smb::sendText(group, block, mid++), Smb::SendText))
            return {false, session.reason()};
    }
    if (!command(session, Smb::sendEnd(group, mid++), Smb::SendEnd))
        return {false, session.reason()};
    return {true, {}};
}

QStringList findComputers(int waitMs)
{
    const QList<QHostAddress> targets = localBroadcastAddresses();
    if (targets.isEmpty())
        return {};
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return {};
    // Node status to everyone at once; the wildcard name query finds nodes that answer only that,
    // and they are then asked for their status one by one.
    const quint16 statusId = randomId();
    const quint16 queryId = quint16(statusId ^ 0x5A5A);
    const QByteArray status = NetBios::nodeStatusQuery(statusId);
    const QByteArray wildcard = NetBios::nameQuery(queryId, "*", NetBios::workstationSuffix, true);
    QSet<QString> asked;
    QSet<QString> answered;
    QStringList names;
    exchange(socket, targets, {status, wildcard}, waitMs, 1000, [&](const QNetworkDatagram &datagram) {
        const QString from = datagram.senderAddress().toString();
        if (const auto table = NetBios::parseNodeStatusResponse(datagram.data(), statusId)) {
            const QByteArray name = NetBios::computerName(*table);
            if (!name.isEmpty() && !answered.contains(from)) {
                answered.insert(from);
                names.append(Cp850::decode(name));
            }
        } else if (const auto addresses = NetBios::parseNameQueryResponse(datagram.data(), queryId)) {
            for (const QHostAddress &address : *addresses) {
                if (!asked.contains(address.toString())) {
                    asked.insert(address.toString());
                    socket.writeDatagram(status, address, NetBios::nameServicePort);
                }
            }
        }
        return false; // every answer counts until the time is up
    });
    return names;
}
