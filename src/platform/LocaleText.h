#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The 8-bit text of files and command output, in the encoding of the user's locale.
namespace LocaleText {
// Bytes the encoding cannot read become U+FFFD; the bytes on disk are never rewritten.
QString decode(const QByteArray &bytes);
// The same for the rest of an open file, read piece by piece straight into the text, so that
// a large file costs no more than its text; empty when the file cannot be read.
QString decodeFile(QFile &file);
QByteArray encode(const QString &text);
// The locale's encoding name as Qt knows it.
QByteArray encodingName();
// Writes text to standard output in the locale's encoding and flushes it: how every console
// program prints.
void print(const QString &text);
} // namespace LocaleText
