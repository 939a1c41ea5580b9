#pragma once

#include <QFileInfo>
#include <QPluginLoader>
#include <QString>

#include <memory>

// Loads a module (a Qt plug-in implementing Module) at its first use and keeps it: a module
// cannot be unloaded safely while its windows, the objects it made or their code may still run.
template <class Module> class ModuleLoader
{
public:
    explicit ModuleLoader(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }

    // The module; nullptr when its file is missing (error empty) or it cannot be loaded (error
    // says why, in the plug-in loader's words).
    Module *module(QString &error)
    {
        error.clear();
        if (m_module || !QFileInfo::exists(m_path))
            return m_module;
        auto loader = std::make_unique<QPluginLoader>(m_path);
        m_module = qobject_cast<Module *>(loader->instance());
        if (!m_module) {
            error = loader->errorString();
            return nullptr;
        }
        m_loader = std::move(loader);
        return m_module;
    }

private:
    QString m_path;
    std::unique_ptr<QPluginLoader> m_loader;
    Module *m_module = nullptr;
};
