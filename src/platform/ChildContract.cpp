#include "ChildContract.h"

#include "FixedPaths.h"
#include "HostConfig.h"
#include "WebEngineSetup.h"

namespace ChildContract {

QProcessEnvironment childEnvironment(const HostConfig &config, int windowStyle)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (WebEngineSetup::sandboxDisabledByParlo())
        environment.remove(QLatin1String(WebEngineSetup::disableSandboxVariable));
    QString path = environment.value(QStringLiteral("PATH"));
    if (path.isEmpty())
        path = QStringLiteral("/usr/local/bin:/usr/bin:/bin");
    environment.insert(QStringLiteral("PATH"), config.compatDirectory + u':' + path);
    environment.insert(QLatin1String(dataDirectoryVariable), config.dataDirectory);
    environment.insert(QLatin1String(windowStyleVariable), QString::number(windowStyle));
    return environment;
}

QString dataDirectory()
{
    const QString data = qEnvironmentVariable(dataDirectoryVariable);
    return data.isEmpty() ? FixedPaths::defaultDataDirectory() : data;
}

int windowStyle(int fallback)
{
    bool known = false;
    const int style = qEnvironmentVariableIntValue(windowStyleVariable, &known);
    return known ? style : fallback;
}

} // namespace ChildContract
