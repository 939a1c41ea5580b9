#pragma once

#include <QString>

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

// Brings up the loopback interface of a network namespace just entered; empty when done, else
// why not.
inline QString bringLoopbackUp()
{
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const bool up = ::ioctl(fd, SIOCGIFFLAGS, &loopback) == 0 && (loopback.ifr_flags |= IFF_UP) &&
                    ::ioctl(fd, SIOCSIFFLAGS, &loopback) == 0;
    ::close(fd);
    return up ? QString() : QStringLiteral("lo: ") + QString::fromLocal8Bit(std::strerror(errno));
}
