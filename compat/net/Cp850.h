#pragma once

#include <QByteArray>
#include <QString>

// The DOS code page 850, in which messenger names and texts travel.
namespace Cp850 {

// The bytes of a text, or the first character the code page has no byte for.
struct Encoding
{
    QByteArray bytes;
    char32_t refused = 0; // 0 when every character was encoded
    bool ok() const { return refused == 0; }
};

// NUL and every character outside the code page are refused; nothing is replaced.
Encoding encode(QStringView text);
QString decode(QByteArrayView bytes);

} // namespace Cp850
