#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelto::netparams {

/// What resolv.conf says: its IPv4 name servers in order and its local domain.
struct ResolverConfig {
    std::vector<std::string> nameservers;
    std::string domain;
};

/// Parses resolv.conf text. IPv6 servers are left out (the report and the tests' items are
/// IPv4); of "domain" and "search" the last line wins, and "search" gives its first domain.
ResolverConfig parseResolvConf(std::string_view text);

/// The domain part of this host's canonical name in an /etc/hosts text, or empty.
std::string domainFromHosts(std::string_view hosts, std::string_view hostName);

/// True when the servers are only systemd-resolved's local stub.
bool onlyResolvedStub(const std::vector<std::string>& servers);

/// True when the servers are only relays on this PC (a dnsmasq such as NetworkManager's).
bool onlyLocalRelay(const std::vector<std::string>& servers);

}  // namespace zelto::netparams
