#pragma once

#include <QString>

// What the process must do for Qt WebEngine, which Parlo loads only when the browser opens.
namespace WebEngineSetup {

// Chromium refuses to start its sandbox as root; this variable turns it off.
inline constexpr char disableSandboxVariable[] = "QTWEBENGINE_DISABLE_SANDBOX";

// Whether Parlo has to turn the sandbox off itself: only as root, and only when the user has
// not set the variable either way.
bool sandboxToDisable(bool root, bool variableSet);

// Call before the application object is made: turns the sandbox off for this process when it
// runs as root. (The engine's OpenGL context is made when the engine is loaded: see
// WebEngineContext.h.)
void prepareProcess();

// Whether prepareProcess() set the sandbox variable: the programs Parlo starts do not inherit it.
bool sandboxDisabledByParlo();

// A sentence naming the engine's helper program or resource file, and its package, when it is
// missing; empty when both are there. The engine ends the whole process without them.
QString missingEngine();

} // namespace WebEngineSetup
