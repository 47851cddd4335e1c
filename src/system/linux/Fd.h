#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zelto::system {

/// Owns one file descriptor and closes it when it goes; moves, never copies.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) noexcept : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.fd_, -1));
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }
    /// Closes the descriptor held so far and takes `fd` instead.
    void reset(int fd = -1) noexcept {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    /// Closes now and says how it went (0 or an errno): a writer must hear that the last
    /// buffered bytes did not reach the file.
    int close() noexcept {
        const int fd = std::exchange(fd_, -1);
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

  private:
    int fd_ = -1;
};

}  // namespace zelto::system
