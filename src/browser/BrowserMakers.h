#pragma once

#include "ui/WindowMakers.h"

class Settings;

// The browser module the program loads: in modules/ beside the program, or installed in
// ../lib/parlo/modules.
QString browserModulePath();

// The maker of frmBrowser. It loads the browser module from modulePath on its first use, so
// that Qt WebEngine is loaded only when the browser is opened; when the module or the engine
// cannot be loaded it says what is missing in a message box and makes no window (and tries
// again at the next choice). The windows read their pages from settings, which outlive them.
WindowMakers browserWindowMakers(const Settings &settings, const QString &modulePath = browserModulePath());

// The message for a module that the plug-in loader could not load, from the loader's error:
// the missing library and the Debian package that has it, where the error names one.
QString browserLoadFailure(const QString &loaderError, const QString &modulePath);
