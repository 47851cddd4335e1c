#pragma once

// Builds ICMP messages and IPv4 packets byte by byte, for tests that feed the probe answers it
// did not ask for.

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "probes/linux/IcmpPacket.h"

namespace zelto::probes::forge {

inline void put16(std::vector<std::uint8_t>& v, std::size_t at, unsigned x) {
    v[at] = static_cast<std::uint8_t>(x >> 8);
    v[at + 1] = static_cast<std::uint8_t>(x & 0xFF);
}

/// An ICMP message with identifier and sequence (echo, echo reply), checksum filled in.
inline std::vector<std::uint8_t> icmpMessage(std::uint8_t type, unsigned id, unsigned seq,
                                             std::string_view payload) {
    std::vector<std::uint8_t> m{type, 0, 0, 0, 0, 0, 0, 0};
    put16(m, 4, id);
    put16(m, 6, seq);
    m.insert(m.end(), payload.begin(), payload.end());
    put16(m, 2, icmp::checksum(m));
    return m;
}

/// An IPv4 packet carrying `icmp`, with `optionWords` 4-byte words of (no-op) options.
inline std::vector<std::uint8_t> ipPacket(in_addr_t src, in_addr_t dst,
                                          std::span<const std::uint8_t> icmp, int optionWords = 0) {
    const std::size_t header = 20 + 4 * static_cast<std::size_t>(optionWords);
    std::vector<std::uint8_t> p(header, 1);  // 1: IPOPT_NOP, for the options
    std::fill_n(p.begin(), 20, 0);
    p[0] = static_cast<std::uint8_t>(0x40 | (header / 4));
    put16(p, 2, static_cast<unsigned>(header + icmp.size()));
    p[8] = 64;
    p[9] = IPPROTO_ICMP;
    std::memcpy(&p[12], &src, 4);
    std::memcpy(&p[16], &dst, 4);
    put16(p, 10, icmp::checksum(p));
    p.insert(p.end(), icmp.begin(), icmp.end());
    return p;
}

/// An ICMP error (destination unreachable, time exceeded ...) quoting `quoted`: the offending
/// packet's IP header and the first 8 bytes after it.
inline std::vector<std::uint8_t> icmpError(std::uint8_t type, std::uint8_t code,
                                           std::span<const std::uint8_t> quoted) {
    std::vector<std::uint8_t> m{type, code, 0, 0, 0, 0, 0, 0};
    const std::size_t keep = std::min<std::size_t>(quoted.size(), (quoted[0] & 0x0Fu) * 4u + 8);
    m.insert(m.end(), quoted.begin(), quoted.begin() + static_cast<std::ptrdiff_t>(keep));
    put16(m, 2, icmp::checksum(m));
    return m;
}

}  // namespace zelto::probes::forge
