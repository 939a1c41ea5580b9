#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include "WindowsArgs.h"

namespace compat {

// A Linux program a console command hands its work to.
struct LinuxProgram
{
    QString name;      // the program's name: "traceroute"
    QStringList paths; // absolute paths to try, in order
    QString package;   // the Debian package that installs it
};

// ip(8), which more than one command uses.
LinuxProgram ipProgram();

// The first of the program's paths that is an executable file; empty when none is.
QString locateProgram(const LinuxProgram &program);

// The line printed when the program is not installed.
QString missingProgramLine(const LinuxProgram &program);

// Replaces this process by the program, with standard input from /dev/null and standard error on
// standard output. Returns only when that fails, with the exit code for the caller to return,
// after saying why on standard output.
int execProgram(const LinuxProgram &program, const QStringList &arguments);

// execProgram() for the program at a path found by other means.
int execProgramAt(const QString &path, const QStringList &arguments);

// What a console program says when Linux refused it for lack of rights, in one sentence:
// "The ARP entry deletion failed" gives "The ARP entry deletion failed: access is denied without
// administrator rights.\n".
QString deniedLine(const QString &failure);

// execProgram(), but with the program as a child whose output (standard error merged) is passed
// on line by line, except the lines that match `denial`: the first of them is replaced by
// deniedLine(failure), the others left out. Returns the program's exit code.
int runExplainingDenial(const LinuxProgram &program, const QStringList &arguments, const QRegularExpression &denial,
                        const QString &failure);

// This console program's arguments, without its own name.
QStringList commandArguments(int argc, char **argv);

// Prints the translation's text and returns its exit code, or hands its arguments to the program.
int carryOut(const Translation &translation, const LinuxProgram &program);

struct ProgramRun
{
    bool found = false; // false: the program is missing, nothing ran
    bool started = false;
    int exitCode = -1;
    QByteArray output; // standard output
    QByteArray errors; // standard error
};

// Runs the program to its end with standard input from /dev/null.
ProgramRun runProgram(const LinuxProgram &program, const QStringList &arguments);

} // namespace compat
