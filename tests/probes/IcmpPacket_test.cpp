#include "probes/linux/IcmpPacket.h"

#include <netinet/ip_icmp.h>

#include <gtest/gtest.h>

#include "probes/IcmpForge.h"
#include "probes/NetworkServices.h"

namespace zelto::probes {
namespace {

using icmp::Answer;
using namespace forge;

TEST(IcmpChecksum, MatchesTheReferenceExampleAndVerifiesToZero) {
    // RFC 1071's worked example sums to 0xddf2; the checksum is its complement.
    const std::vector<std::uint8_t> example = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(icmp::checksum(example), 0x220d);
    // An odd length pads with a zero byte.
    EXPECT_EQ(icmp::checksum(std::vector<std::uint8_t>{0x01}), 0xfeff);

    const auto request = icmp::echoRequest(0xBEEF, 0x0102);
    ASSERT_EQ(request.size(), 19u);
    EXPECT_EQ(request[0], ICMP_ECHO);
    EXPECT_EQ(request[1], 0);
    EXPECT_EQ(request[4], 0xBE);
    EXPECT_EQ(request[5], 0xEF);
    EXPECT_EQ(request[6], 0x01);
    EXPECT_EQ(request[7], 0x02);
    EXPECT_EQ(std::string(request.begin() + 8, request.end()), "Hello World");
    EXPECT_EQ(icmp::checksum(request), 0);
}

const in_addr_t kTarget = addr("10.1.1.1");
const in_addr_t kUs = addr("10.0.0.2");
const icmp::EchoKey kKey{kTarget, 0x1234, 0x5678};

std::vector<std::uint8_t> ourRequestOnTheWire() {
    return ipPacket(kUs, kTarget, icmp::echoRequest(kKey.id, kKey.seq));
}

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
    const auto reply = [](in_addr_t from, std::uint16_t id, std::uint16_t seq) {
        return ipPacket(from, kUs, icmpMessage(ICMP_ECHOREPLY, 0, id, seq, "Hello World"));
    };
    auto truncated = reply(kTarget, kKey.id, kKey.seq);
    truncated.resize(24);
    auto notIcmp = reply(kTarget, kKey.id, kKey.seq);
    notIcmp[9] = IPPROTO_UDP;
    const auto request = ourRequestOnTheWire();
    auto otherRequest = ipPacket(kUs, kTarget, icmp::echoRequest(kKey.id + 1, kKey.seq));
    auto toOtherHost = ipPacket(kUs, addr("10.1.1.2"), icmp::echoRequest(kKey.id, kKey.seq));
    return {
        {"OurReply", reply(kTarget, kKey.id, kKey.seq), Answer::Kind::Reply, 0},
        {"ReplyAfterIpOptions",
         ipPacket(kTarget, kUs, icmpMessage(ICMP_ECHOREPLY, 0, kKey.id, kKey.seq, "Hello World"),
                  2),
         Answer::Kind::Reply, 0},
        {"OtherIdentifier", reply(kTarget, kKey.id ^ 1, kKey.seq), Answer::Kind::NotOurs, 0},
        {"OtherSequence", reply(kTarget, kKey.id, kKey.seq + 1), Answer::Kind::NotOurs, 0},
        {"OtherSource", reply(addr("10.1.1.9"), kKey.id, kKey.seq), Answer::Kind::NotOurs, 0},
        // On loopback our own request comes back in.
        {"OurOwnRequest", ipPacket(kTarget, kUs, icmp::echoRequest(kKey.id, kKey.seq)),
         Answer::Kind::NotOurs, 0},
        {"Truncated", truncated, Answer::Kind::NotOurs, 0},
        {"NotIcmp", notIcmp, Answer::Kind::NotOurs, 0},
        {"Empty", {}, Answer::Kind::NotOurs, 0},
        {"HostUnreachableForUs",
         ipPacket(addr("10.0.0.1"), kUs, icmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, request)),
         Answer::Kind::Error, kPingHostUnreachable},
        {"NetUnreachableForUs",
         ipPacket(addr("10.0.0.1"), kUs, icmpError(ICMP_DEST_UNREACH, ICMP_NET_UNREACH, request)),
         Answer::Kind::Error, kPingNetUnreachable},
        {"TtlExpiredForUs",
         ipPacket(addr("10.0.0.1"), kUs, icmpError(ICMP_TIME_EXCEEDED, ICMP_EXC_TTL, request)),
         Answer::Kind::Error, kPingTtlExpired},
        {"UnreachableForAnotherEcho",
         ipPacket(addr("10.0.0.1"), kUs,
                  icmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, otherRequest)),
         Answer::Kind::NotOurs, 0},
        {"UnreachableForAnotherHost",
         ipPacket(addr("10.0.0.1"), kUs,
                  icmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, toOtherHost)),
         Answer::Kind::NotOurs, 0},
        {"RedirectIsNoAnswer",
         ipPacket(addr("10.0.0.1"), kUs, icmpError(ICMP_REDIRECT, ICMP_REDIR_HOST, request)),
         Answer::Kind::NotOurs, 0},
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
    EXPECT_EQ(icmp::classifyDatagram(icmpMessage(ICMP_ECHOREPLY, 0, 999, kKey.seq + 1, "x"),
                                     kTarget, kKey)
                  .kind,
              Answer::Kind::NotOurs);
    EXPECT_EQ(icmp::classifyDatagram(std::span(reply).first(7), kTarget, kKey).kind,
              Answer::Kind::NotOurs);
}

struct DataCase {
    std::string data;
    std::optional<bool> matches;
};

class EchoedData : public ::testing::TestWithParam<DataCase> {};

TEST_P(EchoedData, IsReadAsTextUpToTheFirstNul) {
    EXPECT_EQ(icmp::dataMatches(GetParam().data), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Data, EchoedData,
    ::testing::Values(DataCase{"Hello World", true},
                      DataCase{std::string("Hello World\0junk", 16), true},
                      DataCase{"Hello Wordl", false}, DataCase{"Hello World!", false},
                      DataCase{"Hello", false}, DataCase{"", std::nullopt},
                      DataCase{std::string("\0Hello World", 12), std::nullopt}));

TEST(IcmpStatus, ErrorsMapToTheirStatusCodes) {
    EXPECT_EQ(icmp::statusForIcmpError(ICMP_DEST_UNREACH, ICMP_NET_UNREACH), kPingNetUnreachable);
    EXPECT_EQ(icmp::statusForIcmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH), kPingHostUnreachable);
    EXPECT_EQ(icmp::statusForIcmpError(ICMP_DEST_UNREACH, ICMP_PKT_FILTERED), kPingHostUnreachable);
    EXPECT_EQ(icmp::statusForIcmpError(ICMP_DEST_UNREACH, ICMP_PORT_UNREACH), kPingPortUnreachable);
    EXPECT_EQ(icmp::statusForIcmpError(ICMP_DEST_UNREACH, ICMP_FRAG_NEEDED), kPingPacketTooBig);
    EXPECT_EQ(icmp::statusForIcmpError(ICMP_TIME_EXCEEDED, ICMP_EXC_FRAGTIME),
              kPingReassemblyTimeExceeded);
    EXPECT_EQ(icmp::statusForIcmpError(ICMP_PARAMETERPROB, 0), kPingParameterProblem);
    EXPECT_EQ(icmp::statusForErrno(ENETUNREACH), kPingNetUnreachable);
    EXPECT_EQ(icmp::statusForErrno(EHOSTUNREACH), kPingHostUnreachable);
    // Anything unexpected is the general failure, never 0.
    EXPECT_EQ(icmp::statusForErrno(EINVAL), kPingNoSocket);
}

}  // namespace
}  // namespace zelto::probes
