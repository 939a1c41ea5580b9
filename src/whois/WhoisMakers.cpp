#include "WhoisMakers.h"

#include "WhoisModule.h"
#include "platform/HostConfig.h"
#include "platform/ModuleLoader.h"

#include <memory>

QString whoisModulePath()
{
    return HostConfig::modulePath(QStringLiteral(PARLO_WHOIS_MODULE_FILE));
}

WindowMakers whoisModuleMakers(const QString &modulePath)
{
    auto loader = std::make_shared<ModuleLoader<WhoisModule>>(modulePath);
    const WindowMaker maker = [loader](Host host) -> QWidget * {
        QString error;
        WhoisModule *module = loader->module(error);
        if (module)
            return module->makeWindow(host);
        const QString failure =
            error.isEmpty()
                ? QStringLiteral("The whois window cannot be opened: its module %1 is missing.").arg(loader->path())
                : QStringLiteral("The whois window cannot be opened: its module %1 cannot be loaded (%2).")
                      .arg(loader->path(), error);
        reportFailure(host.messages, failure);
        return nullptr;
    };
    return {{QStringLiteral("whois"), maker}};
}
