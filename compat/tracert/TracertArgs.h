#pragma once

#include "LinuxTool.h"
#include "WindowsArgs.h"

namespace compat {

LinuxTool tracerouteTool();

// Windows tracert arguments to traceroute arguments (UDP probes, which need no privileges).
Translation translateTracert(const QStringList &arguments);

QString tracertUsage();

} // namespace compat
