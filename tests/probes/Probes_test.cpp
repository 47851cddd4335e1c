// The probes' own rules, without the network: the port splitter, a ping's verdict, the ICMP
// packets and how a raw socket's answer is matched to its echo (a datagram socket's, in
// ProbesLab_test).

#include <netinet/ip_icmp.h>

#include <gtest/gtest.h>

#include "probes/IcmpForge.h"
#include "probes/ProbeLines.h"
#include "probes/SplitPort.h"

namespace zelto::probes {
namespace {

using icmp::Answer;
using namespace forge;

// Digits after the first colon count, whatever lies between them; port 0, ports past 65535
// and a last character that is no digit keep the whole text (port 0 below: no port).
TEST(SplitPort, SplitsAsTheRulesSay) {
    const std::pair<std::string, int> cases[] = {{"10.0.0.5:80", 80},
                                                 {"10.0.0.5:8a0", 80},
                                                 {"10.0.0.5:000", 0},
                                                 {"10.0.0.5:65536", 0},
                                                 {"10.0.0.5:65535", 65535},
                                                 {"10.0.0.5:0080", 80},
                                                 {"10.0.0.5:99999999999999999999", 0},
                                                 {"10.0.0.5:80 ", 0},
                                                 {"host:1:2", 12},
                                                 {":443", 443},
                                                 {"", 0},
                                                 {"12345", 0}};
    for (const auto& [text, port] : cases) {
        std::string item = text;
        int targetPort = -7;
        EXPECT_EQ(SplitPort(item, targetPort), port == 0) << text;
        EXPECT_EQ(item, port == 0 ? text : text.substr(0, text.find(':'))) << text;
        EXPECT_EQ(targetPort, port == 0 ? -7 : port) << text;
    }
}

TEST(PingVerdict, NeedsAReplyWithMatchingData) {
    EXPECT_TRUE(pingPassed({0, "3 ms", true}));
    for (const PingResult& r : {PingResult{0, "3 ms", false}, PingResult{0, "3 ms", std::nullopt},
                                PingResult{kPingTimedOut, "", true}})
        EXPECT_FALSE(pingPassed(r)) << r.status;
}

TEST(IcmpPacket, TheChecksumIsTheInternetOnesAndTheRequestVerifiesToZero) {
    // RFC 1071's worked example; an odd length pads with a zero byte.
    EXPECT_EQ(icmp::checksum(std::vector<std::uint8_t>{0, 1, 0xf2, 3, 0xf4, 0xf5, 0xf6, 0xf7}),
              0x220d);
    EXPECT_EQ(icmp::checksum(std::vector<std::uint8_t>{0x01}), 0xfeff);
    const auto request = icmp::echoRequest(0xBEEF, 0x0102);
    EXPECT_EQ(std::vector<std::uint8_t>(request.begin(), request.end()),
              icmpMessage(ICMP_ECHO, 0xBEEF, 0x0102, "Hello World"));
    EXPECT_EQ(icmp::checksum(request), 0);
}

const in_addr_t kTarget = ::inet_addr("10.1.1.1");
const in_addr_t kUs = ::inet_addr("10.0.0.2");
const icmp::EchoKey kKey{kTarget, 0x1234, 0x5678};

TEST(IcmpPacket, OnARawSocketOnlyOurAnswersCount) {
    const auto reply = [](in_addr_t from, unsigned id, unsigned seq, int options = 0) {
        return ipPacket(from, kUs, icmpMessage(ICMP_ECHOREPLY, id, seq, "Hello World"), options);
    };
    const auto error = [](std::uint8_t type, std::uint8_t code, unsigned id, in_addr_t to) {
        const auto quoted = ipPacket(kUs, to, icmpMessage(ICMP_ECHO, id, kKey.seq, "Hello World"));
        return ipPacket(::inet_addr("10.0.0.1"), kUs, icmpError(type, code, quoted));
    };
    auto truncated = reply(kTarget, kKey.id, kKey.seq);
    truncated.resize(24);
    auto notIcmp = reply(kTarget, kKey.id, kKey.seq);
    notIcmp[9] = IPPROTO_UDP;
    using enum Answer::Kind;
    const struct {
        const char* name;
        std::vector<std::uint8_t> packet;
        Answer::Kind kind;
        int status;
    } cases[] = {
        {"our reply", reply(kTarget, kKey.id, kKey.seq), Reply, 0},
        {"reply after IP options", reply(kTarget, kKey.id, kKey.seq, 2), Reply, 0},
        {"other identifier", reply(kTarget, kKey.id ^ 1, kKey.seq), NotOurs, 0},
        {"other sequence", reply(kTarget, kKey.id, kKey.seq + 1), NotOurs, 0},
        {"other source", reply(::inet_addr("10.1.1.9"), kKey.id, kKey.seq), NotOurs, 0},
        // On loopback our own request comes back in.
        {"our own request", ipPacket(kTarget, kUs, icmp::echoRequest(kKey.id, kKey.seq)), NotOurs,
         0},
        {"truncated", truncated, NotOurs, 0},
        {"not ICMP", notIcmp, NotOurs, 0},
        {"empty", {}, NotOurs, 0},
        {"unreachable for us", error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, kKey.id, kTarget), Error,
         kPingHostUnreachable},
        {"TTL expired for us", error(ICMP_TIME_EXCEEDED, ICMP_EXC_TTL, kKey.id, kTarget), Error,
         kPingTtlExpired},
        {"unreachable for another echo",
         error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, kKey.id + 1, kTarget), NotOurs, 0},
        {"unreachable for another host",
         error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, kKey.id, ::inet_addr("10.1.1.2")), NotOurs, 0},
        {"a redirect", error(ICMP_REDIRECT, ICMP_REDIR_HOST, kKey.id, kTarget), NotOurs, 0},
    };
    for (const auto& c : cases) {
        const Answer a = icmp::classifyRaw(c.packet, kKey);
        EXPECT_EQ(a.kind, c.kind) << c.name;
        EXPECT_EQ(a.status, c.status) << c.name;
        EXPECT_EQ(a.data, c.kind == Reply ? "Hello World" : "") << c.name;
    }
}

TEST(IcmpPacket, EchoedDataIsReadAsTextUpToTheFirstNul) {
    const std::pair<std::string, std::optional<bool>> cases[] = {
        {"Hello World", true},
        {std::string("Hello World\0junk", 16), true},
        {"Hello Wordl", false},
        {"Hello World!", false},
        {"Hello", false},
        {"", std::nullopt},
        {std::string("\0Hello World", 12), std::nullopt}};
    for (const auto& [data, matches] : cases)
        EXPECT_EQ(icmp::dataMatches(data), matches) << data;
}

}  // namespace
}  // namespace zelto::probes
