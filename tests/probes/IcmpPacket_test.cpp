#include "probes/linux/IcmpPacket.h"

#include <netinet/ip_icmp.h>

#include <gtest/gtest.h>

#include "probes/IcmpForge.h"
#include "probes/NetworkServices.h"

namespace zelto::probes {
namespace {

using icmp::Answer;
using namespace forge;

TEST(IcmpChecksum, MatchesTheReferenceExampleAndTheRequestVerifiesToZero) {
    // RFC 1071's worked example; an odd length pads with a zero byte.
    EXPECT_EQ(
        icmp::checksum(std::vector<std::uint8_t>{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7}),
        0x220d);
    EXPECT_EQ(icmp::checksum(std::vector<std::uint8_t>{0x01}), 0xfeff);
    const auto request = icmp::echoRequest(0xBEEF, 0x0102);
    EXPECT_EQ(std::vector<std::uint8_t>(request.begin(), request.begin() + 8),
              (std::vector<std::uint8_t>{ICMP_ECHO, 0, request[2], request[3], 0xBE, 0xEF, 1, 2}));
    EXPECT_EQ(std::string(request.begin() + 8, request.end()), "Hello World");
    EXPECT_EQ(icmp::checksum(request), 0);
}

const in_addr_t kTarget = addr("10.1.1.1");
const in_addr_t kUs = addr("10.0.0.2");
const in_addr_t kRouter = addr("10.0.0.1");
const icmp::EchoKey kKey{kTarget, 0x1234, 0x5678};

struct RawCase {
    const char* name;
    std::vector<std::uint8_t> packet;
    Answer::Kind kind;
    int status;
};

class RawClassify : public ::testing::TestWithParam<RawCase> {};

TEST_P(RawClassify, OnlyOurAnswersCount) {
    const RawCase& c = GetParam();
    const Answer a = icmp::classifyRaw(c.packet, kKey);
    EXPECT_EQ(a.kind, c.kind);
    if (c.kind == Answer::Kind::Reply) {
        EXPECT_EQ(a.data, "Hello World");
    }
    if (c.kind == Answer::Kind::Error) {
        EXPECT_EQ(a.status, c.status);
    }
}

std::vector<RawCase> rawCases() {
    const auto reply = [](in_addr_t from, std::uint16_t id, std::uint16_t seq, int options = 0) {
        return ipPacket(from, kUs, icmpMessage(ICMP_ECHOREPLY, 0, id, seq, "Hello World"), options);
    };
    const auto error = [](std::uint8_t type, std::uint8_t code, std::uint16_t id, in_addr_t to) {
        return ipPacket(kRouter, kUs,
                        icmpError(type, code, ipPacket(kUs, to, icmp::echoRequest(id, kKey.seq))));
    };
    auto truncated = reply(kTarget, kKey.id, kKey.seq);
    truncated.resize(24);
    auto notIcmp = reply(kTarget, kKey.id, kKey.seq);
    notIcmp[9] = IPPROTO_UDP;
    using enum Answer::Kind;
    return {
        {"OurReply", reply(kTarget, kKey.id, kKey.seq), Reply, 0},
        {"ReplyAfterIpOptions", reply(kTarget, kKey.id, kKey.seq, 2), Reply, 0},
        {"OtherIdentifier", reply(kTarget, kKey.id ^ 1, kKey.seq), NotOurs, 0},
        {"OtherSequence", reply(kTarget, kKey.id, kKey.seq + 1), NotOurs, 0},
        {"OtherSource", reply(addr("10.1.1.9"), kKey.id, kKey.seq), NotOurs, 0},
        // On loopback our own request comes back in.
        {"OurOwnRequest", ipPacket(kTarget, kUs, icmp::echoRequest(kKey.id, kKey.seq)), NotOurs, 0},
        {"Truncated", truncated, NotOurs, 0},
        {"NotIcmp", notIcmp, NotOurs, 0},
        {"Empty", {}, NotOurs, 0},
        {"HostUnreachableForUs", error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, kKey.id, kTarget),
         Error, kPingHostUnreachable},
        {"TtlExpiredForUs", error(ICMP_TIME_EXCEEDED, ICMP_EXC_TTL, kKey.id, kTarget), Error,
         kPingTtlExpired},
        {"UnreachableForAnotherEcho",
         error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, kKey.id + 1, kTarget), NotOurs, 0},
        {"UnreachableForAnotherHost",
         error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, kKey.id, addr("10.1.1.2")), NotOurs, 0},
        {"RedirectIsNoAnswer", error(ICMP_REDIRECT, ICMP_REDIR_HOST, kKey.id, kTarget), NotOurs, 0},
    };
}

INSTANTIATE_TEST_SUITE_P(Packets, RawClassify, ::testing::ValuesIn(rawCases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DatagramClassify, TheKernelMatchedTheIdentifierWeMatchTheRest) {
    const auto reply = icmpMessage(ICMP_ECHOREPLY, 0, 999, kKey.seq, "Hello World");
    const Answer ours = icmp::classifyDatagram(reply, kTarget, kKey);
    EXPECT_EQ(ours.kind, Answer::Kind::Reply);
    EXPECT_EQ(ours.data, "Hello World");
    EXPECT_EQ(icmp::classifyDatagram(reply, addr("10.1.1.9"), kKey).kind, Answer::Kind::NotOurs);
    const auto otherSeq = icmpMessage(ICMP_ECHOREPLY, 0, 999, kKey.seq + 1, "x");
    EXPECT_EQ(icmp::classifyDatagram(otherSeq, kTarget, kKey).kind, Answer::Kind::NotOurs);
    EXPECT_EQ(icmp::classifyDatagram(std::span(reply).first(7), kTarget, kKey).kind,
              Answer::Kind::NotOurs);
}

TEST(EchoedData, IsReadAsTextUpToTheFirstNul) {
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
