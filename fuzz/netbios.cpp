// The NetBIOS name service and session service readers over any packet. The first two bytes
// are the request id the reply must answer.
#include "NetBios.h"
#include "FuzzBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view packet = fuzz::stdBytes(data, size);
    const std::uint16_t id = size >= 2 ? std::uint16_t(data[0] << 8 | data[1]) : 0;
    NetBios::parseNameQueryResponse(packet, id);
    if (const auto table = NetBios::parseNodeStatusResponse(packet, id))
        NetBios::computerName(*table);
    for (std::size_t offset = 0; offset < packet.size() && offset < 64; ++offset) {
        std::size_t next = 0;
        if (NetBios::decodeName(packet, offset, &next) && (next <= offset || next > packet.size()))
            __builtin_trap();
    }
    if (const auto header = NetBios::parseSessionHeader(packet.substr(0, 4)))
        NetBios::negativeResponseReason(size > 4 ? data[4] : 0);
    return 0;
}
