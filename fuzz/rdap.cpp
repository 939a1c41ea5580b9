// The RDAP readers over any answer: the domain record as text, an error answer, and the
// bootstrap file. The first byte picks the reader; for the bootstrap, the bytes up to the
// first NUL are the domain and the rest is the file.
#include "whois/Rdap.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest = fuzz::bytes(data + 1, size - 1).toByteArray();
    if (data[0] & 1) {
        const qsizetype split = rest.indexOf('\0');
        const QString domain = QString::fromUtf8(rest.left(split < 0 ? 0 : split));
        const QByteArray bootstrap = split < 0 ? rest : rest.mid(split + 1);
        if (isRdapBootstrap(bootstrap)) {
            const RdapService service = rdapServiceFor(bootstrap, domain);
            if (service.base.isValid())
                rdapDomainUrl(service.base, domain);
        }
        return 0;
    }
    const RdapText text = rdapDomainText(rest);
    if (text.text.isEmpty() == text.failure.isEmpty())
        __builtin_trap(); // a text or the reason there is none
    rdapErrorText(rest);
    return 0;
}
