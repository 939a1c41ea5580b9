#include "HostConfig.h"

#include "ChildContract.h"
#include "FixedPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

HostConfig HostConfig::forApplication()
{
    QString compat = qEnvironmentVariable(ChildContract::compatDirectoryVariable);
    if (compat.isEmpty())
        compat = programFolder(QCoreApplication::applicationDirPath(), QStringLiteral("compat"));
    return {compat, FixedPaths::defaultDataDirectory()};
}

QString HostConfig::programFolder(const QString &programDirectory, const QString &name)
{
    const QString beside = QDir::cleanPath(programDirectory + u'/' + name);
    const QString installed = QDir::cleanPath(programDirectory + QStringLiteral("/../lib/parlo/") + name);
    if (!QFileInfo(beside).isDir() && QFileInfo(installed).isDir())
        return installed;
    return beside;
}

QString HostConfig::messageSpool()
{
    const QString spool = qEnvironmentVariable("PARLO_SPOOL");
    return spool.isEmpty() ? QStringLiteral("/var/spool/parlo") : spool;
}
