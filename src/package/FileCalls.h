#pragma once

#include <sys/types.h>

#include <cstddef>

namespace zelto::package {

/// The system calls whose failures the package code must survive: tests override them to
/// return ENOSPC or EACCES where a real disk would not.
class FileCalls {
  public:
    virtual ~FileCalls() = default;
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int rename(const char* from, const char* to);
    virtual int mkdir(const char* path, mode_t mode);
};

}  // namespace zelto::package
