#include "lab/SysFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zelto::lab {

std::size_t countEntries(const char* folder) {
    DIR* d = ::opendir(folder);
    if (d == nullptr)
        return 0;
    std::size_t n = 0;
    while (::readdir(d) != nullptr)
        ++n;
    ::closedir(d);
    return n - 2;
}

bool writeFile(const std::string& path, const std::string& text) noexcept {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A sysctl takes its value in one write.
    const ssize_t n = ::write(fd, text.data(), text.size());
    const bool closed = ::close(fd) == 0;
    return n == static_cast<ssize_t>(text.size()) && closed;
}

std::optional<std::string> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    return text;
}

std::string sysctlPath(const std::string& key) {
    std::string path = key;
    std::replace(path.begin(), path.end(), '.', '/');
    return "/proc/sys/" + path;
}

}  // namespace zelto::lab
