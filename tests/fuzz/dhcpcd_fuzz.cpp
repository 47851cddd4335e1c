// dhcpcd lease files: a server's raw DHCP message.
#include "Fuzz.h"
#include "netparams/linux/DhcpLeases.h"

void zelto::fuzz::one(std::string_view input) {
    (void)netparams::parseDhcpcdLease(input, 1700000000);
}
