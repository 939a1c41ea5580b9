#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

// NetBIOS over TCP/IP: names, the name service (UDP 137) and the session service (TCP 139).
// Everything here turns values into packets and packets into values; nothing touches the network.
namespace NetBios {

constexpr quint16 nameServicePort = 137;
constexpr quint16 sessionServicePort = 139;

// Name suffixes (the sixteenth byte of a name).
constexpr quint8 workstationSuffix = 0x00;
constexpr quint8 messengerSuffix = 0x03;
constexpr quint8 serverSuffix = 0x20;

// The characters of a name without its suffix.
constexpr qsizetype maxNameLength = 15;

// A name in NetBIOS form: upper case, cut at the first dot and at 15 characters, in code page
// 850; characters that code page lacks become '_'.
QByteArray netbiosForm(const QString &name);

// The 34 bytes of a name on the wire: length 32, the 16 bytes (name padded with blanks, then the
// suffix) in first-level encoding, and the empty scope.
QByteArray encodeName(QByteArrayView name, quint8 suffix);

struct Name
{
    QByteArray name; // without the padding blanks
    quint8 suffix = 0;
    bool operator==(const Name &) const = default;
};

// Reads an encoded name at offset; `next` is set past it. A compressed pointer is not a name.
std::optional<Name> decodeName(QByteArrayView packet, qsizetype offset, qsizetype *next = nullptr);

// Name service requests.
QByteArray nameQuery(quint16 id, QByteArrayView name, quint8 suffix, bool broadcast);
QByteArray nodeStatusQuery(quint16 id, QByteArrayView name = "*", quint8 suffix = workstationSuffix);

// The addresses of a positive name query response to the request `id`; nothing for any other packet.
std::optional<QList<QHostAddress>> parseNameQueryResponse(QByteArrayView packet, quint16 id);

struct NodeName
{
    QByteArray name; // without the padding blanks
    quint8 suffix = 0;
    bool group = false;
    bool operator==(const NodeName &) const = default;
};

// The name table of a node status response to the request `id`; nothing for any other packet.
std::optional<QList<NodeName>> parseNodeStatusResponse(QByteArrayView packet, quint16 id);

// The computer a node status names: its unique server name, else its unique workstation name.
QByteArray computerName(const QList<NodeName> &table);

// Session service packets: type, flags, 16-bit length, then the payload.
enum SessionType : quint8
{
    SessionMessage = 0x00,
    SessionRequest = 0x81,
    PositiveResponse = 0x82,
    NegativeResponse = 0x83,
    RetargetResponse = 0x84,
    KeepAlive = 0x85,
};

QByteArray sessionRequest(QByteArrayView calledName, quint8 calledSuffix, QByteArrayView callingName,
                          quint8 callingSuffix);
// Empty when the payload does not fit into one packet (at most 131071 bytes).
QByteArray sessionMessage(QByteArrayView payload);

struct SessionHeader
{
    quint8 type = 0;
    quint32 length = 0;
};
// The first four bytes of a session packet.
std::optional<SessionHeader> parseSessionHeader(QByteArrayView header);

// What a negative session response's error code means, as a sentence.
QString negativeResponseReason(quint8 code);

} // namespace NetBios
