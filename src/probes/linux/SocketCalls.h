#pragma once

#include <sys/socket.h>
#include <sys/types.h>

namespace zelto::probes {

/// The system calls of the probes that tests must be able to fail. Each forwards to the
/// system; a test overrides one to return -1 with the errno it wants to see handled.
class SocketCalls {
  public:
    virtual ~SocketCalls() = default;
    /// socket(2).
    virtual int socket(int domain, int type, int protocol);
    /// sendto(2).
    virtual ssize_t sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to,
                           socklen_t toSize);
    /// connect(2).
    virtual int connect(int fd, const sockaddr* to, socklen_t toSize);
};

}  // namespace zelto::probes
