#pragma once

#include <string>
#include <string_view>

// The DOS code page 850, in which messenger names and texts travel.
namespace Cp850 {

// The bytes of a text, or the first character the code page has no byte for.
struct Encoding
{
    std::string bytes;
    char32_t refused = 0; // 0 when every character was encoded
    bool ok() const { return refused == 0; }
};

// NUL and every character outside the code page are refused; nothing is replaced.
Encoding encode(std::u32string_view text);
Encoding encode(std::string_view utf8);
// The text of the bytes, in UTF-8.
std::string decode(std::string_view bytes);

} // namespace Cp850
