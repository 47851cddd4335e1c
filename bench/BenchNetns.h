#pragma once

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "system/linux/Fd.h"

namespace zelto::bench {

/// Writes a sysctl of the current network namespace; false when it cannot.
inline bool writeSysctl(const char* path, const char* value) {
    const system::Fd fd(::open(path, O_WRONLY | O_CLOEXEC));
    const std::size_t size = std::strlen(value);
    return fd.valid() && ::write(fd.get(), value, size) == static_cast<ssize_t>(size);
}

/// Moves the process into a network namespace of its own with lo up and datagram ICMP sockets
/// allowed, so a benchmark never sends a packet beyond this machine. Threads made later, lab
/// peers and child programs inherit it. False, with the reason on stderr, when it cannot.
inline bool enterOwnNetns(const char* program) {
    if (::unshare(CLONE_NEWNET) != 0) {
        std::perror(
            (std::string(program) + " needs root for a network namespace of its own").c_str());
        return false;
    }
    const system::Fd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(fd.get(), SIOCGIFFLAGS, &request) != 0) {
        std::perror((std::string(program) + ": lo").c_str());
        return false;
    }
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    if (::ioctl(fd.get(), SIOCSIFFLAGS, &request) != 0) {
        std::perror((std::string(program) + ": lo up").c_str());
        return false;
    }
    writeSysctl("/proc/sys/net/ipv4/ping_group_range", "0 2147483647");
    return true;
}

}  // namespace zelto::bench
