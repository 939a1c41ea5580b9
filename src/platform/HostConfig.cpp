#include "HostConfig.h"

#include "ChildContract.h"
#include "FixedPaths.h"

#include <QCoreApplication>

HostConfig HostConfig::forApplication()
{
    QString compat = qEnvironmentVariable(ChildContract::compatDirectoryVariable);
    if (compat.isEmpty())
        compat = QCoreApplication::applicationDirPath() + QStringLiteral("/compat");
    return {compat, FixedPaths::defaultDataDirectory()};
}
