#include "NetCommand.h"
#include "core/NetStatus.h"

#include "Cp850.h"
#include "NetBios.h"
#include "Smb.h"
#include "Text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <charconv>

namespace {

std::string characterText(char32_t c)
{
    std::string code = Text::hex(unsigned(c), 4);
    std::transform(code.begin(), code.end(), code.begin(), [](char d) { return char(std::toupper(d)); });
    return "\"" + Text::utf8(std::u32string(1, c)) + "\" (U+" + code + ")";
}

// Every CR LF, CR and LF as CR LF.
std::string crlfLines(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            result += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

bool isAddress(std::string_view name)
{
    // Blanks around an address do not make it a name.
    const std::size_t first = name.find_first_not_of(" \t\n\v\f\r");
    if (first == std::string_view::npos)
        return false;
    name = name.substr(first, name.find_last_not_of(" \t\n\v\f\r") + 1 - first);
    in_addr ipv4 = {};
    return isIpv6Literal(name) || ::inet_aton(std::string(name).c_str(), &ipv4) != 0;
}

} // namespace

NetCommand parseArguments(const std::vector<std::string> &arguments)
{
    NetCommand command;
    if (arguments.empty())
        return command;
    const std::string &verb = arguments.front();
    if (Text::equalFolded(verb, "view") && arguments.size() == 1) {
        command.kind = NetCommand::View;
    } else if (Text::equalFolded(verb, "send") && arguments.size() >= 3 && !arguments[1].empty()) {
        command.kind = NetCommand::Send;
        command.name = arguments[1];
        for (std::size_t i = 2; i < arguments.size(); ++i)
            command.message += (i > 2 ? " " : "") + arguments[i];
    }
    return command;
}

PreparedText prepareMessage(std::string_view message)
{
    PreparedText prepared;
    const Cp850::Encoding encoded = Cp850::encode(std::string_view(crlfLines(message)));
    if (!encoded.ok()) {
        prepared.status = netBadInput;
        prepared.refusal = "The message holds the character " + characterText(encoded.refused) +
                           ", which code page 850 cannot carry; nothing was sent.";
        return prepared;
    }
    if (encoded.bytes.size() > Smb::maxMessage) {
        prepared.status = netTooLong;
        prepared.refusal = "The message is too long: " + std::to_string(encoded.bytes.size()) +
                           " bytes, and one message carries at most " + std::to_string(Smb::maxMessage) +
                           "; nothing was sent.";
        return prepared;
    }
    prepared.bytes = encoded.bytes;
    return prepared;
}

bool isIpv6Literal(std::string_view name)
{
    // A scope, after '%', names an interface: any word does.
    const std::string address(name.substr(0, name.find('%')));
    in6_addr ipv6 = {};
    return ::inet_pton(AF_INET6, address.c_str(), &ipv6) == 1;
}

std::string recipientRefusal(std::string_view name, int *status)
{
    if (isAddress(name))
        return {};
    const std::u32string computer = Text::codePoints(name.substr(0, name.find('.')));
    const Cp850::Encoding encoded = Cp850::encode(Text::upper(computer));
    if (!encoded.ok()) {
        // The character as typed, not upper-cased.
        const Cp850::Encoding typed = Cp850::encode(computer);
        const char32_t refused = typed.ok() ? encoded.refused : typed.refused;
        if (status)
            *status = netBadInput;
        return "The name " + std::string(name) + " holds the character " + characterText(refused) +
               ", which a NetBIOS name cannot carry; nothing was sent.";
    }
    if (encoded.bytes.size() > NetBios::maxNameLength && status)
        *status = netTooLong;
    if (encoded.bytes.size() > NetBios::maxNameLength)
        return "The name " + std::string(name) + " is too long for a NetBIOS name, which holds at most " +
               std::to_string(NetBios::maxNameLength) + " characters; nothing was sent.";
    return {};
}

int sendLimitMs(const char *setting)
{
    constexpr int fallback = 30000;
    const std::string_view text = setting ? setting : "";
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 || value > 3600000)
        return fallback;
    return value;
}

std::string usageText()
{
    return "The syntax of this command is:\n"
           "\n"
           "NET SEND name message\n"
           "NET VIEW\n";
}

std::string successText(std::string_view name)
{
    return "The message was successfully sent to " + std::string(name) + ".\n";
}

std::string failureText(std::string_view name, std::string_view reason)
{
    return "An error occurred while sending a message to " + std::string(name) + ".\n" + std::string(reason) + "\n";
}

std::string viewText(std::vector<std::string> computers)
{
    if (computers.empty())
        return "There are no entries in the list.\n";
    std::stable_sort(computers.begin(), computers.end(), Text::lessFolded);
    std::vector<std::string> unique;
    for (std::string &computer : computers) {
        if (std::find(unique.begin(), unique.end(), computer) == unique.end())
            unique.push_back(std::move(computer));
    }
    std::string text = "Server Name            Remark\n\n" + std::string(79, '-') + "\n";
    for (const std::string &computer : unique)
        text += "\\\\" + computer + "\n";
    text += "The command completed successfully.\n";
    return text;
}
