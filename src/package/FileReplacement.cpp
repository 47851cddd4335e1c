#include "package/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zelto::package {

using profiles::systemError;

FileReplacement::FileReplacement(std::string path, system::SystemCalls& calls)
    : path_(std::move(path)), calls_(calls) {}

FileReplacement::~FileReplacement() {
    discard();
}

void FileReplacement::discard() {
    fd_.reset();
    if (!tmp_.empty()) {
        ::unlink(tmp_.c_str());
        tmp_.clear();
    }
}

std::optional<FileError> FileReplacement::open() {
    std::string tmp = path_ + ".XXXXXX";
    system::Fd fd(::mkostemp(tmp.data(), O_CLOEXEC));
    if (!fd.valid())
        return systemError(errno);
    fd_ = std::move(fd);
    tmp_ = std::move(tmp);
    return std::nullopt;
}

std::optional<FileError> FileReplacement::write(std::string_view bytes) {
    if (!fd_.valid())
        return systemError(EBADF);
    while (!bytes.empty()) {
        ssize_t n = calls_.write(fd_.get(), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno);
        }
        // A zero-byte write would loop forever; the disk has no room left.
        if (n == 0)
            return systemError(ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

std::optional<FileError> FileReplacement::commit(mode_t mode) {
    if (!fd_.valid())
        return systemError(EBADF);
    std::optional<FileError> error;
    // mkostemp makes the file private: the finished file gets the mode its use needs.
    if (::fchmod(fd_.get(), mode) != 0)
        error = systemError(errno);
    // Flushed before the rename, so a crash never leaves an empty file under the real name.
    if (!error && calls_.fsync(fd_.get()) != 0)
        error = systemError(errno);
    if (const int closed = fd_.close(); closed != 0 && !error)
        error = systemError(closed);
    if (!error && calls_.rename(tmp_.c_str(), path_.c_str()) != 0)
        error = systemError(errno);
    if (!error)
        tmp_.clear();
    discard();
    return error;
}

std::optional<FileError> replaceFile(const std::string& path, std::string_view bytes, mode_t mode,
                                     system::SystemCalls& calls) {
    FileReplacement file(path, calls);
    if (auto e = file.open())
        return e;
    if (auto e = file.write(bytes))
        return e;
    return file.commit(mode);
}

std::variant<std::string, FileError> readWholeFile(const std::string& path, std::size_t limit) {
    const system::Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        return systemError(errno);
    const int fd = file.get();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return systemError(errno);
    if (S_ISDIR(st.st_mode))
        return systemError(EISDIR);
    if (!S_ISREG(st.st_mode))
        return systemError(EINVAL);
    // Checked before reading, so a huge file is refused without filling memory with it.
    if (static_cast<std::size_t>(st.st_size) > limit)
        return systemError(EFBIG);
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            // The file may have grown since fstat: keep reading until the real end.
            if (bytes.size() > limit)
                return systemError(EFBIG);
            bytes.resize(bytes.size() + 65536);
        }
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    if (bytes.size() > limit)
        return systemError(EFBIG);
    return bytes;
}

std::optional<FileError> makeFolders(const std::string& path, system::SystemCalls& calls) {
    std::string partial;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos)
            slash = path.size();
        partial = path.substr(0, slash);
        pos = slash + 1;
        if (partial.empty())
            continue;
        struct stat st {};
        if (::stat(partial.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return systemError(ENOTDIR);
            continue;
        }
        if (calls.mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return systemError(errno);
    }
    return std::nullopt;
}

}  // namespace zelto::package
