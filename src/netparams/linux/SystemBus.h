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

    /// What NetworkManager says of one interface.
    struct NetworkManagerLink {
        enum State {
            /// The bus cannot be asked: NetworkManager's own files are the next best source.
            Unreachable,
            /// NetworkManager does not run, does not know the link or has no connection on it.
            NotManaged,
            /// The active connection's ipv4.method is not "auto".
            Static,
            /// The active connection's ipv4.method is "auto" (DHCP).
            Dhcp,
        };
        State state = Unreachable;
        /// The DHCP4 options of the current lease (empty while none has been obtained).
        std::map<std::string, std::string> options;
    };
    NetworkManagerLink networkManagerLink(const std::string& interface);

    /// The IPv4 DNS servers NetworkManager has configured (what its dnsmasq forwards to), in
    /// its order; empty when it does not run.
    std::vector<std::string> networkManagerServers();

    /// The IPv4 DNS servers systemd-resolved forwards to, in its order; empty when it does
    /// not run.
    std::vector<std::string> resolvedServers();

  private:
    // A link's device and whether its active connection uses DHCP: the method is kept while
    // the active connection (a new object for every activation) stays the same.
    struct Device {
        std::string path;
        std::string activeConnection;
        bool dhcp = false;
    };

    bool reachable();
    void noteFailure(int errorType);
    std::optional<std::string> devicePath(const std::string& interface, bool& known);
    std::optional<bool> usesDhcp(const std::string& activeConnection);

    std::map<std::string, Device> devices_;
    std::string socketPath_;
    int timeout_;
    std::chrono::steady_clock::time_point quietUntil_{};
};

}  // namespace zelto::netparams
