#pragma once

// A system::SystemCalls that records which sockets the probes open and refuses the calls a test
// names.

#include <sys/socket.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "system/linux/SystemCalls.h"

namespace zelto::probes::test {

class RecordingSocketCalls : public system::SystemCalls {
  public:
    /// socket(AF_INET, type, protocol) fails with `err` (type without SOCK_NONBLOCK etc.).
    void refuseSocket(int type, int protocol, int err) {
        std::lock_guard lock(mutex_);
        refused_[{type, protocol}] = err;
    }
    void failSendto(int err) {
        std::lock_guard lock(mutex_);
        sendtoError_ = err;
    }

    /// (type, protocol) of every socket opened so far.
    std::vector<std::pair<int, int>> opened() const {
        std::lock_guard lock(mutex_);
        return opened_;
    }

    int socket(int domain, int type, int protocol) override {
        const int kind = type & ~(SOCK_NONBLOCK | SOCK_CLOEXEC);
        {
            std::lock_guard lock(mutex_);
            if (auto it = refused_.find({kind, protocol}); it != refused_.end()) {
                errno = it->second;
                return -1;
            }
        }
        const int fd = system::SystemCalls::socket(domain, type, protocol);
        if (fd >= 0) {
            std::lock_guard lock(mutex_);
            opened_.emplace_back(kind, protocol);
        }
        return fd;
    }

    ssize_t sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to,
                   socklen_t toSize) override {
        {
            std::lock_guard lock(mutex_);
            if (sendtoError_) {
                errno = *sendtoError_;
                return -1;
            }
        }
        return system::SystemCalls::sendto(fd, data, size, flags, to, toSize);
    }

  private:
    mutable std::mutex mutex_;
    std::map<std::pair<int, int>, int> refused_;
    std::optional<int> sendtoError_;
    std::vector<std::pair<int, int>> opened_;
};

}  // namespace zelto::probes::test
