#include "system/linux/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <utility>

namespace zelto::system {

namespace {

constexpr int kMaxLinks = 40;  // the kernel's own limit on links in one path
constexpr mode_t kNewFileMode = 0644;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at, which need not exist yet. The temporary must
// sit beside that file: a rename works only within one file system, and renaming over the
// link itself would turn it into a plain file and leave its target as it was.
std::optional<FileError> followLinks(std::string& path) {
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return std::nullopt;
        std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return systemError(errno);
        target.resize(static_cast<std::size_t>(n));
        path = target.starts_with('/') ? target : folderOf(path) + "/" + target;
    }
    return systemError(ELOOP);
}

std::string temporaryName(const std::string& target, unsigned attempt) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%x%04x", static_cast<unsigned>(ticks) ^ attempt,
                  static_cast<unsigned>(::getpid()) & 0xFFFF);
    return target + suffix;
}

}  // namespace

FileReplacement::FileReplacement(std::string path, SystemCalls& calls)
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
    discard();
    target_ = path_;
    if (auto e = followLinks(target_))
        return e;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string tmp = temporaryName(target_, attempt);
        // Private until commit gives it its mode; never handed to a child process.
        Fd fd(calls_.open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd.valid()) {
            fd_ = std::move(fd);
            tmp_ = std::move(tmp);
            return std::nullopt;
        }
        if (errno != EEXIST)
            return systemError(errno);
    }
    return systemError(EEXIST);
}

std::optional<FileError> FileReplacement::write(std::string_view bytes) {
    if (!fd_.valid())
        return systemError(EBADF);
    while (!bytes.empty()) {
        const ssize_t n = calls_.write(fd_.get(), bytes.data(), bytes.size());
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

std::optional<FileError> FileReplacement::commit(std::optional<mode_t> mode) {
    if (!fd_.valid())
        return systemError(EBADF);
    if (!mode) {
        struct stat old {};
        mode = ::stat(target_.c_str(), &old) == 0 ? (old.st_mode & 07777) : kNewFileMode;
    }
    std::optional<FileError> error;
    if (::fchmod(fd_.get(), *mode) != 0)
        error = systemError(errno);
    // Flushed before the rename, so a crash never leaves an empty file under the real name.
    if (!error && calls_.fsync(fd_.get()) != 0)
        error = systemError(errno);
    if (const int closed = fd_.close(); closed != 0 && !error)
        error = systemError(closed);
    if (!error && calls_.rename(tmp_.c_str(), target_.c_str()) != 0)
        error = systemError(errno);
    if (error) {
        discard();
        return error;
    }
    tmp_.clear();
    // The rename itself lasts only once the folder is on disk. File systems that cannot
    // flush a folder say EINVAL; the file is in place either way.
    const Fd folder(calls_.open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid() && calls_.fsync(folder.get()) != 0 && errno != EINVAL)
        return systemError(errno);
    return std::nullopt;
}

std::optional<FileError> replaceFile(const std::string& path, std::string_view bytes,
                                     std::optional<mode_t> mode, SystemCalls& calls) {
    FileReplacement file(path, calls);
    if (auto e = file.open())
        return e;
    if (auto e = file.write(bytes))
        return e;
    return file.commit(mode);
}

}  // namespace zelto::system
