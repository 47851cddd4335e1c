#include "probes/linux/LinuxNetworkServices.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <syslog.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <future>
#include <memory>

#include "probes/linux/ConnectTask.h"
#include "system/linux/Fd.h"

namespace zelto::probes {

namespace {

void reportToStderrAndSyslog(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    ::syslog(LOG_ERR, "%s", text.c_str());
}

/// Starts a probe and blocks until it hands back its outcome.
template <class Result, class Start>
Result awaitOutcome(Start start) {
    // Shared, so that the receiver may still be finishing when the waiter has gone on.
    auto promise = std::make_shared<std::promise<Result>>();
    auto outcome = promise->get_future();
    start([promise](Result r) { promise->set_value(std::move(r)); });
    return outcome.get();
}

}  // namespace

LinuxNetworkServices::LinuxNetworkServices() : LinuxNetworkServices(Options{}) {}

LinuxNetworkServices::LinuxNetworkServices(Options options)
    : calls_(options.calls != nullptr ? *options.calls : system::realSystemCalls()),
      connectLimit_(options.connectLimit),
      pinger_(calls_, loop_, options.pingTimeout,
              options.reportNoSocket ? std::move(options.reportNoSocket)
                                     : Pinger::Reporter(&reportToStderrAndSyslog)),
      lookup_(calls_) {}

PingResult LinuxNetworkServices::ping(const std::string& dotted, std::stop_token stop) {
    return awaitOutcome<PingResult>(
        [&](Completion<PingResult> done) { startPing(dotted, stop, std::move(done)); });
}

std::string LinuxNetworkServices::getIPFromHostName(const std::string& name, std::stop_token stop) {
    return awaitOutcome<std::string>(
        [&](Completion<std::string> done) { startLookup(name, stop, std::move(done)); });
}

ConnectResult LinuxNetworkServices::connect(const std::string& dotted, int port,
                                            std::stop_token stop) {
    return awaitOutcome<ConnectResult>(
        [&](Completion<ConnectResult> done) { startConnect(dotted, port, stop, std::move(done)); });
}

void LinuxNetworkServices::startPing(const std::string& dotted, std::stop_token stop,
                                     Completion<PingResult> done) {
    pinger_.start(dotted, stop, std::move(done));
}

void LinuxNetworkServices::startLookup(const std::string& name, std::stop_token stop,
                                       Completion<std::string> done) {
    lookup_.start(name, stop, std::move(done));
}

void LinuxNetworkServices::startConnect(const std::string& dotted, int port, std::stop_token stop,
                                        Completion<ConnectResult> done) {
    in_addr target{};
    if (::inet_aton(dotted.c_str(), &target) == 0 || port < 1 || port > 65535)
        return done(ConnectResult::Failed);
    if (stop.stop_requested())
        return done(ConnectResult::Cancelled);
    system::Fd socket(calls_.socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.valid())
        return done(ConnectResult::Failed);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr = target;
    const auto deadline = std::chrono::steady_clock::now() + connectLimit_;
    if (calls_.connect(socket.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
        return done(ConnectResult::Connected);
    // EINTR leaves the connect going on in the background, just like EINPROGRESS.
    if (errno != EINPROGRESS && errno != EINTR)
        return done(ConnectResult::Failed);
    loop_.add(std::make_unique<ConnectTask>(std::move(socket), deadline, std::move(done)), stop);
}

bool LinuxNetworkServices::isDottedAddress(const std::string& text) const {
    const in_addr_t a = ::inet_addr(text.c_str());
    return a != INADDR_NONE && a != 0;
}

}  // namespace zelto::probes
