#include "BrowserMakers.h"

#include "BrowserModule.h"
#include "platform/DebianPackages.h"
#include "platform/HostConfig.h"
#include "platform/ModuleLoader.h"
#include "platform/WebEngineContext.h"

#include <memory>

QString browserModulePath()
{
    return HostConfig::modulePath(QStringLiteral(PARLO_BROWSER_MODULE_FILE));
}

WindowMakers browserWindowMakers(const Settings &settings, const QString &modulePath)
{
    auto loader = std::make_shared<ModuleLoader<BrowserModule>>(modulePath);
    const WindowMaker maker = [&settings, loader](Host host) -> QWidget * {
        prepareWebEngineContext();
        QString failure;
        BrowserModule *module = loader->module(failure);
        if (!module && failure.isEmpty())
            failure = QStringLiteral("The browser cannot be opened: its module %1 is missing.").arg(loader->path());
        else if (!module)
            failure = browserLoadFailure(failure, loader->path());
        else
            failure = module->missingEngine();
        if (!failure.isEmpty()) {
            reportFailure(host.messages, failure);
            return nullptr;
        }
        return module->makeWindow(settings, host.facts.webPage());
    };
    return {{QStringLiteral("frmBrowser"), maker}};
}

QString browserLoadFailure(const QString &loaderError, const QString &modulePath)
{
    const QString library = missingLibraryOf(loaderError);
    if (library.isEmpty())
        return QStringLiteral("The browser cannot be opened: its module %1 cannot be loaded (%2).")
            .arg(modulePath, loaderError);
    return QStringLiteral("The browser needs %1, which is not installed.").arg(library) + installSentence(library);
}
