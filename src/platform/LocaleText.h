#pragma once

#include <QByteArray>
#include <QString>

// The 8-bit text of files and command output, in the encoding of the user's locale.
namespace LocaleText {
// Bytes the encoding cannot read become U+FFFD; the bytes on disk are never rewritten.
QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);
// The locale's encoding name as Qt knows it.
QByteArray encodingName();
// Writes text to standard output in the locale's encoding and flushes it: how every console
// program prints.
void print(const QString &text);
} // namespace LocaleText
