// dhclient lease files, read both as the file of one interface and as a shared file.
#include "Fuzz.h"
#include "netparams/linux/DhcpLeases.h"

void zelto::fuzz::one(std::string_view text) {
    (void)netparams::parseDhclientLeases(text, "eth0", true, 1700000000);
    (void)netparams::parseDhclientLeases(text, "eth0", false, 1700000000);
}
