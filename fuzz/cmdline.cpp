// The cmd line mapper over any shell line, and the quoting it relies on.
#include "FuzzInput.h"

#include "CmdLine.h"
#include "platform/FixedPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray line = fuzz::bytes(data, size).toByteArray();
    const FixedPaths paths(fuzz::dataDirectory());
    CmdLine::mapLine(line, paths);
    CmdLine::mapDrivePath(line, paths);
    const QByteArray quoted = CmdLine::shellQuote(line);
    if (quoted.size() < line.size())
        __builtin_trap();
    return 0;
}
