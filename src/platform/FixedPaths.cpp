#include "FixedPaths.h"

#include <QDir>
#include <QStandardPaths>

QString FixedPaths::defaultDataDirectory()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/parlo");
}

bool FixedPaths::isDrivePath(const QString &path)
{
    return path.size() > 3 && (path[0] == u'c' || path[0] == u'C') && path[1] == u':' && path[2] == u'\\';
}

QString FixedPaths::map(const QString &path) const
{
    if (!isDrivePath(path))
        return path;
    QDir().mkpath(m_dataDirectory);
    QString name = path.mid(3);
    name.replace(u'\\', u'/');
    return m_dataDirectory + u'/' + name;
}

QString FixedPaths::mapWindowsPath(const QString &path) const
{
    if (isDrivePath(path))
        return map(path);
    return QString(path).replace(u'\\', u'/');
}

QString FixedPaths::mapWord(const QString &word) const
{
    qsizetype redirect = 0;
    while (redirect < 2 && redirect < word.size() && word[redirect] == u'>')
        ++redirect;
    return word.left(redirect) + map(word.mid(redirect));
}
