#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "WindowsArgs.h"

namespace compat {

// A Linux program a console command hands its work to.
struct LinuxTool
{
    QString name;      // the program's name: "traceroute"
    QStringList paths; // absolute paths to try, in order
    QString package;   // the Debian package that installs it
};

// ip(8), which more than one command uses.
LinuxTool ipTool();

// The first of the tool's paths that is an executable file; empty when none is.
QString locateTool(const LinuxTool &tool);

// The line printed when the tool is not installed.
QString missingToolLine(const LinuxTool &tool);

// Replaces this process by the tool, with standard input from /dev/null and standard error on
// standard output. Returns only when that fails, with the exit code for the caller to return,
// after saying why on standard output.
int execTool(const LinuxTool &tool, const QStringList &arguments);

// execTool() for a program found by other means.
int execProgram(const QString &path, const QStringList &arguments);

// The program's arguments, without its own name.
QStringList commandArguments(int argc, char **argv);

// Prints the translation's text and returns its exit code, or hands its arguments to the tool.
int carryOut(const Translation &translation, const LinuxTool &tool);

struct ToolRun
{
    bool found = false; // false: the tool is missing, nothing ran
    bool started = false;
    int exitCode = -1;
    QByteArray output; // standard output
    QByteArray errors; // standard error
};

// Runs the tool to its end with standard input from /dev/null.
ToolRun runTool(const LinuxTool &tool, const QStringList &arguments);

} // namespace compat
