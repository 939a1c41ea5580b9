#include "Smb.h"

#include "Text.h"

namespace Smb {
namespace {

constexpr std::size_t headerSize = 32;
constexpr std::uint8_t flagReply = 0x80;
constexpr std::uint8_t flagCaseless = 0x08;
constexpr std::uint16_t flags2NtStatus = 0x4000;
constexpr std::uint32_t ntRequestNotAccepted = 0xC00000D0;

void appendLe16(std::string &out, std::uint16_t value)
{
    out += char(value & 0xFF);
    out += char(value >> 8);
}

std::uint16_t le16At(std::string_view data, std::size_t offset)
{
    return std::uint16_t(static_cast<std::uint8_t>(data[offset]) | static_cast<std::uint8_t>(data[offset + 1]) << 8);
}

std::string packet(Command command, std::uint16_t mid, const std::vector<std::uint16_t> &words, std::string_view bytes)
{
    std::string out("\xFFSMB", 4);
    out += char(command);
    out.append(4, '\0'); // status
    out += char(flagCaseless);
    appendLe16(out, 0);   // flags2: OEM strings, DOS errors
    out.append(12, '\0'); // PID high, security features, reserved
    appendLe16(out, 0);   // TID
    appendLe16(out, 0);   // PID
    appendLe16(out, 0);   // UID
    appendLe16(out, mid);
    out += char(words.size());
    for (const std::uint16_t word : words)
        appendLe16(out, word);
    appendLe16(out, std::uint16_t(bytes.size()));
    out += bytes;
    return out;
}

} // namespace

std::string sendStart(std::string_view sender, std::string_view recipient, std::uint16_t mid)
{
    std::string bytes;
    bytes += '\x04'; // ASCII string
    bytes += sender;
    bytes += '\0';
    bytes += '\x04';
    bytes += recipient;
    bytes += '\0';
    return packet(SendStart, mid, {}, bytes);
}

std::string sendText(std::uint16_t group, std::string_view block, std::uint16_t mid)
{
    std::string bytes;
    bytes += '\x01'; // data block
    appendLe16(bytes, std::uint16_t(block.size()));
    bytes += block;
    return packet(SendText, mid, {group}, bytes);
}

std::string sendEnd(std::uint16_t group, std::uint16_t mid)
{
    return packet(SendEnd, mid, {group}, {});
}

std::vector<std::string> blocks(std::string_view text)
{
    std::vector<std::string> result;
    for (std::size_t start = 0; start < text.size(); start += maxBlock)
        result.emplace_back(text.substr(start, maxBlock));
    return result;
}

std::optional<Reply> parseReply(std::string_view data)
{
    if (data.size() < headerSize + 3 || !data.starts_with(std::string_view("\xFFSMB", 4)))
        return std::nullopt;
    if (!(static_cast<std::uint8_t>(data[9]) & flagReply))
        return std::nullopt;
    Reply reply;
    reply.command = static_cast<std::uint8_t>(data[4]);
    reply.status.nt = le16At(data, 10) & flags2NtStatus;
    reply.status.code = reply.status.nt ? std::uint32_t(le16At(data, 7)) << 16 | le16At(data, 5)
                                        : std::uint32_t(static_cast<std::uint8_t>(data[5])) << 16 | le16At(data, 7);
    const std::size_t wordCount = static_cast<std::uint8_t>(data[headerSize]);
    const std::size_t byteCountAt = headerSize + 1 + 2 * wordCount;
    if (byteCountAt + 2 > data.size())
        return std::nullopt;
    for (std::size_t i = 0; i < wordCount; ++i)
        reply.words.push_back(le16At(data, headerSize + 1 + 2 * i));
    const std::uint16_t byteCount = le16At(data, byteCountAt);
    if (byteCountAt + 2 + byteCount > data.size())
        return std::nullopt;
    reply.bytes = std::string(data.substr(byteCountAt + 2, byteCount));
    return reply;
}

std::string describe(const Status &status)
{
    if (status.nt) {
        if (status.code == ntRequestNotAccepted)
            return "NT_STATUS_REQUEST_NOT_ACCEPTED";
        return "NT status 0x" + Text::hex(status.code, 8);
    }
    return "DOS error class " + std::to_string(status.code >> 16) + ", code " + std::to_string(status.code & 0xFFFF);
}

} // namespace Smb
