#pragma once

#include "Outcome.h"

class FixedPaths;
class ProcessLauncher;

// The alias book: the names of the alias file, which the main window offers in its alias box.
// It starts programs and reaches the file through the host, and leaves showing to the window.
class AliasBook
{
public:
    AliasBook(ProcessLauncher &launcher, const FixedPaths &paths) : m_launcher(launcher), m_paths(paths) {}

    // Appends name to the file. Names the name for the alias box unless it is empty (Refused),
    // also when it could not be saved (Failed).
    Outcome add(const QString &name) const;
    // The file's names. When it is missing, starts net view to write it, and asks for another try.
    Outcome read() const;
    // Opens the file in the editor.
    Outcome edit() const;

private:
    ProcessLauncher &m_launcher;
    const FixedPaths &m_paths;
};
