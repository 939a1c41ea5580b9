#include "WebEngineSetup.h"

#include <QCoreApplication>

#include <unistd.h>

namespace WebEngineSetup {

namespace {

bool disabledByParlo = false;

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

} // namespace WebEngineSetup
