#include "Messenger.h"
#include "core/NetStatus.h"

#include "Cp850.h"
#include "NetBios.h"
#include "NetCommand.h"
#include "Smb.h"
#include "Text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <poll.h>
#include <set>
#include <sys/random.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

class Deadline
{
public:
    explicit Deadline(int ms) : m_end(Clock::now() + std::chrono::milliseconds(ms)) {}
    bool expired() const { return Clock::now() >= m_end; }
    // What is left in whole milliseconds, rounded up.
    int remainingMs() const
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_end - Clock::now()).count();
        return int(std::max<decltype(left)>(left, 0));
    }

private:
    Clock::time_point m_end;
};

// A file descriptor that closes itself.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::uint16_t randomId()
{
    std::uint16_t value = 0;
    if (::getrandom(&value, sizeof value, 0) != sizeof value)
        value = std::uint16_t(Clock::now().time_since_epoch().count());
    return std::uint16_t(1 + value % 0xFFFE); // 1 to 0xFFFE
}

std::string seconds(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g s", ms / 1000.0);
    return text;
}

sockaddr_in socketAddress(NetBios::Ipv4 address, std::uint16_t port)
{
    sockaddr_in result = {};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

// A UDP socket on any local port that may broadcast.
int nameServiceSocket()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    const sockaddr_in any = socketAddress(INADDR_ANY, 0);
    if (fd >= 0 && (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
                    ::bind(fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendTo(int fd, std::string_view packet, NetBios::Ipv4 target)
{
    const sockaddr_in to = socketAddress(target, NetBios::nameServicePort);
    ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
}

struct Datagram
{
    std::string data;
    NetBios::Ipv4 from = 0;
};

// The next datagram waiting on fd, without waiting for one.
std::optional<Datagram> receive(int fd)
{
    char buffer[1500];
    sockaddr_in from = {};
    socklen_t fromSize = sizeof from;
    const ssize_t size =
        ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &fromSize);
    if (size < 0)
        return std::nullopt;
    return Datagram{std::string(buffer, std::size_t(size)), ntohl(from.sin_addr.s_addr)};
}

// Sends the packets to each target every resendMs and hands every datagram that arrives to
// `take` until it returns true or the time is up.
template <typename Take>
void exchange(int fd, const std::vector<NetBios::Ipv4> &targets, const std::vector<std::string> &packets, int waitMs,
              int resendMs, Take take)
{
    const Deadline deadline(waitMs);
    Deadline resend(0);
    while (!deadline.expired()) {
        if (resend.expired()) {
            for (const NetBios::Ipv4 target : targets) {
                for (const std::string &packet : packets)
                    sendTo(fd, packet, target);
            }
            resend = Deadline(resendMs);
        }
        pollfd waiting = {fd, POLLIN, 0};
        if (::poll(&waiting, 1, std::max(1, std::min(deadline.remainingMs(), resend.remainingMs()))) <= 0)
            continue;
        while (const std::optional<Datagram> datagram = receive(fd)) {
            if (take(*datagram))
                return;
        }
    }
}

std::optional<Address> netbiosQuery(std::string_view name, int waitMs)
{
    const std::vector<NetBios::Ipv4> targets = localBroadcastAddresses();
    if (targets.empty())
        return std::nullopt;
    const Descriptor socket(nameServiceSocket());
    if (socket.get() < 0)
        return std::nullopt;
    const std::uint16_t id = randomId();
    const std::string query = NetBios::nameQuery(id, NetBios::netbiosForm(name), NetBios::messengerSuffix, true);
    std::optional<Address> found;
    exchange(socket.get(), targets, {query}, waitMs, 500, [&](const Datagram &datagram) {
        const auto addresses = NetBios::parseNameQueryResponse(datagram.data, id);
        if (addresses && !addresses->empty())
            found = Address::ipv4(addresses->front());
        return found.has_value();
    });
    return found;
}

// The first IPv4 address of a resolver's answer, else its first address.
std::optional<Address> preferredAddress(const addrinfo *list)
{
    const addrinfo *chosen = nullptr;
    for (const addrinfo *entry = list; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6)
            continue;
        if (!chosen || (entry->ai_family == AF_INET && chosen->ai_family != AF_INET))
            chosen = entry;
    }
    if (!chosen)
        return std::nullopt;
    Address address;
    std::memcpy(&address.socket, chosen->ai_addr, std::min<std::size_t>(chosen->ai_addrlen, sizeof address.socket));
    reinterpret_cast<sockaddr_in6 &>(address.socket).sin6_port = 0; // same place in both families
    return address;
}

// A lookup in flight; it outlives an answer that comes too late, since the resolver may still
// write into it.
struct Lookup
{
    std::string name;
    addrinfo hints = {};
    gaicb request = {};
};

std::optional<Address> hostResolver(std::string_view name, int waitMs)
{
    auto *lookup = new Lookup{std::string(name)};
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_flags = isIpv6Literal(name) ? AI_NUMERICHOST : AI_ADDRCONFIG | AI_IDN;
    lookup->request.ar_name = lookup->name.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb *requests[] = {&lookup->request};
    if (::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0) {
        delete lookup;
        return std::nullopt;
    }
    const Deadline deadline(waitMs);
    while (::gai_error(&lookup->request) == EAI_INPROGRESS && !deadline.expired()) {
        const int ms = deadline.remainingMs();
        const timespec wait = {ms / 1000, long(ms % 1000) * 1000000};
        ::gai_suspend(requests, 1, &wait);
    }
    if (::gai_error(&lookup->request) == EAI_INPROGRESS && ::gai_cancel(&lookup->request) != EAI_CANCELED)
        return std::nullopt; // still running: the lookup stays allocated
    std::optional<Address> found;
    if (::gai_error(&lookup->request) == 0) {
        found = preferredAddress(lookup->request.ar_result);
        ::freeaddrinfo(lookup->request.ar_result);
    }
    delete lookup;
    return found;
}

} // namespace

int Timeouts::within(int ms) const
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(start + std::chrono::milliseconds(sendMs) - Clock::now()).count();
    return int(std::clamp<decltype(left)>(left, 0, ms));
}

Address Address::ipv4(NetBios::Ipv4 address)
{
    Address result;
    const sockaddr_in ipv4 = socketAddress(address, 0);
    std::memcpy(&result.socket, &ipv4, sizeof ipv4);
    return result;
}

NetBios::Ipv4 Address::ipv4Value() const
{
    return isIpv4() ? ntohl(reinterpret_cast<const sockaddr_in &>(socket).sin_addr.s_addr) : 0;
}

std::string Address::text() const
{
    if (isIpv4())
        return NetBios::ipv4Text(ipv4Value());
    const auto &ipv6 = reinterpret_cast<const sockaddr_in6 &>(socket);
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET6, &ipv6.sin6_addr, text, sizeof text);
    if (ipv6.sin6_scope_id == 0)
        return text;
    char interface[IF_NAMESIZE] = {};
    const bool named = ::if_indextoname(ipv6.sin6_scope_id, interface) != nullptr;
    return std::string(text) + "%" + (named ? std::string(interface) : std::to_string(ipv6.sin6_scope_id));
}

std::vector<NetBios::Ipv4> localBroadcastAddresses()
{
    std::vector<NetBios::Ipv4> result;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        if (!(flags & IFF_UP) || !(flags & IFF_BROADCAST) || (flags & IFF_LOOPBACK) || !entry->ifa_addr ||
            entry->ifa_addr->sa_family != AF_INET || !entry->ifa_broadaddr ||
            entry->ifa_broadaddr->sa_family != AF_INET)
            continue;
        const NetBios::Ipv4 broadcast =
            ntohl(reinterpret_cast<const sockaddr_in *>(entry->ifa_broadaddr)->sin_addr.s_addr);
        if (std::find(result.begin(), result.end(), broadcast) == result.end())
            result.push_back(broadcast);
    }
    ::freeifaddrs(list);
    return result;
}

std::optional<NetBios::Ipv4> ipv4Literal(std::string_view name)
{
    // Four parts of one to three digits; a part with a leading zero is octal.
    NetBios::Ipv4 address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? name.find('.') : name.size();
        const std::string_view digits = name.substr(0, end);
        if (end == std::string_view::npos || digits.empty() || digits.size() > 3 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int base = digits.size() > 1 && digits[0] == '0' ? 8 : 10;
        unsigned value = 0;
        for (const char c : digits) {
            if (c - '0' >= base)
                return std::nullopt;
            value = value * unsigned(base) + unsigned(c - '0');
        }
        if (value > 255)
            return std::nullopt;
        address = address << 8 | value;
        name.remove_prefix(part < 3 ? end + 1 : end);
    }
    return address;
}

std::optional<Address> resolve(std::string_view name, const Timeouts &timeouts)
{
    if (const std::optional<NetBios::Ipv4> address = ipv4Literal(name))
        return Address::ipv4(*address);
    // Only a plain name can be a NetBIOS name; dotted and IPv6 names go to the host resolver alone.
    if (Text::codePoints(name).size() <= 15 && name.find_first_of(".:") == std::string_view::npos) {
        if (auto address = netbiosQuery(name, timeouts.within(timeouts.queryMs)))
            return address;
    }
    return hostResolver(name, timeouts.within(timeouts.resolverMs));
}

std::string messengerNameAt(NetBios::Ipv4 address, int waitMs)
{
    // A connected socket, since it hears the ICMP refusal of a node without a name service at once.
    const Descriptor socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0)
        return {};
    const sockaddr_in peer = socketAddress(address, NetBios::nameServicePort);
    const std::uint16_t id = randomId();
    const std::string query = NetBios::nodeStatusQuery(id);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr *>(&peer), sizeof peer) != 0 ||
        ::send(socket.get(), query.data(), query.size(), 0) != ssize_t(query.size()))
        return {};
    const Deadline deadline(waitMs);
    char buffer[1500];
    while (!deadline.expired()) {
        pollfd waiting = {socket.get(), POLLIN, 0};
        if (::poll(&waiting, 1, std::max(deadline.remainingMs(), 1)) <= 0)
            continue;
        const ssize_t size = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (size < 0 && errno != EINTR && errno != EAGAIN)
            break; // refused: no name service there
        const auto table =
            NetBios::parseNodeStatusResponse(std::string_view(buffer, std::size_t(std::max<ssize_t>(size, 0))), id);
        if (!table)
            continue;
        for (const NetBios::NodeName &entry : *table) {
            if (entry.suffix == NetBios::messengerSuffix && !entry.group && !entry.name.empty())
                return entry.name;
        }
        break;
    }
    return {};
}

namespace {

// Why a connection could not be made, in the words of a socket error.
std::string connectError(int error)
{
    switch (error) {
    case ETIMEDOUT:
        return "Connection timed out";
    case EHOSTUNREACH:
        return "Host unreachable";
    case ENETUNREACH:
        return "Network unreachable";
    case EACCES:
    case EPERM:
        return "Permission denied";
    default:
        return std::strerror(error);
    }
}

// One NetBIOS session over TCP, with a time limit on every answer.
class Session
{
public:
    Session(const Address &address, const Timeouts &timeouts)
        : m_socket(::socket(address.socket.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)),
          m_address(address), m_timeouts(timeouts)
    {
    }

    bool connect()
    {
        Address peer = m_address;
        reinterpret_cast<sockaddr_in6 &>(peer.socket).sin6_port = htons(NetBios::sessionServicePort);
        const socklen_t size = peer.isIpv4() ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
        int error = m_socket.get() < 0 ? errno : 0;
        if (error == 0 && ::connect(m_socket.get(), reinterpret_cast<const sockaddr *>(&peer.socket), size) != 0)
            error = errno;
        if (error == EINPROGRESS) {
            const Deadline deadline(m_timeouts.within(m_timeouts.connectMs));
            pollfd waiting = {m_socket.get(), POLLOUT, 0};
            int ready = 0;
            do
                ready = ::poll(&waiting, 1, deadline.remainingMs());
            while (ready < 0 && errno == EINTR);
            if (ready == 0)
                return fail(netUnreachable, noAnswer(m_timeouts.connectMs));
            socklen_t length = sizeof error;
            ::getsockopt(m_socket.get(), SOL_SOCKET, SO_ERROR, &error, &length);
        }
        if (error == 0)
            return true;
        if (error == ECONNREFUSED || error == EINVAL)
            return fail(netUnreachable, "The connection to " + m_address.text() +
                                            " was refused: nothing there takes messages on port 139.");
        return fail(netUnreachable, m_address.text() + " cannot be reached: " + connectError(error) + ".");
    }

    // Writes one packet and reads the session packet that answers it, skipping keep-alives.
    std::optional<std::pair<std::uint8_t, std::string>> ask(std::string_view packet)
    {
        const Deadline deadline(m_timeouts.within(m_timeouts.replyMs));
        if (!write(packet, deadline))
            return std::nullopt;
        while (true) {
            const std::optional<std::string> header = read(4, deadline);
            if (!header)
                return std::nullopt;
            const auto parsed = NetBios::parseSessionHeader(*header);
            if (!parsed) {
                fail(netFailed, "The receiver's answer is not a NetBIOS session packet.");
                return std::nullopt;
            }
            const std::optional<std::string> payload = read(parsed->length, deadline);
            if (!payload)
                return std::nullopt;
            if (parsed->type != NetBios::KeepAlive)
                return std::make_pair(parsed->type, *payload);
        }
    }

    bool fail(int status, const std::string &reason)
    {
        if (m_reason.empty()) {
            m_reason = reason;
            m_status = status;
        }
        return false;
    }
    // Why the session failed, as net says it and as its exit status.
    Delivery failure() const { return {false, m_reason, m_status}; }

private:
    // Waits until the socket is ready for `events`; false, with the reason, when the time is up.
    bool wait(short events, const Deadline &deadline)
    {
        pollfd waiting = {m_socket.get(), events, 0};
        int ready = 0;
        do
            ready = ::poll(&waiting, 1, deadline.expired() ? 0 : std::max(deadline.remainingMs(), 1));
        while (ready < 0 && errno == EINTR);
        if (ready > 0)
            return true;
        fail(netUnreachable, noAnswer(m_timeouts.replyMs));
        return false;
    }

    // Why a step that may take stepMs ended without an answer: its own time, or the whole send's.
    std::string noAnswer(int stepMs) const
    {
        if (m_timeouts.overdue())
            return m_address.text() + " answers too slowly: the send was given up after " + seconds(m_timeouts.sendMs) +
                   ".";
        return "No answer from " + m_address.text() + " in " + seconds(stepMs) + ".";
    }

    // Records why a read or write failed with errno `error`.
    bool failed(int error)
    {
        if (error == ECONNRESET || error == EPIPE || error == 0)
            return fail(netFailed, "The receiver closed the connection.");
        return fail(netUnreachable, "The connection to " + m_address.text() + " failed: " + std::strerror(error) + ".");
    }

    bool write(std::string_view data, const Deadline &deadline)
    {
        while (!data.empty()) {
            const ssize_t sent = ::send(m_socket.get(), data.data(), data.size(), MSG_NOSIGNAL);
            if (sent >= 0)
                data.remove_prefix(std::size_t(sent));
            else if (errno != EAGAIN && errno != EINTR)
                return failed(errno);
            else if (errno == EAGAIN && !wait(POLLOUT, deadline))
                return false;
        }
        return true;
    }

    std::optional<std::string> read(std::size_t size, const Deadline &deadline)
    {
        std::string data(size, '\0');
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = ::recv(m_socket.get(), data.data() + done, size - done, 0);
            if (got > 0) {
                done += std::size_t(got);
            } else if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (!wait(POLLIN, deadline))
                    return std::nullopt;
            } else {
                failed(got == 0 ? 0 : errno);
                return std::nullopt;
            }
        }
        return data;
    }

    Descriptor m_socket;
    Address m_address;
    Timeouts m_timeouts;
    std::string m_reason;
    int m_status = netFailed;
};

// Sends one SMB command and checks its reply; gives the reply's words.
std::optional<std::vector<std::uint16_t>> command(Session &session, std::string_view smb, Smb::Command expected)
{
    const auto answer = session.ask(NetBios::sessionMessage(smb));
    if (!answer)
        return std::nullopt;
    const auto reply = answer->first == NetBios::SessionMessage ? Smb::parseReply(answer->second) : std::nullopt;
    if (!reply || reply->command != expected) {
        session.fail(netFailed, "The receiver's answer is not a reply to the message.");
        return std::nullopt;
    }
    if (!reply->status.ok()) {
        session.fail(netRefused, (expected == Smb::SendStart ? "The receiver does not accept messages ("
                                                             : "The receiver refused the message (") +
                                     Smb::describe(reply->status) + ").");
        return std::nullopt;
    }
    return reply->words;
}

} // namespace

Delivery deliver(const Address &address, std::string_view calledName, std::uint8_t calledSuffix,
                 std::string_view sender, std::string_view recipient, std::string_view text, const Timeouts &timeouts)
{
    Session session(address, timeouts);
    if (!session.connect())
        return session.failure();

    const auto answer =
        session.ask(NetBios::sessionRequest(calledName, calledSuffix, sender, NetBios::workstationSuffix));
    if (!answer)
        return session.failure();
    if (answer->first == NetBios::NegativeResponse)
        return {false,
                NetBios::negativeResponseReason(answer->second.empty() ? 0x8F
                                                                       : static_cast<std::uint8_t>(answer->second[0])),
                netRefused};
    if (answer->first != NetBios::PositiveResponse)
        return {false,
                "The receiver did not open a NetBIOS session (answer type 0x" + Text::hex(answer->first, 2) + ").",
                netFailed};

    std::uint16_t mid = 1;
    const auto started = command(session, Smb::sendStart(sender, recipient, mid++), Smb::SendStart);
    if (!started)
        return session.failure();
    // Samba leaves the group out of its reply; it then takes any group in the blocks that follow.
    const std::uint16_t group = started->empty() ? 0 : started->front();
    for (const std::string &block : Smb::blocks(text)) {
        if (!command(session, Smb::sendText(group, block, mid++), Smb::SendText))
            return session.failure();
    }
    if (!command(session, Smb::sendEnd(group, mid++), Smb::SendEnd))
        return session.failure();
    return {true, {}};
}

std::vector<std::string> findComputers(int waitMs)
{
    const std::vector<NetBios::Ipv4> targets = localBroadcastAddresses();
    if (targets.empty())
        return {};
    const Descriptor socket(nameServiceSocket());
    if (socket.get() < 0)
        return {};
    // Node status to everyone at once; the wildcard name query finds nodes that answer only that,
    // and they are then asked for their status one by one.
    const std::uint16_t statusId = randomId();
    const std::uint16_t queryId = std::uint16_t(statusId ^ 0x5A5A);
    const std::string status = NetBios::nodeStatusQuery(statusId);
    const std::string wildcard = NetBios::nameQuery(queryId, "*", NetBios::workstationSuffix, true);
    std::set<NetBios::Ipv4> asked;
    std::set<NetBios::Ipv4> answered;
    std::vector<std::string> names;
    exchange(socket.get(), targets, {status, wildcard}, waitMs, 1000, [&](const Datagram &datagram) {
        if (const auto table = NetBios::parseNodeStatusResponse(datagram.data, statusId)) {
            const std::string name = NetBios::computerName(*table);
            if (!name.empty() && answered.insert(datagram.from).second)
                names.push_back(Cp850::decode(name));
        } else if (const auto addresses = NetBios::parseNameQueryResponse(datagram.data, queryId)) {
            for (const NetBios::Ipv4 address : *addresses) {
                if (asked.insert(address).second)
                    sendTo(socket.get(), status, address);
            }
        }
        return false; // every answer counts until the time is up
    });
    return names;
}
