#pragma once

#include <unistd.h>

#include <string>

namespace zelto::netparams {

/// Owns one file descriptor and closes it when it goes.
class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

  private:
    int fd_;
};

/// Reads a whole file of at most `limit` bytes (the rest is ignored); false when it cannot be
/// opened or read. `modified` receives its modification time (seconds since 1970) when given.
bool readWholeFile(const std::string& path, std::string& out, std::size_t limit = 1 << 20,
                   long long* modified = nullptr);

}  // namespace zelto::netparams
