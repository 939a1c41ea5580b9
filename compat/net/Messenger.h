#pragma once

#include "NetBios.h"

#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

// The network side of `net`: finding computers and delivering a message to one.

struct Timeouts
{
    int queryMs = 2000;    // one NetBIOS name or node status query
    int resolverMs = 5000; // the system's host resolver
    int connectMs = 5000;  // the TCP connection
    int replyMs = 5000;    // each answer of the receiver
    int sendMs = 30000;    // the whole send, from looking up the name to the last answer
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now(); // of the whole send

    // ms, or what is left of the whole send when that is less.
    int within(int ms) const;
    // Whether the whole send's time is up.
    bool overdue() const { return within(1) == 0; }
};

// An IPv4 or IPv6 host address; the port is left 0.
struct Address
{
    sockaddr_storage socket = {};

    static Address ipv4(NetBios::Ipv4 address);
    bool isIpv4() const { return socket.ss_family == AF_INET; }
    NetBios::Ipv4 ipv4Value() const; // 0 for an IPv6 address
    std::string text() const;        // dotted, or the shortest IPv6 form
};

// The IPv4 addresses on which a broadcast reaches the local subnets.
std::vector<NetBios::Ipv4> localBroadcastAddresses();

// The address of name when it is an IPv4 address in dotted form.
std::optional<NetBios::Ipv4> ipv4Literal(std::string_view name);

// Where name is: an IPv4 address as it is; else a broadcast query for name<03> on the local
// subnets; else the system's host resolver. Nothing when none of them knows it.
std::optional<Address> resolve(std::string_view name, const Timeouts &timeouts);

// The unique messenger name (suffix 03) that the node at address answers a status query with.
std::string messengerNameAt(NetBios::Ipv4 address, int waitMs);

struct Delivery
{
    bool ok = false;
    std::string reason; // why not, as one sentence
    int status = 0;     // net's exit status for it (NetStatus)
};

// Delivers text (code page 850) from sender to recipient at address, calling calledName<calledSuffix>.
Delivery deliver(const Address &address, std::string_view calledName, std::uint8_t calledSuffix,
                 std::string_view sender, std::string_view recipient, std::string_view text, const Timeouts &timeouts);

// The names of the computers (UTF-8) that answer a node status query on the local subnets within waitMs.
std::vector<std::string> findComputers(int waitMs);
