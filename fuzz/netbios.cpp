// The NetBIOS name service and session service readers over any packet. The first two bytes
// are the request id the reply must answer.
#include "NetBios.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView packet = fuzz::bytes(data, size);
    const quint16 id = size >= 2 ? quint16(data[0] << 8 | data[1]) : 0;
    NetBios::parseNameQueryResponse(packet, id);
    if (const auto table = NetBios::parseNodeStatusResponse(packet, id))
        NetBios::computerName(*table);
    for (qsizetype offset = 0; offset < packet.size() && offset < 64; ++offset) {
        qsizetype next = 0;
        if (NetBios::decodeName(packet, offset, &next) && (next <= offset || next > packet.size()))
            __builtin_trap();
    }
    if (const auto header = NetBios::parseSessionHeader(packet.first(qMin<qsizetype>(4, packet.size()))))
        NetBios::negativeResponseReason(size > 4 ? data[4] : 0);
    return 0;
}
