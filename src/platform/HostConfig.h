#pragma once

#include <QString>

// Where Parlo's own console programs and data files are.
struct HostConfig
{
    QString compatDirectory; // the Windows-named console programs, first on every child's PATH
    QString dataDirectory;   // the home of the fixed drive paths

    // The compat folder named in the environment, else Parlo's compat folder (see
    // programFolder()); the default data folder.
    static HostConfig forApplication();

    // One of Parlo's own folders (compat, modules) for the program in programDirectory: NAME
    // beside the program, as in the build tree, else ../lib/parlo/NAME, as installed. When
    // neither exists, the folder beside the program, for messages to name.
    static QString programFolder(const QString &programDirectory, const QString &name);

    // A module of this program's (a window or the store Qt SQL comes with): file in its modules
    // folder (see programFolder()).
    static QString modulePath(const QString &file);

    // Parlo's own web page, which ships with it, as a file:// address: share/parlo/index.html
    // beside the program in the build tree, else below ../share as installed. When neither
    // exists, where the package installs it.
    static QString webPage(const QString &programDirectory);

    // The folder where received messages wait to be shown: $PARLO_SPOOL, else /var/spool/parlo.
    static QString messageSpool();
    // Which received messages this user has acknowledged: $XDG_STATE_HOME/parlo/received.sqlite
    // (by default ~/.local/state/parlo/received.sqlite).
    static QString receiptFile();
    // The lock held by the one Parlo of this user that receives: in $XDG_RUNTIME_DIR, else
    // beside the receipt file.
    static QString receiverLock();
    // Where a background Parlo of this user listens for other Parlos: in $XDG_RUNTIME_DIR, else
    // beside the receipt file.
    static QString instanceSocket();
    // The message history: $XDG_DATA_HOME/parlo/history.sqlite (by default
    // ~/.local/share/parlo/history.sqlite).
    static QString historyFile();
};
