#pragma once

#include "LinuxProgram.h"
#include "WindowsArgs.h"

namespace compat {

LinuxProgram tracerouteProgram();

// Windows tracert arguments to traceroute arguments (UDP probes, which need no privileges).
Translation translateTracert(const QStringList &arguments);

QString tracertUsage();

} // namespace compat
