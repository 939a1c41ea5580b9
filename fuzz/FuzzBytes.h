#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The input as the standard library's strings, for targets that link no Qt.
namespace fuzz {

inline std::string_view stdBytes(const uint8_t *data, size_t size)
{
    return std::string_view(reinterpret_cast<const char *>(data), size);
}

// The input split at NUL bytes, in the standard library's strings.
inline std::vector<std::string> stdWords(std::string_view input)
{
    std::vector<std::string> result;
    for (std::size_t end = input.find('\0'); end != std::string_view::npos; end = input.find('\0')) {
        result.emplace_back(input.substr(0, end));
        input.remove_prefix(end + 1);
    }
    result.emplace_back(input);
    return result;
}

} // namespace fuzz
