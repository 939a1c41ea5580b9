#pragma once

#include "Outcome.h"

#include <functional>

class FixedPaths;
class ProcessLauncher;

// The four distribution lists: one net per name, started side by side without waiting. Beside
// that it follows how each copy fares, keeps it in the history, and once every net has ended
// says so in one line. It reaches the files, programs and history through the host, and leaves
// showing to the window.
class ListSender
{
public:
    using Report = std::function<void(const QString &report)>;

    ListSender(ProcessLauncher &launcher, const FixedPaths &paths, MessageHistory &history)
        : m_launcher(launcher), m_paths(paths), m_history(history)
    {
    }

    // Sends message to every name of list 1 to 4, or to nobody when one of them cannot carry it.
    // report gets listReport()'s line once every net that started has ended.
    Outcome send(int list, const QString &message, const Report &report = {}) const;
    // Opens the list's file in the editor.
    Outcome edit(int list) const;

private:
    ProcessLauncher &m_launcher;
    const FixedPaths &m_paths;
    MessageHistory &m_history;
};
