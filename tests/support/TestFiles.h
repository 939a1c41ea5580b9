#pragma once

// Files a test writes and reads back, and the calls a recording fake saw, one line each.

#include "Fakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// Writes bytes to path, making its folder first; with executable, as a program its owner can run.
inline void writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// The bytes of the file at path, or "<missing>".
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// "TITLE (i): TEXT" for each box (without "(i)" unless informational), "STYLE LINE" for each run or start.
inline QStringList lines(const auto &calls)
{
    QStringList lines;
    for (const auto &call : calls) {
        if constexpr (requires { call.icon; })
            lines << call.title + QLatin1String(call.icon == BoxIcon::Information ? " (i): " : ": ") + call.text;
        else if constexpr (requires { call.command; })
            lines << QString::number(call.windowStyle) + u' ' + call.command;
        else
            lines << QString::number(call.windowStyle) + u' ' + call.commandLine;
    }
    return lines;
}
