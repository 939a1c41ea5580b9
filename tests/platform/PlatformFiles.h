#pragma once

// Environments and files that the platform tests hand to the code they check.

#include "TestFiles.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>

// An environment holding the NAME=value settings given, and nothing else.
inline QProcessEnvironment environmentOf(const QStringList &settings)
{
    QProcessEnvironment environment;
    for (const QString &setting : settings)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    return environment;
}

// Writes the texts to 1.SUFFIX, 2.SUFFIX, ... in temp, as UTF-8 with each <E9> standing for a
// byte that is not UTF-8, and gives their paths in the same order.
inline QStringList writeNumbered(const QTemporaryDir &temp, const QStringList &texts, const QString &suffix)
{
    QStringList paths;
    for (const QString &text : texts) {
        paths << temp.filePath(QStringLiteral("%1.%2").arg(paths.size() + 1).arg(suffix));
        writeFile(paths.last(), text.toUtf8().replace("<E9>", "\xE9"));
    }
    return paths;
}
