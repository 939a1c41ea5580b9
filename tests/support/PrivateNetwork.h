#pragma once

#include "Loopback.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

// Puts the process, before any thread starts, into namespaces of its own: a network with only a
// loopback interface, up; a host name (when given); and a name service that reads /etc/hosts
// alone, which knows only localhost and that host name. So nothing a test sends, and no name it
// looks up, leaves the test. Empty when done, else why not (entering needs root).
inline QString enterPrivateNetwork(const char *hostName = nullptr)
{
    if (::geteuid() != 0)
        return QStringLiteral("needs root");
    const auto failed = [](const char *what) {
        return QLatin1String(what) + QString::fromLocal8Bit(std::strerror(errno));
    };
    if (::unshare(CLONE_NEWNET | CLONE_NEWUTS | CLONE_NEWNS) != 0)
        return failed("unshare: ");
    if (hostName && ::sethostname(hostName, std::strlen(hostName)) != 0)
        return failed("sethostname: ");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return failed("mount: ");
    const std::string hosts = std::string("127.0.0.1 localhost ") + (hostName ? hostName : "") + "\n";
    const std::pair<const char *, std::string> files[] = {
        {"/etc/nsswitch.conf", "passwd: files\ngroup: files\nshadow: files\nhosts: files\n"},
        {"/etc/hosts", hosts},
    };
    for (const auto &[file, text] : files) {
        char stand[] = "/tmp/parlo-network-XXXXXX";
        const int fd = ::mkstemp(stand);
        const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
        if (fd >= 0)
            ::close(fd);
        const bool bound = written && ::mount(stand, file, nullptr, MS_BIND, nullptr) == 0;
        ::unlink(stand);
        if (!bound)
            return failed(file);
    }
    return bringLoopbackUp();
}
