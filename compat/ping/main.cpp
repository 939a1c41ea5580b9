// ping with the Windows syntax, run by iputils ping.
#include "PingArgs.h"

int main(int argc, char **argv)
{
    const compat::Translation translation = compat::translatePing(compat::commandArguments(argc, argv));
    if (!translation.runs())
        return compat::carryOut(translation, compat::pingProgram());
    // Without the capability for raw sockets, where the system allows no ICMP datagram sockets
    // either, iputils says so in three lines: "socktype: SOCK_RAW", "socket: Operation not
    // permitted" and "=> missing cap_net_raw+p capability or setuid?".
    static const QRegularExpression denied(
        QStringLiteral("socktype: SOCK_RAW|socket: (Operation not permitted|Permission denied)|missing cap_net_raw"));
    return compat::runExplainingDenial(compat::pingProgram(), translation.arguments, denied,
                                       QStringLiteral("PING: transmit failed"));
}
