#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// NetBIOS over TCP/IP: names, the name service (UDP 137) and the session service (TCP 139).
// Everything here turns values into packets and packets into values; nothing touches the network.
namespace NetBios {

// An IPv4 address in host byte order.
using Ipv4 = std::uint32_t;
// The address in dotted form.
std::string ipv4Text(Ipv4 address);

constexpr std::uint16_t nameServicePort = 137;
constexpr std::uint16_t sessionServicePort = 139;

// Name suffixes (the sixteenth byte of a name).
constexpr std::uint8_t workstationSuffix = 0x00;
constexpr std::uint8_t messengerSuffix = 0x03;
constexpr std::uint8_t serverSuffix = 0x20;

// The characters of a name without its suffix.
constexpr std::size_t maxNameLength = 15;

// A name in NetBIOS form: upper case, cut at the first dot and at 15 characters, in code page
// 850; characters that code page lacks become '_'.
std::string netbiosForm(std::string_view name);

// The 34 bytes of a name on the wire: length 32, the 16 bytes (name padded with blanks, then the
// suffix) in first-level encoding, and the empty scope.
std::string encodeName(std::string_view name, std::uint8_t suffix);

struct Name
{
    std::string name; // without the padding blanks
    std::uint8_t suffix = 0;
    bool operator==(const Name &) const = default;
};

// Reads an encoded name at offset; `next` is set past it. A compressed pointer is not a name.
std::optional<Name> decodeName(std::string_view packet, std::size_t offset, std::size_t *next = nullptr);

// Name service requests.
std::string nameQuery(std::uint16_t id, std::string_view name, std::uint8_t suffix, bool broadcast);
std::string nodeStatusQuery(std::uint16_t id, std::string_view name = "*", std::uint8_t suffix = workstationSuffix);

// The addresses of a positive name query response to the request `id`; nothing for any other packet.
std::optional<std::vector<Ipv4>> parseNameQueryResponse(std::string_view packet, std::uint16_t id);

struct NodeName
{
    std::string name; // without the padding blanks
    std::uint8_t suffix = 0;
    bool group = false;
    bool operator==(const NodeName &) const = default;
};

// The name table of a node status response to the request `id`; nothing for any other packet.
std::optional<std::vector<NodeName>> parseNodeStatusResponse(std::string_view packet, std::uint16_t id);

// The computer a node status names: its unique server name, else its unique workstation name.
std::string computerName(const std::vector<NodeName> &table);

// Session service packets: type, flags, 16-bit length, then the payload.
enum SessionType : std::uint8_t
{
    SessionMessage = 0x00,
    SessionRequest = 0x81,
    PositiveResponse = 0x82,
    NegativeResponse = 0x83,
    RetargetResponse = 0x84,
    KeepAlive = 0x85,
};

std::string sessionRequest(std::string_view calledName, std::uint8_t calledSuffix, std::string_view callingName,
                           std::uint8_t callingSuffix);
// Empty when the payload does not fit into one packet (at most 131071 bytes).
std::string sessionMessage(std::string_view payload);

struct SessionHeader
{
    std::uint8_t type = 0;
    std::uint32_t length = 0;
};
// The first four bytes of a session packet.
std::optional<SessionHeader> parseSessionHeader(std::string_view header);

// What a negative session response's error code means, as a sentence.
std::string negativeResponseReason(std::uint8_t code);

} // namespace NetBios
