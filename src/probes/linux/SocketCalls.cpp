#include "probes/linux/SocketCalls.h"

namespace zelto::probes {

int SocketCalls::socket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}

ssize_t SocketCalls::sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to,
                            socklen_t toSize) {
    return ::sendto(fd, data, size, flags, to, toSize);
}

int SocketCalls::connect(int fd, const sockaddr* to, socklen_t toSize) {
    return ::connect(fd, to, toSize);
}

}  // namespace zelto::probes
