#pragma once

#include <QProcessEnvironment>
#include <QString>

struct HostConfig;

// What Parlo tells the programs it starts, and how they read it back: the one place that
// names the variables between Parlo and its console programs.
namespace ChildContract {

// The data folder that holds the files of the fixed drive paths.
inline constexpr char dataDirectoryVariable[] = "PARLO_DATA_DIR";
// The window style a program was started with (1, 2 or 6).
inline constexpr char windowStyleVariable[] = "PARLO_WINDOW_STYLE";
// Where Parlo finds its console programs, when not beside its own program.
inline constexpr char compatDirectoryVariable[] = "PARLO_COMPAT_DIR";
// Moves every Linux program the console programs run under another root folder (for tests).
inline constexpr char programRootVariable[] = "PARLO_TOOL_ROOT";

// The environment of a process Parlo starts: its own (without what Parlo set only for its own
// browser engine), with compat/ first on PATH, the data folder, and the window style for
// programs that open windows.
QProcessEnvironment childEnvironment(const HostConfig &config, int windowStyle);

// In a child: the data folder Parlo named, else the default one.
QString dataDirectory();
// In a child: the window style Parlo named, else fallback.
int windowStyle(int fallback);

} // namespace ChildContract
