#include "system/linux/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "system/linux/Fd.h"

namespace zelto::system {

namespace {

std::optional<FileError> readAll(SystemCalls& calls, int fd, std::size_t limit, std::string& out) {
    // procfs and sysfs report sizes of 0 or 4096 whatever they hold: read to the end. One
    // byte more than the limit tells a file that is too large.
    char buffer[65536];
    for (;;) {
        const ssize_t n = calls.read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno);
        }
        if (n == 0)
            return std::nullopt;
        if (static_cast<std::size_t>(n) > limit - out.size())
            return systemError(EFBIG);
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

FileRead readWholeFile(const std::string& path, std::size_t limit, SystemCalls& calls) {
    FileRead result;
    // O_NONBLOCK: opening a FIFO for reading would wait for a writer, forever.
    const Fd file(calls.open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) {
        result.error = systemError(errno);
        return result;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        result.error = systemError(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = systemError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        return result;
    }
    result.modified = static_cast<long long>(info.st_mtime);
    if (static_cast<std::size_t>(info.st_size) > limit) {
        result.error = systemError(EFBIG);
        return result;
    }
    result.bytes.reserve(static_cast<std::size_t>(info.st_size));
    result.error = readAll(calls, file.get(), limit, result.bytes);
    if (result.error)
        result.bytes.clear();
    return result;
}

}  // namespace zelto::system
