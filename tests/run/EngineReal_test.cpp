// Whole runs against the real Linux probes, inside network namespaces that each test makes for
// itself (tests/lab): a gateway 10.200.0.1 that answers, everything in 10.201.0.0/16 dropped.

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "lab/SysFiles.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// The real probes with connects that give up after 1.5 s instead of 20.
struct QuickProbes : probes::LinuxNetworkServices {
    QuickProbes() : LinuxNetworkServices(Options{.connectLimit = 1500ms, .reportNoSocket = {}}) {}
};

struct BlackholeLab : lab::GatewayLab {
    BlackholeLab() { peer().ip("route add blackhole 10.201.0.0/16"); }
};

struct LabRig : EngineRig<QuickProbes> {
    /// Loop Back, then rows `first` to `last` of four blackholed items each, every second one
    /// a connect when `connects`; the lines the failed pings write.
    std::string blackholed(std::vector<Row> rows, int first, int last, bool connects) {
        std::string lines;
        for (int r = first; r <= last; ++r) {
            Row row{"Row" + std::to_string(r), {}, "reach it"};
            lines += "Test " + std::to_string(rows.size() + 1) + ") " + row.name + "\r\n";
            for (int k = 1; k <= 4; ++k) {
                const std::string a = "10.201." + std::to_string(r) + "." + std::to_string(k);
                row.items.push_back(connects && k % 2 == 0 ? a + ":443" : a);
                lines += "!!!!!!!!!!! Ping failed for " + a + "\r\n";
            }
            lines += "******** You can not reach it\r\n\r\n";
            rows.push_back(row);
        }
        profile(rows);
        return lines;
    }
};

std::size_t openDescriptors() {
    return lab::countEntries("/proc/self/fd");
}

// Seven rows of four echoes that nobody answers cost one time-out, not 28, and still write
// every failure line in row and item order. Stop while a blackholed connect and twenty other
// probes wait: every socket is closed within 100 ms, and the row being read shows "Stopped".
TEST(RealRunLab, UnansweredProbesAllWaitAtOnceAndStopClosesThemAtOnce) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        LabRig rig;
        const std::string lines = rig.blackholed({{"Loop Back", {"127.0.0.1"}}}, 1, 7, false);
        const auto start = Clock::now();
        rig.engine.RunTests_Click();
        EXPECT_LT(Clock::now() - start, 5s);
        EXPECT_NE(rig.w.Results1.text().find(lines), std::string::npos) << rig.w.Results1.text();

        rig.blackholed({{"Loop Back", {"127.0.0.1"}}, {"Far", {"10.201.0.5:80"}}}, 2, 6, true);
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
            return seen + "|" + rig.session.LocalIP + "|" + rig.session.Run.RunSummary;
        };
        const std::string serial = runOnce(1);
        EXPECT_NE(serial.find("!!!!!!!!!!!  Failed to connect to 10.201.0.5:80"),
                  std::string::npos);
        EXPECT_TRUE(serial.ends_with("|3) Nobody-failed 4) Closed-failed 5) Names-problem "))
            << serial;
        EXPECT_EQ(runOnce(64), serial);
    });
}

}  // namespace
}  // namespace zelto::test
