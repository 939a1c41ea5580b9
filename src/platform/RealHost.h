#pragma once

#include "FixedPaths.h"
#include "GuardDialog.h"
#include "Host.h"
#include "HostConfig.h"
#include "LinuxFacts.h"
#include "LinuxLauncher.h"
#include "QtMessageBoxes.h"
#include "ShellInterpreter.h"
#include "SqliteHistory.h"

// The host Parlo runs on, wired together for the windows.
class RealHost
{
public:
    explicit RealHost(const HostConfig &config)
        : m_paths(config.dataDirectory), m_interpreter(config, m_facts, m_guard), m_runner(m_interpreter),
          m_launcher(config), m_history(HostConfig::historyFile())
    {
    }

    Host host() { return {m_runner, m_launcher, m_messages, m_facts, m_paths, m_history}; }
    // What earlier Parlos left behind when they were killed.
    void tidyUp() const { m_interpreter.removeLeftOutput(); }

private:
    LinuxFacts m_facts;
    FixedPaths m_paths;
    GuardDialog m_guard;
    ShellInterpreter m_interpreter;
    Runner m_runner;
    LinuxLauncher m_launcher;
    QtMessageBoxes m_messages;
    SqliteHistory m_history;
};
