// Whole runs against the real Linux probes: on loopback, and beyond it only inside network
// namespaces that each test makes for itself (tests/lab).

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliProcess.h"
#include "lab/Lab.h"
#include "lab/SysFiles.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

/// The real probes with connects that give up after 1.5 s instead of 20.
struct QuickProbes : probes::LinuxNetworkServices {
    QuickProbes()
        : LinuxNetworkServices([] {
              Options o;
              o.connectLimit = 1500ms;
              return o;
          }()) {}
};

using LabRig = EngineRig<QuickProbes>;

/// A lab whose gateway 10.200.0.1 answers, with everything in 10.201.0.0/16 dropped behind it.
struct BlackholeLab : lab::GatewayLab {
    BlackholeLab() { peer().ip("route add blackhole 10.201.0.0/16"); }
};

std::size_t openDescriptors() {
    return lab::countEntries("/proc/self/fd");
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

// Seven rows of four echoes that nobody answers cost one time-out, not 28, and still write
// every failure line in row and item order.
TEST(RealRunLab, UnansweredPingsAllWaitAtOnce) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        LabRig rig;
        std::vector<Row> rows{{"Loop Back", {"127.0.0.1"}}};
        std::string expected;
        for (int r = 1; r <= 7; ++r) {
            Row row{"Row" + std::to_string(r), {}, "reach it"};
            expected += "Test " + std::to_string(r + 1) + ") " + row.name + "\r\n";
            for (int k = 1; k <= 4; ++k) {
                row.items.push_back("10.201." + std::to_string(r) + "." + std::to_string(k));
                expected += "!!!!!!!!!!! Ping failed for " + row.items.back() + "\r\n";
            }
            expected += "******** You can not reach it\r\n\r\n";
            rows.push_back(row);
        }
        rig.profile(rows);
        const auto start = Clock::now();
        rig.engine.RunTests_Click();
        EXPECT_LT(Clock::now() - start, 5s);
        EXPECT_TRUE(contains(rig.w.Results1.text(), expected)) << rig.w.Results1.text();
    });
}

// Answering gateway, an on-link address nobody owns, a blackholed connect, a closed port, names
// known and unknown: the text is the one-after-the-other run's, round trips aside.
TEST(RealRunLab, MixedProfileWritesWhatTheSerialRunWrites) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
        lab::overlayFile("/etc/resolv.conf",
                         "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n");
        lab::overlayFile("/etc/hosts", "127.0.0.1 localhost\n10.200.0.1 labgw\n");
        auto runOnce = [](std::size_t inFlight) {
            LabRig rig;
            rig.engine.setMaxInFlight(inFlight);
            rig.profile({{"Loop Back", {"127.0.0.1"}},
                         {"Gateway", {"10.200.0.1", "labgw"}, "reach the gateway"},
                         {"Nobody", {"10.200.0.77", "10.201.0.5:80"}, "reach nobody"},
                         {"Closed", {"10.200.0.1:9", "labgw:9"}, "connect"},
                         {"Names", {"nosuch.zelto.test", "labgw", "nosuch.zelto.test:80"}, "x"}});
            rig.engine.RunTests_Click();
            std::string seen =
                std::regex_replace(rig.w.Results1.text(), std::regex(" in \\d+ ms"), " in N ms");
            for (int r = 0; r < 5; ++r)
                seen += "|" + rig.w.Status[r].text();
            return seen + "|" + rig.session.LocalIP + "|" + rig.session.Run.RunSummary;
        };
        const std::string serial = runOnce(1);
        EXPECT_TRUE(contains(serial, "!!!!!!!!!!!  Failed to connect to 10.201.0.5:80")) << serial;
        EXPECT_EQ(runOnce(64), serial);
    });
}

// Stop while a blackholed connect and twenty other probes wait: every socket is closed within
// 100 ms, and the row being read shows "Stopped".
TEST(RealRunLab, StopClosesEverySocketInFlightAtOnce) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        LabRig rig;
        std::vector<Row> rows{{"Loop Back", {"127.0.0.1"}}, {"Far", {"10.201.0.5:80"}}};
        for (int r = 2; r <= 6; ++r) {
            Row row{"Row" + std::to_string(r), {}};
            for (int k = 1; k <= 4; ++k) {
                const std::string a = "10.201." + std::to_string(r) + "." + std::to_string(k);
                row.items.push_back(k % 2 == 0 ? a + ":443" : a);
            }
            rows.push_back(row);
        }
        rig.profile(rows);
        const std::size_t before = openDescriptors();
        std::size_t during = 0;
        Clock::time_point stopped;
        rig.pump.during(400ms, [&] {
            during = openDescriptors();
            stopped = Clock::now();
            rig.engine.btnStopTest_Click();
        });
        rig.engine.RunTests_Click();
        while (openDescriptors() > before && Clock::now() - stopped < 1s)
            std::this_thread::yield();
        EXPECT_LT(Clock::now() - stopped, 100ms);
        EXPECT_EQ(openDescriptors(), before);
        EXPECT_GE(during, before + 21);
        EXPECT_EQ(rig.w.Status[1].text(), "Stopped");
        EXPECT_FALSE(rig.w.Status[2].visible());
    });
}

}  // namespace
}  // namespace zelto::test
