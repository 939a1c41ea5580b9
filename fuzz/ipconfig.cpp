// The readers of `ip -j addr` and `ip -j route`, and the Windows layout of whatever they read.
// The first byte picks which reader gets the rest.
#include "Ipconfig.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray json = fuzz::bytes(data + 1, size - 1).toByteArray();
    compat::IpconfigFacts facts;
    if (data[0] & 1)
        facts.defaultRoutes = compat::parseDefaultRoutes(json);
    else
        facts.adapters = compat::parseIpAddr(json);
    compat::formatIpconfig(facts, data[0] & 2);
    return 0;
}
