#include "ToolWindows.h"

#include "Arp.h"
#include "fNetstat.h"
#include "ipcfig.h"
#include "nslookup.h"
#include "ping.h"
#include "tracert.h"
#include "vdos.h"

WindowMakers toolWindowMakers()
{
    return {
        {QStringLiteral("ping"), windowMaker<ping>()},         {QStringLiteral("tracert"), windowMaker<tracert>()},
        {QStringLiteral("nslookup"), windowMaker<nslookup>()}, {QStringLiteral("ipcfig"), windowMaker<ipcfig>()},
        {QStringLiteral("vdos"), windowMaker<vdos>()},         {QStringLiteral("fNetstat"), windowMaker<fNetstat>()},
        {QStringLiteral("Arp"), windowMaker<Arp>()},
    };
}
