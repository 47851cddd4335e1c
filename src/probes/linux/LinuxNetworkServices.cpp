#include "probes/linux/LinuxNetworkServices.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <syslog.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "probes/linux/StopWaker.h"
#include "system/linux/Fd.h"

namespace zelto::probes {

namespace {

void reportToStderrAndSyslog(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    ::syslog(LOG_ERR, "%s", text.c_str());
}

}  // namespace

LinuxNetworkServices::LinuxNetworkServices() : LinuxNetworkServices(Options{}) {}

LinuxNetworkServices::LinuxNetworkServices(Options options)
    : calls_(options.calls != nullptr ? *options.calls : system::realSystemCalls()),
      connectLimit_(options.connectLimit),
      pinger_(calls_, options.pingTimeout,
              options.reportNoSocket ? std::move(options.reportNoSocket)
                                     : Pinger::Reporter(&reportToStderrAndSyslog)),
      lookup_(calls_) {}

PingResult LinuxNetworkServices::ping(const std::string& dotted, std::stop_token stop) {
    return pinger_.ping(dotted, std::move(stop));
}

std::string LinuxNetworkServices::getIPFromHostName(const std::string& name, std::stop_token stop) {
    return lookup_.getIPFromHostName(name, stop);
}

ConnectResult LinuxNetworkServices::connect(const std::string& dotted, int port,
                                            std::stop_token stop) {
    in_addr target{};
    if (::inet_aton(dotted.c_str(), &target) == 0 || port < 1 || port > 65535)
        return ConnectResult::Failed;
    const StopWaker waker(std::move(stop));
    if (waker.stopped())
        return ConnectResult::Cancelled;
    system::Fd socket(calls_.socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.valid())
        return ConnectResult::Failed;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr = target;
    const auto deadline = std::chrono::steady_clock::now() + connectLimit_;
    if (calls_.connect(socket.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
        return ConnectResult::Connected;
    // EINTR leaves the connect going on in the background, just like EINPROGRESS.
    if (errno != EINPROGRESS && errno != EINTR)
        return ConnectResult::Failed;
    short revents = 0;
    switch (waker.wait(socket.get(), POLLOUT, deadline, revents)) {
        case StopWaker::Outcome::Ready:
            break;
        case StopWaker::Outcome::Stopped:
            return ConnectResult::Cancelled;
        case StopWaker::Outcome::TimedOut:
        case StopWaker::Outcome::Failed:
            return ConnectResult::Failed;
    }
    int err = 0;
    socklen_t size = sizeof err;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &err, &size) != 0 || err != 0)
        return ConnectResult::Failed;
    return ConnectResult::Connected;
}

}  // namespace zelto::probes
