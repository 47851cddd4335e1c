#pragma once

#include <optional>
#include <stop_token>
#include <string>

namespace zelto::probes {

/// Ping status when no ICMP socket could be had or something unexpected happened.
inline constexpr int kPingNoSocket = 11050;

// Further failure statuses, numbered like the platform's IP status codes so that logs read
// the same on every system. Callers treat any non-zero status as a failure.
inline constexpr int kPingNetUnreachable = 11002;
inline constexpr int kPingHostUnreachable = 11003;
inline constexpr int kPingProtocolUnreachable = 11004;
inline constexpr int kPingPortUnreachable = 11005;
inline constexpr int kPingPacketTooBig = 11009;
inline constexpr int kPingTimedOut = 11010;
inline constexpr int kPingBadRoute = 11012;
inline constexpr int kPingTtlExpired = 11013;
inline constexpr int kPingReassemblyTimeExceeded = 11014;
inline constexpr int kPingParameterProblem = 11015;
inline constexpr int kPingSourceQuench = 11016;
inline constexpr int kPingBadDestination = 11018;
/// Ping status when the caller's stop ended the wait; no platform code has this value.
inline constexpr int kPingCancelled = -1;

struct PingResult {
    /// 0 when an echo reply arrived; anything else is a failure.
    int status = kPingNoSocket;
    /// Round trip as "N ms".
    std::string roundTrip;
    /// Whether the echoed data equals the payload; empty when no data came back.
    std::optional<bool> dataMatches;
};

enum class ConnectResult { Connected, Failed, Cancelled };

/// The three network probes. Each call blocks its calling thread (never the UI thread: see
/// AsyncProbe.h) and returns soon after `stop` is requested.
class NetworkServices {
  public:
    virtual ~NetworkServices() = default;
    /// One ICMP echo of "Hello World" to a dotted IPv4 address, waiting at most 800 ms.
    virtual PingResult ping(const std::string& dotted, std::stop_token stop) = 0;
    /// Dotted IPv4 address of `name` (" " means this PC), or "" on any failure.
    virtual std::string getIPFromHostName(const std::string& name, std::stop_token stop) = 0;
    /// One TCP connect to a dotted IPv4 address and port.
    virtual ConnectResult connect(const std::string& dotted, int port, std::stop_token stop) = 0;
};

}  // namespace zelto::probes
