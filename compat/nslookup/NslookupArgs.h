#pragma once

#include "LinuxProgram.h"

namespace compat {

LinuxProgram nslookupProgram();

// nslookup [-opt ...] NAME [SERVER] for BIND's nslookup, with a short time-out and few tries
// unless the options say otherwise. Never interactive: without a name, the usage text.
Translation translateNslookup(const QStringList &arguments);

QString nslookupUsage();

} // namespace compat
