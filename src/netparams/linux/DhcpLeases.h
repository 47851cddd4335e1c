#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "netparams/NetSources.h"

namespace zelto::netparams {

// Readers of the lease records of the DHCP clients found on Linux desktops. Each takes the
// record's bytes and never fails on damaged input: it gives nothing instead.

/// The last lease block for `interface` in a dhclient lease file. Blocks without an interface
/// line count when `anyInterface` (files named after one interface). Times are UTC, in the
/// "W YYYY/MM/DD HH:MM:SS", "epoch N" and "never" forms; the start is the expiry minus the
/// lease time, or `fileTime` when either is unknown.
std::optional<DhcpLease> parseDhclientLeases(std::string_view text, std::string_view interface,
                                             bool anyInterface, std::int64_t fileTime);

/// A systemd-networkd lease file (KEY=value lines: ADDRESS, SERVER_ADDRESS, LIFETIME; also
/// NetworkManager's internal client's); the lease was obtained when the file was written.
std::optional<DhcpLease> parseNetworkdLease(std::string_view text, std::int64_t fileTime);

/// A dhcpcd lease file: the server's raw DHCP message (option 54 server, 51 lease time); the
/// lease was obtained when the file was written.
std::optional<DhcpLease> parseDhcpcdLease(std::string_view bytes, std::int64_t fileTime);

/// NetworkManager's DHCP4Config options (dhcp_server_identifier, ip_address, dhcp_lease_time,
/// expiry).
std::optional<DhcpLease> leaseFromNetworkManager(const std::map<std::string, std::string>& options);

/// The expiry recorded for a lease that never ends: the last second the original records hold.
inline constexpr std::int64_t kNeverExpires = 2147483647;

}  // namespace zelto::netparams
