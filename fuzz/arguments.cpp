// Every console program's reading of its arguments. The first byte picks the program; the
// rest, split at NUL bytes, are its arguments.
#include "FuzzInput.h"

#include "ArpArgs.h"
#include "CmdLine.h"
#include "Ipconfig.h"
#include "NetCommand.h"
#include "NetstatArgs.h"
#include "NslookupArgs.h"
#include "PingArgs.h"
#include "TelnetTerminal.h"
#include "TracertArgs.h"
#include "platform/FixedPaths.h"

namespace {

void net(const std::vector<std::string> &arguments)
{
    const NetCommand command = parseArguments(arguments);
    if (command.kind != NetCommand::Send)
        return;
    recipientRefusal(command.name);
    const PreparedText prepared = prepareMessage(command.message);
    if (!prepared.refusal.empty() == !prepared.bytes.empty() && !command.message.empty())
        __builtin_trap(); // exactly one of the two
}

void cmd(const QList<QByteArray> &arguments)
{
    const FixedPaths paths(fuzz::dataDirectory());
    CmdLine::parseArguments(arguments, paths);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView rest = fuzz::bytes(data + 1, size - 1);
    const QStringList arguments = fuzz::stringWords(rest);
    switch (data[0] % 9) {
    case 0:
        compat::translatePing(arguments);
        break;
    case 1:
        compat::translateTracert(arguments);
        break;
    case 2:
        compat::translateNslookup(arguments);
        break;
    case 3:
        compat::translateArp(arguments);
        compat::linuxHardwareAddress(arguments.value(0));
        break;
    case 4:
        compat::translateNetstat(arguments);
        break;
    case 5:
        compat::translateTelnet(arguments);
        compat::shellQuote(arguments.value(0));
        break;
    case 6:
        compat::parseIpconfigArgs(arguments);
        break;
    case 7:
        net(fuzz::stdWords(fuzz::stdBytes(data + 1, size - 1)));
        break;
    case 8:
        cmd(fuzz::words(rest));
        break;
    }
    return 0;
}
