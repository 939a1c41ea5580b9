#pragma once

#include "LinuxProgram.h"

#include <chrono>
#include <functional>

namespace compat {

LinuxProgram telnetProgram();

// telnet.exe [-a] [-l user] [host [port]] as telnet arguments, or the usage text.
Translation translateTelnet(const QStringList &arguments);

// The command a terminal window runs: telnet, kept open after a failure until Enter, so that
// its message can be read.
QStringList telnetWindowCommand(const QString &telnetPath, const QStringList &telnetArguments);

// The title of the window: "telnet HOST PORT" with the host and port given, else "Telnet".
QString telnetWindowTitle(const QStringList &telnetArguments);

// The full command line that opens the first terminal emulator `find` knows (it maps a
// program name to its path, or to an empty text), running the command in a window with the
// title when the terminal takes one; empty when none is installed. x-terminal-emulator comes
// first, then the usual terminals.
QStringList terminalCommand(const std::function<QString(const QString &)> &find, const QString &title,
                            const QStringList &command);

// How long a terminal emulator is watched after its start: one that fails, fails at once.
inline constexpr std::chrono::milliseconds terminalPatience{1500};

// Starts the terminal's command line as a child and watches it for terminalPatience. Returns
// the text that says why there is no window: it could not start, or ended at once by a signal
// or with a failing exit status. Empty when it runs, or ended well; it is left running.
QString openTerminal(const QStringList &line);

// The word quoted for /bin/sh.
QString shellQuote(const QString &word);

QString noTerminalText();

} // namespace compat
