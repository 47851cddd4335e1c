#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>

namespace zelto::system {

/// The system calls whose failures the program must survive. Each forwards to the system; a
/// test overrides one to return -1 with the errno it wants handled (EACCES, EIO, ENOSPC ...)
/// where a real disk or network would not fail on demand.
class SystemCalls {
  public:
    virtual ~SystemCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode = 0);
    virtual ssize_t read(int fd, void* data, std::size_t size);
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int mkdir(const char* path, mode_t mode);
    virtual int socket(int domain, int type, int protocol);
    virtual ssize_t sendto(int fd, const void* data, std::size_t size, int flags,
                           const sockaddr* to, socklen_t toSize);
    virtual int connect(int fd, const sockaddr* to, socklen_t toSize);
    virtual ssize_t recvmsg(int fd, msghdr* message, int flags);
};

/// The calls as the system makes them. It holds no state, so every thread may share it.
SystemCalls& realSystemCalls();

}  // namespace zelto::system
