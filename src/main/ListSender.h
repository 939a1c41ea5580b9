#pragma once

#include "Outcome.h"

class FixedPaths;
class ProcessLauncher;

// The four distribution lists: one net per name, started side by side without waiting. It
// reaches the files and programs through the host, and leaves showing to the window.
class ListSender
{
public:
    ListSender(ProcessLauncher &launcher, const FixedPaths &paths) : m_launcher(launcher), m_paths(paths) {}

    // Sends message to every name of list 1 to 4, or to nobody when one of them cannot carry it.
    Outcome send(int list, const QString &message) const;
    // Opens the list's file in the editor.
    Outcome edit(int list) const;

private:
    ProcessLauncher &m_launcher;
    const FixedPaths &m_paths;
};
