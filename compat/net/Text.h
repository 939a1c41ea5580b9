#pragma once

#include <string>
#include <string_view>

// Text for `net`: UTF-8 in std::string, code points in std::u32string, and the locale's codeset
// at the program's edges.
namespace Text {

// The code points of UTF-8 text; every byte that starts no valid sequence becomes U+FFFD.
std::u32string codePoints(std::string_view utf8);
std::string utf8(std::u32string_view text);
bool isUtf8(std::string_view bytes);

// Full upper case as far as code page 850 needs it: 'ß' becomes "SS".
std::u32string upper(std::u32string_view text);
// Whether a and b are equal when case is ignored.
bool equalFolded(std::string_view a, std::string_view b);
// Whether a sorts before b when case is ignored.
bool lessFolded(std::string_view a, std::string_view b);

// Bytes in the environment's locale (its codeset read without setting the program's locale;
// the C locale's ASCII counts as UTF-8) as UTF-8 text, and back; characters the codeset lacks
// become '?'.
std::string fromLocale(std::string_view bytes);
std::string toLocale(std::string_view utf8);

// Bytes as UTF-8 text: as they are when they are UTF-8, else read in the locale's codeset.
std::string fromOutside(std::string_view bytes);

std::string hex(unsigned value, int width); // lower case, zero padded

} // namespace Text
