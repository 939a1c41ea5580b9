#include "HostConfig.h"

#include "FixedPaths.h"

#include <QCoreApplication>

HostConfig HostConfig::forApplication()
{
    QString compat = qEnvironmentVariable("PARLO_COMPAT_DIR");
    if (compat.isEmpty())
        compat = QCoreApplication::applicationDirPath() + QStringLiteral("/compat");
    return {compat, FixedPaths::defaultDataDirectory()};
}

QProcessEnvironment childEnvironment(const HostConfig &config, int windowStyle)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString path = environment.value(QStringLiteral("PATH"));
    if (path.isEmpty())
        path = QStringLiteral("/usr/local/bin:/usr/bin:/bin");
    environment.insert(QStringLiteral("PATH"), config.compatDirectory + u':' + path);
    environment.insert(FixedPaths::environmentVariable(), config.dataDirectory);
    environment.insert(QStringLiteral("PARLO_WINDOW_STYLE"), QString::number(windowStyle));
    return environment;
}
