#pragma once

#include <functional>
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

/// Receives the outcome of a probe started with one of the start calls: exactly once, on any
/// thread (the caller's own when the outcome is known at once). It must not block.
template <class Result>
using Completion = std::function<void(Result)>;

/// The three network probes. The blocking calls block their calling thread (never the UI
/// thread) and return soon after `stop` is requested. The start calls return at once and hand
/// the outcome to `done`; a stop cancels them soon after (kPingCancelled, Cancelled, ""), and
/// the services must outlive every probe started.
class NetworkServices {
  public:
    virtual ~NetworkServices() = default;
    /// One ICMP echo of "Hello World" to a dotted IPv4 address, waiting at most 800 ms.
    virtual PingResult ping(const std::string& dotted, std::stop_token stop) = 0;
    /// Dotted IPv4 address of `name` (" " means this PC), or "" on any failure.
    virtual std::string getIPFromHostName(const std::string& name, std::stop_token stop) = 0;
    /// One TCP connect to a dotted IPv4 address and port.
    virtual ConnectResult connect(const std::string& dotted, int port, std::stop_token stop) = 0;

    virtual void startPing(const std::string& dotted, std::stop_token stop,
                           Completion<PingResult> done) = 0;
    virtual void startLookup(const std::string& name, std::stop_token stop,
                             Completion<std::string> done) = 0;
    virtual void startConnect(const std::string& dotted, int port, std::stop_token stop,
                              Completion<ConnectResult> done) = 0;

    /// Whether the text reads as a dotted IPv4 address the way the platform's address parser
    /// reads it: not the "none" answer (255.255.255.255, or no address) and not 0.0.0.0.
    virtual bool isDottedAddress(const std::string& text) const = 0;
};

}  // namespace zelto::probes
