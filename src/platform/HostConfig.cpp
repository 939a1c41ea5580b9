#include "HostConfig.h"

#include "ChildContract.h"
#include "FixedPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

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

QString HostConfig::modulePath(const QString &file)
{
    return programFolder(QCoreApplication::applicationDirPath(), QStringLiteral("modules")) + u'/' + file;
}

QString HostConfig::webPage(const QString &programDirectory)
{
    const QString page = QStringLiteral("/parlo/index.html");
    QString found = QStringLiteral("/usr/share") + page;
    for (const char *shipped : {"/share", "/../share"}) {
        const QString path = QDir::cleanPath(programDirectory + QLatin1String(shipped) + page);
        if (QFileInfo::exists(path)) {
            found = path;
            break;
        }
    }
    return QUrl::fromLocalFile(found).toString();
}

QString HostConfig::messageSpool()
{
    const QString spool = qEnvironmentVariable("PARLO_SPOOL");
    return spool.isEmpty() ? QStringLiteral("/var/spool/parlo") : spool;
}

namespace {

QString stateFolder()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    return (state.startsWith(u'/') ? state : QDir::homePath() + QStringLiteral("/.local/state")) +
           QStringLiteral("/parlo");
}

} // namespace

QString HostConfig::receiptFile()
{
    return stateFolder() + QStringLiteral("/received.sqlite");
}

QString HostConfig::receiverLock()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.startsWith(u'/') ? runtime + QStringLiteral("/parlo-receive.lock")
                                    : stateFolder() + QStringLiteral("/receive.lock");
}

QString HostConfig::instanceSocket()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.startsWith(u'/') ? runtime + QStringLiteral("/parlo-instance")
                                    : stateFolder() + QStringLiteral("/instance");
}

QString HostConfig::historyFile()
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    return (data.startsWith(u'/') ? data : QDir::homePath() + QStringLiteral("/.local/share")) +
           QStringLiteral("/parlo/history.sqlite");
}
