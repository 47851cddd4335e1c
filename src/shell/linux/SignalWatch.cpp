#include "shell/linux/SignalWatch.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace zelto::shell {

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

SignalWatch::SignalWatch() {
    const sigset_t set = watchedSignals();
    sigset_t previous;
    if (pthread_sigmask(SIG_BLOCK, &set, &previous) != 0)
        return;
    signals_.reset(::signalfd(-1, &set, SFD_CLOEXEC));
    quit_.reset(::eventfd(0, EFD_CLOEXEC));
    if (!signals_.valid() || !quit_.valid()) {
        // Nobody would read them: let the signals end the process as they normally do.
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        signals_.reset();
    }
}

SignalWatch::SignalWatch(std::function<void(int signo)> onSignal) : SignalWatch() {
    start(std::move(onSignal));
}

void SignalWatch::start(std::function<void(int signo)> onSignal) {
    if (!signals_.valid() || thread_.joinable())
        return;
    onSignal_ = std::move(onSignal);
    thread_ = std::thread([this] { watch(); });
}

SignalWatch::~SignalWatch() {
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    // An eventfd write of 8 bytes only fails on counter overflow, which one write cannot reach.
    [[maybe_unused]] const ssize_t written = ::write(quit_.get(), &one, sizeof one);
    thread_.join();
    // The signals stay blocked: the process is about to end, and one that arrived late would
    // otherwise kill it on the way out.
}

void SignalWatch::watch() {
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
            // The user insists: an end that does not come quickly enough is not waited for.
            std::_Exit(128 + signo);
        }
        seen = true;
        onSignal_(signo);
    }
}

}  // namespace zelto::shell
