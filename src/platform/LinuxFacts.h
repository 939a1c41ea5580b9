#pragma once

#include "Host.h"

#include <QProcessEnvironment>

// This computer's host name as the system tells it; nothing when it cannot, or it is empty.
std::optional<QString> systemHostName();

// Host facts read from the running Linux system.
class LinuxFacts final : public HostFacts
{
public:
    explicit LinuxFacts(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
        : m_environment(std::move(environment))
    {
    }

    // The host name, cut to the 31 characters that a 32-character buffer holds.
    std::optional<QString> computerName() const override;
    // The first IPv4 address of an interface that is up and not loopback; 127.0.0.1 when none.
    QString localIpAddress() const override;
    // Windows names: username falls back to USER and LOGNAME, TEMP to TMPDIR and /tmp.
    QString environment(const QString &name) const override;
    // Port 43 and IANA's bootstrap file, kept in $XDG_CACHE_HOME/parlo (or ~/.cache/parlo).
    WhoisSettings whoisSettings() const override;

private:
    QString lookup(const QString &name) const;

    QProcessEnvironment m_environment;
};
