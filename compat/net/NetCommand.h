#pragma once

#include <string>
#include <string_view>
#include <vector>

// What `net` was asked to do, and the texts it prints. Pure functions; every text is UTF-8.

struct NetCommand
{
    enum Kind
    {
        Usage,
        Send,
        View
    };
    Kind kind = Usage;
    std::string name;    // Send: the recipient, as given
    std::string message; // Send: the words after the recipient, joined by single blanks
};

// The arguments after the program name. "send" and "view" are taken in any case; anything else,
// and `send` without both a recipient and a message, is Usage.
NetCommand parseArguments(const std::vector<std::string> &arguments);

// A message ready for the wire, or the sentence that says why it cannot be sent.
struct PreparedText
{
    std::string bytes;   // code page 850, CR LF line ends
    std::string refusal; // empty when bytes holds the message
    int status = 0;      // net's exit status for the refusal (NetStatus)
};

// Line ends of every kind become CR LF; then the text must fit code page 850 and one message.
PreparedText prepareMessage(std::string_view message);

// Whether name is an IPv6 address, with or without a scope.
bool isIpv6Literal(std::string_view name);

// Why a recipient cannot be called by its NetBIOS name as given, as a sentence; empty when it can.
// An address is always taken; a name's computer part (up to its first dot) must fit the 15
// characters of a NetBIOS name and code page 850, since cutting or replacing would call another.
// status, when given, gets net's exit status for the refusal (NetStatus).
std::string recipientRefusal(std::string_view name, int *status = nullptr);

// The variable that shortens (or lengthens) a send's time limit, in milliseconds.
inline constexpr char sendLimitVariable[] = "PARLO_NET_SEND_LIMIT_MS";
// A send's time limit from that variable's value (nullptr when unset): a whole number of
// milliseconds up to an hour, else the default 30 s.
int sendLimitMs(const char *setting);

std::string usageText();
std::string successText(std::string_view name);
std::string failureText(std::string_view name, std::string_view reason);
// The computers as `net view` lists them, sorted; the empty-list sentence when there are none.
std::string viewText(std::vector<std::string> computers);
