// systemd-networkd lease files, KEY=value and JSON.
#include "Fuzz.h"
#include "netparams/linux/DhcpLeases.h"

void zelto::fuzz::one(std::string_view input) {
    (void)netparams::parseNetworkdLease(input, 1700000000);
}
