#pragma once

#include "FixedPaths.h"
#include "GuardDialog.h"
#include "Host.h"
#include "HostConfig.h"
#include "LinuxFacts.h"
#include "LinuxLauncher.h"
#include "QtMessageBoxes.h"
#include "ShellInterpreter.h"
#include "StoreLoader.h"

// The host Parlo runs on, wired together for the windows.
class RealHost
{
public:
    explicit RealHost(const HostConfig &config)
        : m_paths(config.dataDirectory), m_interpreter(config, m_facts, m_guard), m_runner(m_interpreter),
          m_launcher(config), m_store(std::make_shared<StoreLoader>(storeModulePath())),
          m_history(m_store, HostConfig::historyFile())
    {
    }

    Host host() { return {m_runner, m_launcher, m_messages, m_facts, m_paths, m_history}; }
    // The receipt book in file, kept by the store module as the history is.
    std::unique_ptr<ReceiptBook> receiptBook(const QString &file) const
    {
        return std::make_unique<LoadedReceipts>(m_store, file);
    }
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
    std::shared_ptr<StoreLoader> m_store;
    LoadedHistory m_history;
};
