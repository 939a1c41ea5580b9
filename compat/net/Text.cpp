#include "Text.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <wctype.h>

namespace Text {
namespace {

constexpr char32_t replacement = 0xFFFD;

// The length of the valid UTF-8 sequence at the start of bytes and its code point; 0 if invalid.
std::size_t sequence(std::string_view bytes, char32_t &c)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char first = byte(0);
    if (first < 0x80) {
        c = first;
        return 1;
    }
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 0;
    if (length == 0 || first > 0xF4 || bytes.size() < length)
        return 0;
    c = first & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (byte(i) & 0x3F);
    }
    constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

locale_t unicodeLocale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

char32_t upperOf(char32_t c)
{
    if (const locale_t locale = unicodeLocale())
        return char32_t(towupper_l(wint_t(c), locale));
    return c >= U'a' && c <= U'z' ? c - 0x20 : c;
}

char32_t folded(char32_t c)
{
    if (const locale_t locale = unicodeLocale())
        return char32_t(towlower_l(towupper_l(wint_t(c), locale), locale));
    return c >= U'A' && c <= U'Z' ? c + 0x20 : c;
}

std::u32string foldedText(std::string_view text)
{
    std::u32string result = codePoints(text);
    std::transform(result.begin(), result.end(), result.begin(), folded);
    return result;
}

const std::string &localeCodeset()
{
    static const std::string name = [] {
        locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
        std::string codeset = locale ? nl_langinfo_l(CODESET, locale) : "";
        if (locale)
            freelocale(locale);
        if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "US-ASCII")
            codeset = "UTF-8";
        if (iconv_t probe = iconv_open("UTF-8", codeset.c_str()); probe != iconv_t(-1))
            iconv_close(probe);
        else
            codeset = "UTF-8";
        return codeset;
    }();
    return name;
}

bool isUtf8Codeset()
{
    const std::string &codeset = localeCodeset();
    return codeset == "UTF-8" || codeset == "utf8";
}

// Converts with iconv; where the input cannot be converted, `bad` is appended and `skip(input)`
// bytes are stepped over.
template <typename Skip>
std::string convert(const char *to, const char *from, std::string_view input, std::string_view bad, Skip skip)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == iconv_t(-1))
        return std::string(input);
    std::string output;
    char buffer[256];
    while (!input.empty()) {
        char *in = const_cast<char *>(input.data());
        std::size_t inLeft = input.size();
        char *out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        output.append(buffer, std::size_t(out - buffer));
        input.remove_prefix(input.size() - inLeft);
        if (done == std::size_t(-1) && errno != E2BIG) {
            output.append(bad);
            input.remove_prefix(std::min(input.size(), skip(input)));
        }
    }
    iconv_close(converter);
    return output;
}

} // namespace

std::u32string codePoints(std::string_view utf8)
{
    std::u32string result;
    result.reserve(utf8.size());
    while (!utf8.empty()) {
        char32_t c = replacement;
        const std::size_t length = sequence(utf8, c);
        result.push_back(length ? c : replacement);
        utf8.remove_prefix(length ? length : 1);
    }
    return result;
}

std::string utf8(std::u32string_view text)
{
    std::string result;
    for (const char32_t c : text) {
        if (c < 0x80) {
            result += char(c);
        } else if (c < 0x800) {
            result += char(0xC0 | c >> 6);
            result += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            result += char(0xE0 | c >> 12);
            result += char(0x80 | (c >> 6 & 0x3F));
            result += char(0x80 | (c & 0x3F));
        } else {
            result += char(0xF0 | c >> 18);
            result += char(0x80 | (c >> 12 & 0x3F));
            result += char(0x80 | (c >> 6 & 0x3F));
            result += char(0x80 | (c & 0x3F));
        }
    }
    return result;
}

bool isUtf8(std::string_view bytes)
{
    while (!bytes.empty()) {
        char32_t c = 0;
        const std::size_t length = sequence(bytes, c);
        if (length == 0)
            return false;
        bytes.remove_prefix(length);
    }
    return true;
}

std::u32string upper(std::u32string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    for (const char32_t c : text) {
        if (c == U'\u00DF')
            result += U"SS";
        else
            result += upperOf(c);
    }
    return result;
}

bool equalFolded(std::string_view a, std::string_view b)
{
    return foldedText(a) == foldedText(b);
}

bool lessFolded(std::string_view a, std::string_view b)
{
    return foldedText(a) < foldedText(b);
}

std::string fromLocale(std::string_view bytes)
{
    if (isUtf8Codeset())
        return utf8(codePoints(bytes));
    return convert("UTF-8", localeCodeset().c_str(), bytes, "\xEF\xBF\xBD",
                   [](std::string_view) { return std::size_t(1); });
}

std::string toLocale(std::string_view text)
{
    if (isUtf8Codeset())
        return std::string(text);
    return convert(localeCodeset().c_str(), "UTF-8", text, "?", [](std::string_view rest) {
        char32_t c = 0;
        return std::max<std::size_t>(1, sequence(rest, c));
    });
}

std::string fromOutside(std::string_view bytes)
{
    return isUtf8(bytes) ? std::string(bytes) : fromLocale(bytes);
}

std::string hex(unsigned value, int width)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
        value /= 16;
    } while (value != 0);
    if (int(digits.size()) < width)
        digits.insert(0, std::size_t(width) - digits.size(), '0');
    return digits;
}

} // namespace Text
