#pragma once

// A system::SystemCalls that records which sockets the probes open and refuses the calls a test
// names. Set the refusals before the probes start.

#include <sys/socket.h>

#include <cerrno>
#include <mutex>
#include <utility>
#include <vector>

#include "system/linux/SystemCalls.h"

namespace zelto::probes::test {

struct RecordingSocketCalls : system::SystemCalls {
    /// socket(AF_INET, refusedType, ...) fails with refusedError (type without SOCK_NONBLOCK).
    int refusedType = -1;
    int refusedError = 0;
    std::mutex mutex;
    /// (type, protocol) of every socket opened so far.
    std::vector<std::pair<int, int>> opened;

    int socket(int domain, int type, int protocol) override {
        const int kind = type & ~(SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (kind == refusedType)
            return errno = refusedError, -1;
        const int fd = system::SystemCalls::socket(domain, type, protocol);
        std::lock_guard lock(mutex);
        if (fd >= 0)
            opened.emplace_back(kind, protocol);
        return fd;
    }
};

}  // namespace zelto::probes::test
