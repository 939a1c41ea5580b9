#include "NetBios.h"

#include "Cp850.h"
#include "Text.h"

namespace NetBios {
namespace {

constexpr std::uint16_t typeNb = 0x0020;
constexpr std::uint16_t typeNbstat = 0x0021;
constexpr std::uint16_t classIn = 0x0001;
constexpr std::uint16_t flagResponse = 0x8000;
constexpr std::uint16_t flagRecursionDesired = 0x0100;
constexpr std::uint16_t flagBroadcast = 0x0010;
constexpr std::uint16_t opcodeMask = 0x7800;
constexpr std::uint16_t rcodeMask = 0x000F;
constexpr std::size_t headerSize = 12;
constexpr std::size_t encodedNameSize = 34;

std::uint8_t byteAt(std::string_view data, std::size_t offset)
{
    return static_cast<std::uint8_t>(data[offset]);
}

void appendU16(std::string &out, std::uint16_t value)
{
    out += char(value >> 8);
    out += char(value & 0xFF);
}

std::uint16_t u16At(std::string_view data, std::size_t offset)
{
    return std::uint16_t(byteAt(data, offset) << 8 | byteAt(data, offset + 1));
}

std::uint32_t u32At(std::string_view data, std::size_t offset)
{
    return std::uint32_t(u16At(data, offset)) << 16 | u16At(data, offset + 2);
}

std::string request(std::uint16_t id, std::uint16_t flags, std::string_view name, std::uint8_t suffix,
                    std::uint16_t type)
{
    std::string out;
    appendU16(out, id);
    appendU16(out, flags);
    appendU16(out, 1); // one question
    appendU16(out, 0);
    appendU16(out, 0);
    appendU16(out, 0);
    out += encodeName(name, suffix);
    appendU16(out, type);
    appendU16(out, classIn);
    return out;
}

// Checks a response's header and steps over its answer's name, type, class and TTL; gives the
// offset of RDLENGTH.
std::optional<std::size_t> answerData(std::string_view packet, std::uint16_t id, std::uint16_t type)
{
    if (packet.size() < headerSize || u16At(packet, 0) != id)
        return std::nullopt;
    const std::uint16_t flags = u16At(packet, 2);
    if (!(flags & flagResponse) || (flags & opcodeMask) != 0 || (flags & rcodeMask) != 0)
        return std::nullopt;
    if (u16At(packet, 6) < 1) // answer count
        return std::nullopt;
    std::size_t offset = headerSize;
    // Skip any echoed question (responses normally carry none).
    for (std::uint16_t q = u16At(packet, 4); q > 0; --q) {
        if (!decodeName(packet, offset, &offset) || offset + 4 > packet.size())
            return std::nullopt;
        offset += 4;
    }
    if (offset < packet.size() && (byteAt(packet, offset) & 0xC0) == 0xC0)
        offset += 2; // a pointer back to the question's name
    else if (!decodeName(packet, offset, &offset))
        return std::nullopt;
    if (offset + 10 > packet.size() || u16At(packet, offset) != type || u16At(packet, offset + 2) != classIn)
        return std::nullopt;
    return offset + 8;
}

std::string trimmedName(std::string_view padded)
{
    std::size_t end = padded.size();
    while (end > 0 && (padded[end - 1] == ' ' || padded[end - 1] == '\0'))
        --end;
    return std::string(padded.substr(0, end));
}

} // namespace

std::string ipv4Text(Ipv4 address)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string(address >> shift & 0xFF);
        if (shift > 0)
            text += '.';
    }
    return text;
}

std::string netbiosForm(std::string_view name)
{
    std::u32string form = Text::upper(Text::codePoints(name.substr(0, name.find('.'))));
    form.resize(std::min<std::size_t>(form.size(), maxNameLength));
    std::string bytes;
    for (const char32_t c : form) {
        const Cp850::Encoding encoded = Cp850::encode(std::u32string_view(&c, 1));
        bytes += encoded.ok() ? encoded.bytes : std::string("_");
    }
    return bytes;
}

std::string encodeName(std::string_view name, std::uint8_t suffix)
{
    std::string raw(name.substr(0, 15));
    // The wildcard name is padded with NULs, every other name with blanks.
    raw.resize(15, raw == "*" ? '\0' : ' ');
    raw += char(suffix);
    std::string out;
    out.reserve(encodedNameSize);
    out += char(32);
    for (const char c : raw) {
        const auto byte = static_cast<std::uint8_t>(c);
        out += char('A' + (byte >> 4));
        out += char('A' + (byte & 0x0F));
    }
    out += '\0';
    return out;
}

std::optional<Name> decodeName(std::string_view packet, std::size_t offset, std::size_t *next)
{
    if (offset >= packet.size() || packet.size() - offset < encodedNameSize || packet[offset] != 32)
        return std::nullopt;
    std::string raw;
    for (std::size_t i = 0; i < 16; ++i) {
        const int high = packet[offset + 1 + 2 * i] - 'A';
        const int low = packet[offset + 2 + 2 * i] - 'A';
        if (high < 0 || high > 15 || low < 0 || low > 15)
            return std::nullopt;
        raw += char(high << 4 | low);
    }
    // Scope labels, if any, end with a zero length byte.
    std::size_t end = offset + 33;
    while (end < packet.size() && packet[end] != '\0') {
        const std::uint8_t label = byteAt(packet, end);
        if (label > 63)
            return std::nullopt;
        end += 1 + label;
    }
    if (end >= packet.size())
        return std::nullopt;
    if (next)
        *next = end + 1;
    return Name{trimmedName(std::string_view(raw).substr(0, 15)), static_cast<std::uint8_t>(raw[15])};
}

std::string nameQuery(std::uint16_t id, std::string_view name, std::uint8_t suffix, bool broadcast)
{
    return request(id, flagRecursionDesired | (broadcast ? flagBroadcast : 0), name, suffix, typeNb);
}

std::string nodeStatusQuery(std::uint16_t id, std::string_view name, std::uint8_t suffix)
{
    return request(id, 0, name, suffix, typeNbstat);
}

std::optional<std::vector<Ipv4>> parseNameQueryResponse(std::string_view packet, std::uint16_t id)
{
    const std::optional<std::size_t> data = answerData(packet, id, typeNb);
    if (!data)
        return std::nullopt;
    const std::uint16_t length = u16At(packet, *data);
    const std::size_t start = *data + 2;
    if (length % 6 != 0 || length == 0 || start + length > packet.size())
        return std::nullopt;
    std::vector<Ipv4> addresses;
    for (std::size_t entry = start; entry < start + length; entry += 6)
        addresses.push_back(u32At(packet, entry + 2));
    return addresses;
}

std::optional<std::vector<NodeName>> parseNodeStatusResponse(std::string_view packet, std::uint16_t id)
{
    const std::optional<std::size_t> data = answerData(packet, id, typeNbstat);
    if (!data)
        return std::nullopt;
    const std::uint16_t length = u16At(packet, *data);
    const std::size_t start = *data + 2;
    if (length < 1 || start + length > packet.size())
        return std::nullopt;
    const std::size_t count = byteAt(packet, start);
    if (1 + 18 * count > length)
        return std::nullopt;
    std::vector<NodeName> table;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = start + 1 + 18 * i;
        const std::uint16_t flags = u16At(packet, entry + 16);
        table.push_back({trimmedName(packet.substr(entry, 15)), byteAt(packet, entry + 15), bool(flags & 0x8000)});
    }
    return table;
}

std::string computerName(const std::vector<NodeName> &table)
{
    for (const std::uint8_t suffix : {serverSuffix, workstationSuffix}) {
        for (const NodeName &entry : table) {
            if (entry.suffix == suffix && !entry.group && !entry.name.empty())
                return entry.name;
        }
    }
    return {};
}

std::string sessionRequest(std::string_view calledName, std::uint8_t calledSuffix, std::string_view callingName,
                           std::uint8_t callingSuffix)
{
    std::string out;
    out += char(SessionRequest);
    out += '\0';
    appendU16(out, 2 * encodedNameSize);
    out += encodeName(calledName, calledSuffix);
    out += encodeName(callingName, callingSuffix);
    return out;
}

std::string sessionMessage(std::string_view payload)
{
    if (payload.size() > 0x1FFFF)
        return {};
    std::string out;
    out += char(SessionMessage);
    out += char(payload.size() >> 16); // the length's seventeenth bit
    appendU16(out, std::uint16_t(payload.size() & 0xFFFF));
    out += payload;
    return out;
}

std::optional<SessionHeader> parseSessionHeader(std::string_view header)
{
    if (header.size() < 4)
        return std::nullopt;
    const std::uint8_t flags = byteAt(header, 1);
    if (flags & 0xFE)
        return std::nullopt;
    return SessionHeader{byteAt(header, 0), std::uint32_t(flags) << 16 | u16At(header, 2)};
}

std::string negativeResponseReason(std::uint8_t code)
{
    switch (code) {
    case 0x80:
        return "The receiver does not listen on the called name.";
    case 0x81:
        return "The receiver does not accept calls from this computer's name.";
    case 0x82:
        return "The name is not present at the receiver.";
    case 0x83:
        return "The receiver has no resources for another session.";
    default:
        return "The receiver refused the session (error 0x" + Text::hex(code, 2) + ").";
    }
}

} // namespace NetBios
