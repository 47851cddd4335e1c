#pragma once

#include <algorithm>
#include <cerrno>

#include "system/linux/SystemCalls.h"

namespace zelto::test {

/// The real system calls, except that each fails with the errno set for it (0: never), and
/// writes fail with ENOSPC once `writeBudget` bytes are written.
class FailingCalls : public system::SystemCalls {
  public:
    int open(const char* path, int flags, mode_t mode) override {
        return fails(openErrno) ? -1 : SystemCalls::open(path, flags, mode);
    }
    ssize_t read(int fd, void* data, std::size_t size) override {
        return fails(readErrno) ? -1 : SystemCalls::read(fd, data, size);
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (fails(size > 0 && writeBudget == 0 ? ENOSPC : 0))
            return -1;
        const ssize_t n = SystemCalls::write(fd, data, std::min(size, writeBudget));
        writeBudget -= n > 0 ? static_cast<std::size_t>(n) : 0;
        return n;
    }
    int fsync(int fd) override { return fails(fsyncErrno) ? -1 : SystemCalls::fsync(fd); }
    int rename(const char* from, const char* to) override {
        return fails(renameErrno) ? -1 : SystemCalls::rename(from, to);
    }

    int openErrno = 0;
    int readErrno = 0;
    int fsyncErrno = 0;
    int renameErrno = 0;
    std::size_t writeBudget = static_cast<std::size_t>(-1);

  private:
    static bool fails(int err) { return err != 0 && (errno = err) != 0; }
};

}  // namespace zelto::test
