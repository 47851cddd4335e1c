#include "lab/LinkUp.h"

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zelto::lab {

int bringLinkUp(const char* name) noexcept {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    int err = 0;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        err = errno;
    } else {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
            err = errno;
    }
    ::close(fd);
    return err;
}

}  // namespace zelto::lab
