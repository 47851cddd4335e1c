#include "package/FileCalls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace zelto::package {

ssize_t FileCalls::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int FileCalls::rename(const char* from, const char* to) {
    return std::rename(from, to);
}

int FileCalls::mkdir(const char* path, mode_t mode) {
    return ::mkdir(path, mode);
}

}  // namespace zelto::package
