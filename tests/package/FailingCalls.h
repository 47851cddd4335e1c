#pragma once

#include <cerrno>
#include <cstddef>

#include "package/FileCalls.h"

namespace zelto::package {

/// Real file calls, except that writes fail with ENOSPC once `writeBudget` bytes are written
/// and renames fail with `renameErrno` when it is set.
class FailingCalls : public FileCalls {
  public:
    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (size > writeBudget) {
            if (writeBudget == 0) {
                errno = ENOSPC;
                return -1;
            }
            size = writeBudget;
        }
        ssize_t n = FileCalls::write(fd, data, size);
        if (n > 0)
            writeBudget -= static_cast<std::size_t>(n);
        return n;
    }
    int rename(const char* from, const char* to) override {
        if (renameErrno != 0) {
            errno = renameErrno;
            return -1;
        }
        return FileCalls::rename(from, to);
    }

    std::size_t writeBudget = static_cast<std::size_t>(-1);
    int renameErrno = 0;
};

}  // namespace zelto::package
