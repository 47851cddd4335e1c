#include "probes/linux/IcmpPacket.h"

#include <netinet/ip_icmp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "probes/NetworkServices.h"

namespace zelto::probes::icmp {

namespace {

constexpr std::size_t kMinIpHeader = 20;

std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

in_addr_t addressAt(const std::uint8_t* p) {
    in_addr_t a;
    std::memcpy(&a, p, sizeof a);
    return a;
}

/// Length of the IPv4 header at the front of `packet`, or 0 when it is not a whole ICMP one.
std::size_t icmpIpHeaderLength(std::span<const std::uint8_t> packet) {
    if (packet.size() < kMinIpHeader || (packet[0] >> 4) != 4 || packet[9] != IPPROTO_ICMP)
        return 0;
    const std::size_t length = static_cast<std::size_t>(packet[0] & 0x0Fu) * 4;
    return length >= kMinIpHeader && packet.size() >= length + kIcmpHeader ? length : 0;
}

bool isErrorType(int type) {
    return type == ICMP_DEST_UNREACH || type == ICMP_TIME_EXCEEDED || type == ICMP_PARAMETERPROB ||
           type == ICMP_SOURCE_QUENCH;
}

/// Whether an ICMP error's quoted datagram is our echo request: the IP header and the first
/// eight bytes of the ICMP message are all an error carries.
bool quotesOurRequest(std::span<const std::uint8_t> quoted, const EchoKey& key) {
    const std::size_t ip = icmpIpHeaderLength(quoted);
    if (ip == 0 || addressAt(&quoted[16]) != key.target)
        return false;
    return quotesEcho(quoted.subspan(ip), key);
}

}  // namespace

bool quotesEcho(std::span<const std::uint8_t> icmp, const EchoKey& key) {
    return icmp.size() >= kIcmpHeader && icmp[0] == ICMP_ECHO && be16(&icmp[4]) == key.id &&
           be16(&icmp[6]) == key.seq;
}

std::uint16_t checksum(std::span<const std::uint8_t> data) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < data.size(); i += 2)
        sum += be16(&data[i]);
    if (i < data.size())
        sum += static_cast<std::uint32_t>(data[i]) << 8;
    while ((sum >> 16) != 0)
        sum = (sum & 0xFFFFu) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFFu);
}

EchoRequest echoRequest(std::uint16_t id, std::uint16_t seq) {
    EchoRequest packet{};
    packet[0] = ICMP_ECHO;
    packet[4] = static_cast<std::uint8_t>(id >> 8);
    packet[5] = static_cast<std::uint8_t>(id);
    packet[6] = static_cast<std::uint8_t>(seq >> 8);
    packet[7] = static_cast<std::uint8_t>(seq);
    std::copy(kPayload.begin(), kPayload.end(), packet.begin() + kIcmpHeader);
    const std::uint16_t sum = checksum(packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);
    return packet;
}

Answer classifyRaw(std::span<const std::uint8_t> packet, const EchoKey& key) {
    const std::size_t ip = icmpIpHeaderLength(packet);
    if (ip == 0)
        return {};
    const auto icmp = packet.subspan(ip);
    const int type = icmp[0];
    if (type == ICMP_ECHOREPLY) {
        // A raw socket sees every ICMP message of the host: someone else's replies, and on
        // loopback our own request. Only the target answering our id and sequence counts.
        if (addressAt(&packet[12]) != key.target || be16(&icmp[4]) != key.id ||
            be16(&icmp[6]) != key.seq)
            return {};
        const auto data = icmp.subspan(kIcmpHeader);
        return {Answer::Kind::Reply, std::string(data.begin(), data.end()), 0};
    }
    if (isErrorType(type) && quotesOurRequest(icmp.subspan(kIcmpHeader), key))
        return {Answer::Kind::Error, {}, statusForIcmpError(type, icmp[1])};
    return {};
}

Answer classifyDatagram(std::span<const std::uint8_t> message, in_addr_t from, const EchoKey& key) {
    // The kernel routes replies to this socket by identifier alone, so a reply from another
    // address or to an earlier sequence could still arrive here.
    if (message.size() < kIcmpHeader || message[0] != ICMP_ECHOREPLY || from != key.target ||
        be16(&message[6]) != key.seq)
        return {};
    const auto data = message.subspan(kIcmpHeader);
    return {Answer::Kind::Reply, std::string(data.begin(), data.end()), 0};
}

int statusForIcmpError(int type, int code) {
    switch (type) {
        case ICMP_DEST_UNREACH:
            switch (code) {
                case ICMP_NET_UNREACH:
                case ICMP_NET_UNKNOWN:
                case ICMP_NET_ANO:
                case ICMP_NET_UNR_TOS:
                    return kPingNetUnreachable;
                case ICMP_PROT_UNREACH:
                    return kPingProtocolUnreachable;
                case ICMP_PORT_UNREACH:
                    return kPingPortUnreachable;
                case ICMP_FRAG_NEEDED:
                    return kPingPacketTooBig;
                case ICMP_SR_FAILED:
                    return kPingBadRoute;
                default:
                    return kPingHostUnreachable;
            }
        case ICMP_TIME_EXCEEDED:
            return code == ICMP_EXC_FRAGTIME ? kPingReassemblyTimeExceeded : kPingTtlExpired;
        case ICMP_PARAMETERPROB:
            return kPingParameterProblem;
        case ICMP_SOURCE_QUENCH:
            return kPingSourceQuench;
        default:
            return kPingNoSocket;
    }
}

int statusForErrno(int err) {
    switch (err) {
        case ENETUNREACH:
        case ENETDOWN:
            return kPingNetUnreachable;
        case EHOSTUNREACH:
        case EHOSTDOWN:
            return kPingHostUnreachable;
        case ECONNREFUSED:
            return kPingPortUnreachable;
        case EMSGSIZE:
            return kPingPacketTooBig;
        case EPROTO:
            return kPingParameterProblem;
        default:
            return kPingNoSocket;
    }
}

std::optional<bool> dataMatches(std::string_view data) {
    const std::string_view text = data.substr(0, data.find('\0'));
    if (text.empty())
        return std::nullopt;
    return text == kPayload;
}

}  // namespace zelto::probes::icmp
