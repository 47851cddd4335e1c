#pragma once

#include <netinet/in.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelto::probes::icmp {

/// The echo payload: 11 bytes, no terminator.
inline constexpr std::string_view kPayload = "Hello World";

/// The Internet checksum (RFC 1071) of `data`.
std::uint16_t checksum(std::span<const std::uint8_t> data);

inline constexpr std::size_t kIcmpHeader = 8;
using EchoRequest = std::array<std::uint8_t, kIcmpHeader + kPayload.size()>;

/// An ICMP echo request (type 8) with `id`, `seq` and the payload, checksum filled in.
EchoRequest echoRequest(std::uint16_t id, std::uint16_t seq);

/// The echo a probe waits for: sent to `target` (network byte order) with `id` and `seq`.
struct EchoKey {
    in_addr_t target = 0;
    std::uint16_t id = 0;
    std::uint16_t seq = 0;
};

/// What a received datagram means for the probe waiting on `EchoKey`.
struct Answer {
    enum class Kind { NotOurs, Reply, Error };
    Kind kind = Kind::NotOurs;
    /// Reply: the echoed data.
    std::string data;
    /// Error: the ping status it stands for.
    int status = 0;
};

/// Judges a datagram read from a raw ICMP socket (IP header first). Only an echo reply from the
/// target with our identifier and sequence, or an ICMP error quoting our request, is ours.
Answer classifyRaw(std::span<const std::uint8_t> packet, const EchoKey& key);

/// Judges a message read from an ICMP datagram socket (ICMP header first; the kernel has
/// already matched the identifier) that came from `from`.
Answer classifyDatagram(std::span<const std::uint8_t> message, in_addr_t from, const EchoKey& key);

/// Whether an ICMP header that an error quotes (ICMP header first) is our echo request: type
/// echo with our identifier and sequence.
bool quotesEcho(std::span<const std::uint8_t> icmp, const EchoKey& key);

/// The ping status for an ICMP error of `type` and `code`.
int statusForIcmpError(int type, int code);
/// The ping status for a local socket error such as ENETUNREACH.
int statusForErrno(int err);

/// Whether echoed data equals the payload, read as text up to its first NUL; nullopt when
/// there is no such text.
std::optional<bool> dataMatches(std::string_view data);

}  // namespace zelto::probes::icmp
