// A spool file as a broken or hostile deliverer could leave it, read and shown as a pop-up's texts.
#include "FuzzInput.h"
#include "receive/MessageSpool.h"
#include "receive/frmMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (const std::optional<SpoolMessage> message = parseSpoolFile(fuzz::bytes(data, size).toByteArray())) {
        messageHeading(*message);
        visibleText(message->text);
    }
    return 0;
}
