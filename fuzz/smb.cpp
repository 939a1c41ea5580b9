// The SMB1 reply reader over any packet, and the sentence for whatever status it finds.
#include "Smb.h"
#include "FuzzBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (const auto reply = Smb::parseReply(fuzz::stdBytes(data, size)))
        Smb::describe(reply->status);
    return 0;
}
