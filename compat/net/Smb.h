#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The SMB1 multi-block message commands, as packets without the session header. Pure functions.
namespace Smb {

enum Command : std::uint8_t
{
    SendStart = 0xD5,
    SendEnd = 0xD6,
    SendText = 0xD7,
};

// One send-text block carries at most this many bytes of text.
constexpr std::size_t maxBlock = 127;
// A receiver keeps at most this many bytes of one message.
constexpr std::size_t maxMessage = 1600;

// sender and recipient are code page 850 names without NULs.
std::string sendStart(std::string_view sender, std::string_view recipient, std::uint16_t mid);
std::string sendText(std::uint16_t group, std::string_view block, std::uint16_t mid);
std::string sendEnd(std::uint16_t group, std::uint16_t mid);

// The text cut into blocks of at most maxBlock bytes; an empty text gives no block.
std::vector<std::string> blocks(std::string_view text);

struct Status
{
    bool nt = false;        // a 32-bit NT status, else a DOS error class and code
    std::uint32_t code = 0; // NT status, or class << 16 | DOS code
    bool ok() const { return code == 0; }
    bool operator==(const Status &) const = default;
};

struct Reply
{
    std::uint8_t command = 0;
    Status status;
    std::vector<std::uint16_t> words;
    std::string bytes;
};

// A server's reply; nothing when the packet is no well-formed SMB1 reply.
std::optional<Reply> parseReply(std::string_view packet);

// The status as the receiver's answer, for the one line that explains a failure.
std::string describe(const Status &status);

} // namespace Smb
