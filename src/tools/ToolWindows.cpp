#include "ToolWindows.h"

#include "Arp.h"
#include "fNetstat.h"
#include "ipcfig.h"
#include "nslookup.h"
#include "ping.h"
#include "tracert.h"
#include "vdos.h"

namespace {

template <typename W> std::function<QWidget *(Host)> maker()
{
    return [](Host host) -> QWidget * { return new W(host); };
}

} // namespace

QMap<QString, std::function<QWidget *(Host)>> toolWindowMakers()
{
    return {
        {QStringLiteral("ping"), maker<ping>()},         {QStringLiteral("tracert"), maker<tracert>()},
        {QStringLiteral("nslookup"), maker<nslookup>()}, {QStringLiteral("ipcfig"), maker<ipcfig>()},
        {QStringLiteral("vdos"), maker<vdos>()},         {QStringLiteral("fNetstat"), maker<fNetstat>()},
        {QStringLiteral("Arp"), maker<Arp>()},
    };
}
