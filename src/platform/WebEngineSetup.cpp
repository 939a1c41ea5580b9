#include "WebEngineSetup.h"

#include "DebianPackages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

#include <unistd.h>

namespace WebEngineSetup {

namespace {

bool disabledByParlo = false;

// Where Qt WebEngine finds something of its own: where the variable says, else path under the
// folder Qt was installed with.
QString enginePath(const char *variable, QLibraryInfo::LibraryPath folder, const QString &path)
{
    const QString named = qEnvironmentVariable(variable);
    return named.isEmpty() ? QLibraryInfo::path(folder) + u'/' + path : named;
}

// A sentence naming the file and its package when there is no file at path.
QString missingFile(const QString &path, const QString &role)
{
    if (QFileInfo::exists(path))
        return {};
    return QStringLiteral("The browser needs %1 %2, which is not installed.").arg(role, path) +
           installSentence(QFileInfo(path).fileName());
}

} // namespace

bool sandboxToDisable(bool root, bool variableSet)
{
    return root && !variableSet;
}

void prepareProcess()
{
    if (sandboxToDisable(geteuid() == 0, qEnvironmentVariableIsSet(disableSandboxVariable))) {
        qputenv(disableSandboxVariable, "1");
        disabledByParlo = true;
    }
}

bool sandboxDisabledByParlo()
{
    return disabledByParlo;
}

QString missingEngine()
{
    const QString process = enginePath("QTWEBENGINE_PROCESS_PATH", QLibraryInfo::LibraryExecutablesPath,
                                       QStringLiteral("QtWebEngineProcess"));
    const QString resources =
        enginePath("QTWEBENGINE_RESOURCES_PATH", QLibraryInfo::DataPath, QStringLiteral("resources")) +
        QStringLiteral("/qtwebengine_resources.pak");
    QString missing = missingFile(process, QStringLiteral("Qt WebEngine's program"));
    if (missing.isEmpty())
        missing = missingFile(resources, QStringLiteral("Qt WebEngine's resources"));
    return missing;
}

} // namespace WebEngineSetup
