#pragma once

#include "Host.h"
#include "RegistryStore.h"

#include <QProcessEnvironment>
#include <QStringList>

// This computer's host name as the system tells it; nothing when it cannot, or it is empty.
std::optional<QString> systemHostName();

// The files that the facts are read from; tests point them at files of their own.
struct FactSources
{
    QString meminfo = QStringLiteral("/proc/meminfo");
    QStringList osRelease{QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")}; // the first found
    QString sambaConfig = QStringLiteral("/etc/samba/smb.conf");
    std::optional<QStringList> registryFiles; // nothing: RegistryStore::standardFiles for this program
};

// Host facts read from the running Linux system.
class LinuxFacts final : public HostFacts
{
public:
    explicit LinuxFacts(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
                        FactSources sources = {});

    // The host name, cut to the 31 characters that a 32-character buffer holds.
    std::optional<QString> computerName() const override;
    // The first IPv4 address of an interface that is up and not loopback; 127.0.0.1 when none.
    QString localIpAddress() const override;
    // Windows names: username falls back to USER and LOGNAME, TEMP to TMPDIR and /tmp.
    QString environment(const QString &name) const override;
    // Port 43 and IANA's bootstrap file, kept in $XDG_CACHE_HOME/parlo (or ~/.cache/parlo).
    WhoisSettings whoisSettings() const override;
    // The running kernel's major and minor number.
    VersionPair version() const override;
    // MemTotal and MemAvailable of /proc/meminfo.
    MemoryStatus memoryStatus() const override;
    // Samba's workgroup (see sambaWorkgroup).
    QString workgroup() const override;
    // PRETTY_NAME of os-release.
    QString systemName() const override;
    // From the registry store's files.
    RegistryLookup registryValue(quint32 root, const QString &key, const QString &name) const override;
    // The places HostConfig names.
    ReceivePlaces receivePlaces() const override;
    // The page HostConfig finds for this program.
    QString webPage() const override;

    const RegistryStore &registry() const { return m_registry; }

private:
    QString lookup(const QString &name) const;

    QProcessEnvironment m_environment;
    FactSources m_sources;
    RegistryStore m_registry;
};
