#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelto::netparams {

/// The few questions the gather asks services on the system D-Bus. Every call has a short
/// time limit; the bus is not touched when its socket does not exist, and after a call that
/// timed out it is left alone for half a minute so that a wedged service cannot slow every
/// gather down.
class SystemBus {
  public:
    explicit SystemBus(std::string socketPath = "/run/dbus/system_bus_socket",
                       int timeoutMilliseconds = 250);

    /// NetworkManager's DHCP4 options for the interface; nothing when NetworkManager does not
    /// run, does not know the interface or holds no DHCP configuration for it.
    std::optional<std::map<std::string, std::string>> networkManagerDhcp4(
        const std::string& interface);

    /// The IPv4 DNS servers systemd-resolved forwards to, in its order; empty when it does
    /// not run.
    std::vector<std::string> resolvedServers();

  private:
    bool reachable();
    void noteFailure(int errorType);

    std::string socketPath_;
    int timeout_;
    std::chrono::steady_clock::time_point quietUntil_{};
};

}  // namespace zelto::netparams
