#include "netparams/linux/UniqueFd.h"
#include "system/linux/Fd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace zelto::netparams {

bool readWholeFile(const std::string& path, std::string& out, std::size_t limit,
                   long long* modified) {
    out.clear();
    // O_NONBLOCK: a FIFO planted where a lease file should be must not stall the gather.
    const system::Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        // sysfs and procfs attributes are regular files; anything else is not ours to read.
        return false;
    }
    if (modified != nullptr)
        *modified = static_cast<long long>(info.st_mtime);
    char buffer[4096];
    while (out.size() < limit) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    if (out.size() > limit)
        out.resize(limit);
    return true;
}

}  // namespace zelto::netparams
