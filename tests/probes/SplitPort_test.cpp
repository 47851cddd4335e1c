#include "probes/SplitPort.h"

#include <gtest/gtest.h>

namespace zelto::probes {
namespace {

struct SplitCase {
    std::string item;
    bool noPort;
    std::string address;  // the item afterwards
    int port;             // TargetPort afterwards (starts at -7)
};

class SplitPortTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPortTest, SplitsAsTheRulesSay) {
    const SplitCase& c = GetParam();
    std::string item = c.item;
    int port = -7;
    EXPECT_EQ(SplitPort(item, port), c.noPort);
    EXPECT_EQ(item, c.address);
    EXPECT_EQ(port, c.port);
}

// Digits after the first colon count, whatever lies between them; port 0, ports past 65535
// and a last character that is no digit keep the whole text.
INSTANTIATE_TEST_SUITE_P(Items, SplitPortTest,
                         ::testing::Values(SplitCase{"10.0.0.5:80", false, "10.0.0.5", 80},
                                           SplitCase{"10.0.0.5", true, "10.0.0.5", -7},
                                           SplitCase{"10.0.0.5:8a0", false, "10.0.0.5", 80},
                                           SplitCase{"10.0.0.5:000", true, "10.0.0.5:000", -7},
                                           SplitCase{"10.0.0.5:65536", true, "10.0.0.5:65536", -7},
                                           SplitCase{"10.0.0.5:99999999999999999999", true,
                                                     "10.0.0.5:99999999999999999999", -7},
                                           SplitCase{"10.0.0.5:65535", false, "10.0.0.5", 65535},
                                           SplitCase{"10.0.0.5:0080", false, "10.0.0.5", 80},
                                           SplitCase{"10.0.0.5:80a", true, "10.0.0.5:80a", -7},
                                           SplitCase{"10.0.0.5:", true, "10.0.0.5:", -7},
                                           SplitCase{"10.0.0.5:80 ", true, "10.0.0.5:80 ", -7},
                                           SplitCase{"host:1:2", false, "host", 12},
                                           SplitCase{"host:-5", false, "host", 5},
                                           SplitCase{":443", false, "", 443},
                                           SplitCase{"", true, "", -7},
                                           SplitCase{"12345", true, "12345", -7}));

}  // namespace
}  // namespace zelto::probes
