#include "LinuxFacts.h"

#include "HostConfig.h"
#include "SystemFacts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

std::optional<QString> systemHostName()
{
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0')
        return std::nullopt;
    return QString::fromLocal8Bit(buffer);
}

namespace {

std::optional<QString> readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

QString programDirectory()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

} // namespace

LinuxFacts::LinuxFacts(QProcessEnvironment environment, FactSources sources)
    : m_environment(std::move(environment)), m_sources(std::move(sources)),
      m_registry(m_sources.registryFiles.value_or(RegistryStore::standardFiles(programDirectory(), m_environment)))
{
}

std::optional<QString> LinuxFacts::computerName() const
{
    const std::optional<QString> name = systemHostName();
    if (!name)
        return std::nullopt;
    return name->left(31);
}

QString LinuxFacts::localIpAddress() const
{
    // The first IPv4 address of an interface that is up and not the loopback, in the order of
    // the interfaces' indexes.
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return QStringLiteral("127.0.0.1");
    unsigned bestIndex = 0;
    QString best;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP) ||
            (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const unsigned index = ::if_nametoindex(entry->ifa_name);
        if (!best.isEmpty() && index >= bestIndex)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr, text,
                        sizeof text)) {
            best = QString::fromLatin1(text);
            bestIndex = index;
        }
    }
    ::freeifaddrs(list);
    return best.isEmpty() ? QStringLiteral("127.0.0.1") : best;
}

QString LinuxFacts::lookup(const QString &name) const
{
    if (m_environment.contains(name))
        return m_environment.value(name);
    const QStringList keys = m_environment.keys();
    for (const QString &key : keys) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return m_environment.value(key);
    }
    return {};
}

QString LinuxFacts::environment(const QString &name) const
{
    QString value = lookup(name);
    if (!value.isEmpty())
        return value;
    if (name.compare(u"username", Qt::CaseInsensitive) == 0) {
        for (const char *fallback : {"USER", "LOGNAME"}) {
            value = lookup(QString::fromLatin1(fallback));
            if (!value.isEmpty())
                return value;
        }
    } else if (name.compare(u"temp", Qt::CaseInsensitive) == 0) {
        value = lookup(QStringLiteral("TMPDIR"));
        return value.isEmpty() ? QStringLiteral("/tmp") : value;
    }
    return value;
}

VersionPair LinuxFacts::version() const
{
    return kernelVersion(kernelRelease());
}

MemoryStatus LinuxFacts::memoryStatus() const
{
    return meminfoMemory(readText(m_sources.meminfo).value_or(QString()));
}

QString LinuxFacts::workgroup() const
{
    return sambaWorkgroup(m_sources.sambaConfig);
}

QString LinuxFacts::systemName() const
{
    for (const QString &path : m_sources.osRelease) {
        if (const std::optional<QString> text = readText(path))
            return osReleaseName(*text);
    }
    return {};
}

RegistryLookup LinuxFacts::registryValue(quint32 root, const QString &key, const QString &name) const
{
    return m_registry.lookup(root, key, name);
}

ReceivePlaces LinuxFacts::receivePlaces() const
{
    return {HostConfig::messageSpool(), HostConfig::receiptFile(), HostConfig::receiverLock()};
}

QString LinuxFacts::webPage() const
{
    return HostConfig::webPage(QCoreApplication::applicationDirPath());
}

WhoisSettings LinuxFacts::whoisSettings() const
{
    QString base = m_environment.value(QStringLiteral("XDG_CACHE_HOME"));
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return productWhoisSettings(base + QStringLiteral("/parlo"));
}
