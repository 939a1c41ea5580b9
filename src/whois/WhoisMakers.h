#pragma once

#include "ui/WindowMakers.h"

// The whois module the program loads: in modules/ beside the program, or installed in
// ../lib/parlo/modules.
QString whoisModulePath();

// The maker of the whois window. It loads the whois module from modulePath on its first use,
// so that Qt's network library is not loaded at start; when the module cannot be loaded it says
// why in a message box and makes no window (and tries again at the next choice).
WindowMakers whoisModuleMakers(const QString &modulePath = whoisModulePath());
