// net: `net send NAME MESSAGE` and `net view` for Linux, speaking the Windows messenger protocol
// itself. Everything it reports goes to standard output, which is all that Parlo shows.

#include "Messenger.h"
#include "NetBios.h"
#include "NetCommand.h"
#include "Text.h"
#include "core/NetStatus.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

std::string senderName()
{
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0')
        return "LINUX";
    return NetBios::netbiosForm(Text::fromOutside(buffer));
}

int send(const NetCommand &command, std::string &output)
{
    int status = netFailed;
    if (const std::string refusal = recipientRefusal(command.name, &status); !refusal.empty()) {
        output = failureText(command.name, refusal);
        return status;
    }
    const PreparedText text = prepareMessage(command.message);
    if (!text.refusal.empty()) {
        output = failureText(command.name, text.refusal);
        return text.status;
    }
    Timeouts timeouts;
    timeouts.sendMs = sendLimitMs(std::getenv(sendLimitVariable));
    const std::optional<Address> address = resolve(command.name, timeouts);
    if (!address) {
        output = failureText(command.name, "The name " + command.name + " was not found on the network.");
        return netNameNotFound;
    }

    // A computer reached by its address is called by the messenger name it answers with, if any.
    std::string called = NetBios::netbiosForm(command.name);
    std::uint8_t suffix = NetBios::messengerSuffix;
    std::string recipient = called;
    if (ipv4Literal(command.name)) {
        recipient = messengerNameAt(address->ipv4Value(), timeouts.within(1000));
        called = recipient.empty() ? std::string("*SMBSERVER") : recipient;
        suffix = recipient.empty() ? NetBios::serverSuffix : NetBios::messengerSuffix;
        if (recipient.empty())
            recipient = command.name;
    }

    const Delivery delivery = deliver(*address, called, suffix, senderName(), recipient, text.bytes, timeouts);
    if (!delivery.ok) {
        output = failureText(command.name, delivery.reason);
        return delivery.status;
    }
    output = successText(command.name);
    return netSent;
}

} // namespace

int main(int argc, char *argv[])
{
    // Parlo hands its arguments over in UTF-8; a terminal in another locale may not.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Text::fromOutside(argv[i]));

    const NetCommand command = parseArguments(arguments);
    std::string output;
    int status = 0;
    switch (command.kind) {
    case NetCommand::Send:
        status = send(command, output);
        break;
    case NetCommand::View:
        output = viewText(findComputers(3000));
        break;
    case NetCommand::Usage:
        output = usageText();
        status = netUsage;
        break;
    }
    const std::string bytes = Text::toLocale(output);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
    return status;
}
