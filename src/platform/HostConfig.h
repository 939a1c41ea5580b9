#pragma once

#include <QProcessEnvironment>
#include <QString>

// Where Parlo's own console programs and data files are.
struct HostConfig
{
    QString compatDirectory; // the Windows-named console programs, first on every child's PATH
    QString dataDirectory;   // the home of the fixed drive paths

    // PARLO_COMPAT_DIR when set, else compat/ beside the program; the default data folder.
    static HostConfig forApplication();
};

// The environment of a process Parlo starts: its own, with compat/ first on PATH, the data
// folder, and the window style for programs that open windows.
QProcessEnvironment childEnvironment(const HostConfig &config, int windowStyle);
