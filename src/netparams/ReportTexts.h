#pragma once

// The parameter report's own words, exact to the character (trailing spaces and spellings
// included): help desks read them to users over the phone.

namespace zelto::netparams::texts {

inline constexpr const char* kHostName = "Computer Name/Host Name: .....";
inline constexpr const char* kDomainName = "Domain Name: .................";
inline constexpr const char* kDnsHeader =
    "DNS Servers ------------------------------------------------------------";
inline constexpr const char* kDnsServer1 = "   DNS Server#1: .....";
inline constexpr const char* kDnsServerN = "   DNS Server#";
inline constexpr const char* kDnsServerNTail = ": .....";
inline constexpr const char* kNodeHeader =
    "Node Information -------------------------------------------------------";
inline constexpr const char* kNodeType = "   Node type: ............";
inline constexpr const char* kScopeId = "   NetBIOS Scope ID: .....";
inline constexpr const char* kRoutingOff = "   IP Routing: ...........Not enabled";
inline constexpr const char* kRoutingOn = "   IP Routing: ...........Enabled";
inline constexpr const char* kProxyOff = "   WINS Proxy: ...........Not Enabled ";
inline constexpr const char* kProxyOn = "   WINS Proxy: ..........Enabled ";
inline constexpr const char* kNetbiosDns = "   NetBIOS Resolution: ...Uses DNS ";
inline constexpr const char* kNetbiosNoDns = "   NetBIOS Resolution: ...Does not use DNS  ";
inline constexpr const char* kAdaptersHeader =
    "Information for Network adapters------------------------------------------------";
inline constexpr const char* kSeparator = "====================================================";
inline constexpr const char* kAdapterHeading = "  Network adapter#";
inline constexpr const char* kTypeLabel = "   Type: ............................";
inline constexpr const char* kAdapterDesc = "   Adapter Desc: .......";
inline constexpr const char* kPhysicalAddress = "   Physical Address: ...";
inline constexpr const char* kAdapterStatus = "   Adapter Status: .....";
inline constexpr const char* kReceiving = "                        Adpater receiving data";
inline constexpr const char* kNotReceiving = "                        Adpater not receiving data";
inline constexpr const char* kAndSending = " and sending data ";
inline constexpr const char* kButNotSending = ", but not sending data ";
inline constexpr const char* kAndNotSending = " and not sending data ";
inline constexpr const char* kDhcpOn = "   DHCP: ...............Enabled ";
inline constexpr const char* kDhcpOff = "   DHCP: ...............Disabled";
inline constexpr const char* kIpAddress = "   PC IP Address#";
inline constexpr const char* kIpAddressTail = ": ....";
inline constexpr const char* kSubnetMask = "   Subnet Mask: ........";
inline constexpr const char* kGateway = "   Default Gateway#";
inline constexpr const char* kGatewayTail = ": ..";
inline constexpr const char* kDhcpServer = "   DHCP Server: ........";
inline constexpr const char* kPrimeWins = "   Prime WINS Server: ..";
inline constexpr const char* kSecondWins = "   2ndary WINS Server: .";
inline constexpr const char* kLeaseObtained = "   Lease Obtained: .....";
inline constexpr const char* kLeaseExpires = "   Lease Expires : .....";
inline constexpr const char* kNoLease = "No lease";

inline constexpr const char* kDnsExplanation =
    "********* Like a telephone system, PC's use numbers of the format 123.123.123.123 to call "
    "and "
    "communicate with each other. You can type in these numbers, but it's easier to type in a "
    "name and have the computer "
    "look up the numbers in a 'phone' book.  For computers the 'phone' book is a DNS server. If "
    "there are no DNS servers listed above, you will have "
    "problems communicating with servers such as www.wikipedia.org or www.debian.org *********";
inline constexpr const char* kDhcpExplanation =
    "********* Your PC needs an IP address to communicate with other computers. The IP address "
    "can be set manually or provided "
    "to you by another computer called a DHCP server. If DHCP is enabled, you need to see an "
    "address for the DHCP "
    "server below. If DHCP is enabled, but your DHCP server is blank, your PC IP address below "
    "is probably zero and you won't "
    "be able to communicate with other computers *********";
inline constexpr const char* kGatewayExplanation =
    "********* Your PC needs a default gateway through which to send it's communications to "
    "other networks, such as the Internet.  "
    "If the default gateway is blank you probably can only talk to PC's in your local network. "
    "A local network is generally just the PC's in your office or home *********";

inline constexpr const char* kParamsSizingFailed = "GetNetworkParams sizing failed with error ";
inline constexpr const char* kParamsFailed = "GetNetworkParams failed with error ";
inline constexpr const char* kAdaptersSizingFailed = "GetAdaptersInfo sizing failed with error ";
inline constexpr const char* kAdaptersFailed = "GetAdaptersInfo failed with error ";
inline constexpr const char* kNoAdapters = "No adapters";

}  // namespace zelto::netparams::texts
