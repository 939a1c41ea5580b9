#pragma once

#include "LinuxProgram.h"
#include "WindowsArgs.h"

namespace compat {

LinuxProgram pingProgram();

// Windows ping arguments to iputils ping arguments: four echoes unless -n or -t says
// otherwise, numeric replies unless -a asks for names, unanswered echoes reported.
Translation translatePing(const QStringList &arguments);

QString pingUsage();

} // namespace compat
