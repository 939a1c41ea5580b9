#include "BrowserMakers.h"

#include "BrowserModule.h"
#include "DebianPackages.h"
#include "HostConfig.h"
#include "WebEngineContext.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPluginLoader>
#include <QRegularExpression>

#include <memory>

namespace {

// Loads the module at its first use and keeps it: the engine cannot be unloaded safely.
class ModuleLoader
{
public:
    explicit ModuleLoader(QString path) : m_path(std::move(path)) {}

    // The module, or nullptr with the message that says why it cannot be loaded.
    BrowserModule *module(QString &failure)
    {
        if (m_module)
            return m_module;
        if (!QFileInfo::exists(m_path)) {
            failure = QStringLiteral("The browser cannot be opened: its module %1 is missing.").arg(m_path);
            return nullptr;
        }
        prepareWebEngineContext();
        auto loader = std::make_unique<QPluginLoader>(m_path);
        m_module = qobject_cast<BrowserModule *>(loader->instance());
        if (!m_module) {
            failure = browserLoadFailure(loader->errorString(), m_path);
            return nullptr;
        }
        m_loader = std::move(loader);
        return m_module;
    }

private:
    QString m_path;
    std::unique_ptr<QPluginLoader> m_loader;
    BrowserModule *m_module = nullptr;
};

} // namespace

QString browserModulePath()
{
    return HostConfig::programFolder(QCoreApplication::applicationDirPath(), QStringLiteral("modules")) + u'/' +
           QLatin1String(PARLO_BROWSER_MODULE_FILE);
}

WindowMakers browserWindowMakers(const Settings &settings, const QString &modulePath)
{
    auto loader = std::make_shared<ModuleLoader>(modulePath);
    const WindowMaker maker = [&settings, loader](Host host) -> QWidget * {
        QString failure;
        BrowserModule *module = loader->module(failure);
        if (module)
            failure = module->missingEngine();
        if (!failure.isEmpty()) {
            reportFailure(host.messages, failure);
            return nullptr;
        }
        return module->makeWindow(settings);
    };
    return {{QStringLiteral("frmBrowser"), maker}};
}

QString browserLoadFailure(const QString &loaderError, const QString &modulePath)
{
    // The dynamic linker's words for a library it cannot find or read.
    static const QRegularExpression missing(QStringLiteral("([^\\s():]+\\.so[\\w.]*): cannot open shared object file"));
    const QRegularExpressionMatch match = missing.match(loaderError);
    if (!match.hasMatch())
        return QStringLiteral("The browser cannot be opened: its module %1 cannot be loaded (%2).")
            .arg(modulePath, loaderError);
    const QString library = match.captured(1);
    const QString package = debianPackageOf(library);
    QString text = QStringLiteral("The browser needs %1, which is not installed.").arg(library);
    if (!package.isEmpty())
        text += QStringLiteral(" Install the Debian package %1.").arg(package);
    return text;
}
