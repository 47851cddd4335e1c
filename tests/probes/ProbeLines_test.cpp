#include "probes/ProbeLines.h"

#include <gtest/gtest.h>

namespace zelto::probes {
namespace {

TEST(ProbeLines, ConnectLinesAreTheExactTexts) {
    EXPECT_EQ(connectSuccessLine("10.0.0.5", 80),
              "            Successfully connected to 10.0.0.5:80");
    EXPECT_EQ(connectFailureLine("10.0.0.5", 65535),
              "!!!!!!!!!!!  Failed to connect to 10.0.0.5:65535");
}

struct PingCase {
    int status;
    std::optional<bool> dataMatches;
    bool passed;
};

class PingVerdict : public ::testing::TestWithParam<PingCase> {};

TEST_P(PingVerdict, NeedsAReplyWithMatchingData) {
    const PingCase& c = GetParam();
    const PingResult r{c.status, "3 ms", c.dataMatches};
    EXPECT_EQ(pingPassed(r), c.passed);
    EXPECT_EQ(pingedLine("10.9.8.7", r), c.passed
                                             ? "            Successfully pinged 10.9.8.7 in 3 ms"
                                             : "!!!!!!!!!!! Ping failed for 10.9.8.7");
}

INSTANTIATE_TEST_SUITE_P(Results, PingVerdict,
                         ::testing::Values(PingCase{0, true, true}, PingCase{0, false, false},
                                           PingCase{0, std::nullopt, false},
                                           PingCase{kPingTimedOut, true, false},
                                           PingCase{kPingNoSocket, std::nullopt, false},
                                           PingCase{kPingCancelled, std::nullopt, false}));

}  // namespace
}  // namespace zelto::probes
