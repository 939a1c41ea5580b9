#pragma once

#include "FuzzBytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: the input as bytes, and the input cut into words.
namespace fuzz {

inline QByteArrayView bytes(const uint8_t *data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The input split at NUL bytes, as a program's arguments arrive.
inline QList<QByteArray> words(QByteArrayView input)
{
    QList<QByteArray> result;
    for (const QByteArray &word : input.toByteArray().split('\0'))
        result.append(word);
    return result;
}

inline QStringList stringWords(QByteArrayView input)
{
    QStringList result;
    for (const QByteArray &word : words(input))
        result.append(QString::fromUtf8(word));
    return result;
}

// A data folder that exists for the life of the process, so that mapping drive paths finds it.
inline const QString &dataDirectory()
{
    static const QString directory = [] {
        const QString path = QDir::tempPath() + QStringLiteral("/parlo-fuzz-data");
        QDir().mkpath(path);
        return path;
    }();
    return directory;
}

} // namespace fuzz
