#include "WhoisSettings.h"

WhoisSettings productWhoisSettings(const QString &cacheDirectory)
{
    WhoisSettings settings;
    settings.rdapBootstrap = QUrl(QStringLiteral("https://data.iana.org/rdap/dns.json"));
    settings.cacheDirectory = cacheDirectory;
    return settings;
}
