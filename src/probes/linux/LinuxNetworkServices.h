#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "probes/NetworkServices.h"
#include "probes/linux/HostLookup.h"
#include "probes/linux/Pinger.h"
#include "probes/linux/ProbeLoop.h"
#include "system/linux/SystemCalls.h"

namespace zelto::probes {

/// The probes on Linux: ICMP datagram or raw sockets and non-blocking TCP connects, all waited
/// for by one epoll loop, and getaddrinfo on a small pool of threads. Every call may come from
/// any thread, several at once.
class LinuxNetworkServices : public NetworkServices {
  public:
    struct Options {
        std::chrono::milliseconds pingTimeout{800};
        /// How long a connect may wait for an answer before it counts as failed.
        std::chrono::milliseconds connectLimit{std::chrono::seconds(20)};
        /// The system calls to use; the system's own when null. Must outlive the services.
        system::SystemCalls* calls = nullptr;
        /// Told, once, why no ICMP socket opens; standard error and syslog when empty.
        std::function<void(const std::string&)> reportNoSocket;
    };

    LinuxNetworkServices();
    explicit LinuxNetworkServices(Options options);
    LinuxNetworkServices(const LinuxNetworkServices&) = delete;
    LinuxNetworkServices& operator=(const LinuxNetworkServices&) = delete;

    PingResult ping(const std::string& dotted, std::stop_token stop) override;
    std::string getIPFromHostName(const std::string& name, std::stop_token stop) override;
    /// Connected, Failed (refused, unreachable, or no answer within the limit) or Cancelled.
    ConnectResult connect(const std::string& dotted, int port, std::stop_token stop) override;

    void startPing(const std::string& dotted, std::stop_token stop,
                   Completion<PingResult> done) override;
    void startLookup(const std::string& name, std::stop_token stop,
                     Completion<std::string> done) override;
    void startConnect(const std::string& dotted, int port, std::stop_token stop,
                      Completion<ConnectResult> done) override;
    /// inet_addr's reading.
    bool isDottedAddress(const std::string& text) const override;

  private:
    system::SystemCalls& calls_;
    std::chrono::milliseconds connectLimit_;
    // Declared before the probes that add to it, so it goes after them.
    ProbeLoop loop_;
    Pinger pinger_;
    HostLookup lookup_;
};

}  // namespace zelto::probes
