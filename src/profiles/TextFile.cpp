#include "profiles/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "ui/Prompter.h"

namespace zelto::profiles {

std::string fileErrorMessage(const std::string& filePath, const FileError& error) {
    return std::string("Error for ") + ui::kAppTitle + ": File error for " + filePath + " " +
           ". Description=" + error.description + " - Error number=" + std::to_string(error.number);
}

FileError systemError(int errnum) {
    return {errnum, std::strerror(errnum)};
}

ReadLinesResult readLines(const std::string& path) {
    ReadLinesResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = systemError(errno != 0 ? errno : ENOENT);
        return result;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        result.error = systemError(EIO);
        return result;
    }
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            result.lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty())
        result.lines.push_back(std::move(line));
    return result;
}

namespace {

std::optional<FileError> writeAll(int fd, const std::string& content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileError> writeFileAtomically(const std::string& path, const std::string& content) {
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return systemError(errno);
    // A profile or log must never be left half written: only a complete, flushed file is
    // renamed into place, and anything that fails on the way removes the temporary.
    std::optional<FileError> error = writeAll(fd, content);
    // mkstemp makes the file private; the replacement keeps the old file's permissions.
    struct stat old {};
    mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (!error && ::fchmod(fd, mode) != 0)
        error = systemError(errno);
    if (!error && ::fsync(fd) != 0)
        error = systemError(errno);
    if (::close(fd) != 0 && !error)
        error = systemError(errno);
    if (!error && std::rename(tmp.c_str(), path.c_str()) != 0)
        error = systemError(errno);
    if (error)
        ::unlink(tmp.c_str());
    return error;
}

}  // namespace zelto::profiles
