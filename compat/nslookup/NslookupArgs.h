#pragma once

#include "LinuxTool.h"

namespace compat {

LinuxTool nslookupTool();

// nslookup [-opt ...] NAME [SERVER] for BIND's nslookup, with a short time-out and few tries
// unless the options say otherwise. Never interactive: without a name, the usage text.
Translation translateNslookup(const QStringList &arguments);

QString nslookupUsage();

} // namespace compat
