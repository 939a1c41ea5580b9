// The referral reader over any whois answer.
#include "whois/Referrals.h"
#include "FuzzInput.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(fuzz::bytes(data, size));
    QSet<QString> seen;
    for (const WhoisServer &server : referrals(answer)) {
        const QString name = displayName(server);
        if (server.host.isEmpty() || seen.contains(name))
            __builtin_trap(); // each named once, and never without a host
        seen.insert(name);
    }
    answersRdapOnly(answer);
    return 0;
}
