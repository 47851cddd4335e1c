#include "system/linux/SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace zelto::system {

int SystemCalls::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

ssize_t SystemCalls::read(int fd, void* data, std::size_t size) {
    return ::read(fd, data, size);
}

ssize_t SystemCalls::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int SystemCalls::fsync(int fd) {
    return ::fsync(fd);
}

int SystemCalls::rename(const char* from, const char* to) {
    return std::rename(from, to);
}

int SystemCalls::mkdir(const char* path, mode_t mode) {
    return ::mkdir(path, mode);
}

int SystemCalls::socket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}

ssize_t SystemCalls::sendto(int fd, const void* data, std::size_t size, int flags,
                            const sockaddr* to, socklen_t toSize) {
    return ::sendto(fd, data, size, flags, to, toSize);
}

int SystemCalls::connect(int fd, const sockaddr* to, socklen_t toSize) {
    return ::connect(fd, to, toSize);
}

ssize_t SystemCalls::recvmsg(int fd, msghdr* message, int flags) {
    return ::recvmsg(fd, message, flags);
}

SystemCalls& realSystemCalls() {
    static SystemCalls calls;
    return calls;
}

}  // namespace zelto::system
