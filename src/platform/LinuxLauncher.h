#pragma once

#include "FixedPaths.h"
#include "Host.h"
#include "HostConfig.h"

#include <QHash>
#include <QStringList>

// Splits a command line into words as Windows does: blanks separate words, double quotes
// group blanks into a word and are not part of it.
QStringList splitCommandLine(const QString &line);

// The program's full path on a PATH of directories separated by colons; empty when none of
// them holds an executable file of that name. A name holding a slash is taken as it is.
QString findProgram(const QString &name, const QString &path);

// Starts programs detached in their own session, with no shell in between. Parlo never waits
// for them, and they never linger as zombies of Parlo.
class LinuxLauncher final : public ProcessLauncher
{
public:
    explicit LinuxLauncher(HostConfig config) : m_config(std::move(config)), m_paths(m_config.dataDirectory) {}

    Launch start(const QString &commandLine, int windowStyle) override;
    Launch startProgram(const QString &program, const QStringList &arguments, int windowStyle) override;
    Launch startFollowed(const QString &program, const QStringList &arguments, int windowStyle,
                         std::function<void(int exitCode)> ended) override;

private:
    // The environment of the programs started with a window style, made once: Parlo's own
    // environment does not change once it has set itself up.
    struct Environment
    {
        QStringList variables; // NAME=value
        QString path;          // its PATH
    };
    const Environment &environmentFor(int windowStyle);

    HostConfig m_config;
    FixedPaths m_paths;
    QHash<int, Environment> m_environments;
};
