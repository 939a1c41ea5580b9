// The referral reader over any whois answer.
#include "FuzzInput.h"
#include "Referrals.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(fuzz::bytes(data, size));
    const QList<WhoisServer> servers = referrals(answer);
    for (qsizetype i = 0; i < servers.size(); ++i) {
        if (servers[i].host.isEmpty() || servers.indexOf(servers[i]) != i)
            __builtin_trap(); // each named once, and never without a host
        displayName(servers[i]);
    }
    answersRdapOnly(answer);
    return 0;
}
