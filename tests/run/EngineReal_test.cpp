// Whole runs against the real Linux probes: on loopback, and beyond it only inside network
// namespaces that each test makes for itself (tests/lab).

#include <string>

#include <gtest/gtest.h>

#include "cli/CliProcess.h"
#include "lab/Lab.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "support/EngineRig.h"

namespace zelto::test {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct RealRun : ::testing::Test, EngineRig<probes::LinuxNetworkServices> {};

TEST_F(RealRun, LoopbackProfileRunsEndToEnd) {
    const LoopbackPort open(LoopbackPort::Kind::Listening);
    // Bound but not listening: the port stays closed and nobody else can take it meanwhile.
    const LoopbackPort closed(LoopbackPort::Kind::Refusing);
    const std::string openItem = open.item(), closedItem = closed.item();
    profile({{"Loop Back", {"127.0.0.1"}, "ping this PC"},
             {"Open", {openItem, "localhost:" + std::to_string(open.port())}, "connect"},
             {"Closed", {closedItem}, "connect"},
             {"Mixed", {"127.0.0.1", closedItem}, "connect"}});

    engine.RunTests_Click();

    const std::string& text = w.Results1.text();
    EXPECT_TRUE(contains(text, "            Successfully pinged 127.0.0.1 in ")) << text;
    EXPECT_TRUE(contains(text, "            Successfully connected to " + openItem + "\r\n"));
    EXPECT_TRUE(contains(text, "            -- Resolved localhost to 127.0.0.1\r\n"));
    EXPECT_TRUE(contains(text, "!!!!!!!!!!!  Failed to connect to " + closedItem + "\r\n"));
    EXPECT_EQ(w.Status[0].text(), "passed");
    EXPECT_EQ(w.Status[1].text(), "passed");
    EXPECT_EQ(w.Status[2].text(), "failed. Click cross");
    EXPECT_EQ(w.Status[3].text(), "problem");
    EXPECT_EQ(w.TestStatus.text(), "COMPLETED");
    EXPECT_EQ(session.Run.RunSummary, "3) Closed-failed 4) Mixed-problem ");
}

// Inside a namespace of its own: this PC is 10.200.0.2, its gateway 10.200.0.1 answers, and
// 10.200.0.77 lies on the link but nobody owns it.
TEST(RealRunLab, GatewayAnswersAndAnAddressNobodyOwnsFails) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;
        struct Rig : EngineRig<probes::LinuxNetworkServices> {
        } rig;
        rig.profile({{"Loop Back", {"127.0.0.1"}},
                     {"Gateway", {lab::GatewayLab::kGateway}, "reach the gateway"},
                     {"Nobody", {"10.200.0.77", "10.200.0.77:80"}, "reach nobody"}});

        rig.engine.RunTests_Click();

        const std::string& text = rig.w.Results1.text();
        EXPECT_EQ(rig.w.current_ip.text(), lab::GatewayLab::kLocal);
        EXPECT_EQ(rig.w.Status[0].text(), "passed") << text;
        EXPECT_EQ(rig.w.Status[1].text(), "passed") << text;
        EXPECT_TRUE(contains(text, "            Successfully pinged 10.200.0.1 in "));
        EXPECT_EQ(rig.w.Status[2].text(), "failed. Click cross") << text;
        EXPECT_TRUE(contains(text,
                             "Test 3) Nobody\r\n"
                             "!!!!!!!!!!! Ping failed for 10.200.0.77\r\n"
                             "!!!!!!!!!!!  Failed to connect to 10.200.0.77:80\r\n"
                             "******** You can not reach nobody\r\n"));
        EXPECT_EQ(rig.tray.calls,
                  std::vector<std::string>{"icon 101 Stopped-3) Nobody-failed  at " + rig.time()});
    });
}

}  // namespace
}  // namespace zelto::test
