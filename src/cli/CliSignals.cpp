#include "cli/CliSignals.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace zelto::cli {

namespace {

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

CliSignalWatch::CliSignalWatch(std::function<void(int signo)> onSignal)
    : onSignal_(std::move(onSignal)) {
    const sigset_t set = watchedSignals();
    sigset_t previous;
    if (pthread_sigmask(SIG_BLOCK, &set, &previous) != 0)
        return;
    signals_.reset(::signalfd(-1, &set, SFD_CLOEXEC));
    quit_.reset(::eventfd(0, EFD_CLOEXEC));
    if (!signals_.valid() || !quit_.valid()) {
        // Nobody would read them: let the signals end the process as they normally do.
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return;
    }
    thread_ = std::thread([this] { watch(); });
}

CliSignalWatch::~CliSignalWatch() {
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    // An eventfd write of 8 bytes only fails on counter overflow, which one write cannot reach.
    [[maybe_unused]] const ssize_t written = ::write(quit_.get(), &one, sizeof one);
    thread_.join();
    // The signals stay blocked: the process is about to end, and one that arrived late would
    // otherwise kill it on the way out.
}

void CliSignalWatch::watch() {
    bool seen = false;
    while (true) {
        pollfd fds[2] = {{signals_.get(), POLLIN, 0}, {quit_.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if ((fds[1].revents & POLLIN) != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        signalfd_siginfo info{};
        if (::read(signals_.get(), &info, sizeof info) != static_cast<ssize_t>(sizeof info))
            continue;
        const int signo = static_cast<int>(info.ssi_signo);
        if (seen) {
            // The user insists: a stop that does not come quickly enough is not waited for.
            std::_Exit(128 + signo);
        }
        seen = true;
        onSignal_(signo);
    }
}

}  // namespace zelto::cli
