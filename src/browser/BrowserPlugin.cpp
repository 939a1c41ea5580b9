#include "BrowserModule.h"
#include "frmBrowser.h"
#include "platform/DebianPackages.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QObject>

namespace {

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
    QString text = QStringLiteral("The browser needs %1 %2, which is not installed.").arg(role, path);
    const QString package = debianPackageOf(QFileInfo(path).fileName());
    if (!package.isEmpty())
        text += QStringLiteral(" Install the Debian package %1.").arg(package);
    return text;
}

} // namespace

// The browser module's one entry: the window, once the engine is known to be complete.
class BrowserPlugin final : public QObject, public BrowserModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrowserModule_iid)
    Q_INTERFACES(BrowserModule)

public:
    // The engine ends the whole process when its helper program or its resources are missing,
    // so they are looked for first.
    QString missingEngine() const override
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

    QWidget *makeWindow(const Settings &settings) override { return new frmBrowser(settings); }
};

#include "BrowserPlugin.moc"
