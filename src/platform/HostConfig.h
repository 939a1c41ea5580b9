#pragma once

#include <QString>

// Where Parlo's own console programs and data files are.
struct HostConfig
{
    QString compatDirectory; // the Windows-named console programs, first on every child's PATH
    QString dataDirectory;   // the home of the fixed drive paths

    // The compat folder named in the environment, else compat/ beside the program; the default
    // data folder.
    static HostConfig forApplication();
};
