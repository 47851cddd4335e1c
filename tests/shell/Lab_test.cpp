// Whole runs against the real Linux probes, each inside a network namespace the test makes for
// itself (tests/lab): a gateway 10.200.0.1 that answers, everything in 10.201.0.0/16 dropped.

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "netparams/linux/LinuxNetParams.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "support/EngineRig.h"
#include "support/MainFixture.h"

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

/// Names are looked up in `hosts`, then asked of `server` once, for a second at most.
void namesFrom(const std::string& server, const std::string& hosts) {
    lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
    lab::overlayFile("/etc/resolv.conf",
                     "nameserver " + server + "\noptions timeout:1 attempts:1\n");
    lab::overlayFile("/etc/hosts", "127.0.0.1 localhost\n" + hosts);
}

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
        namesFrom("127.0.0.1", "10.200.0.1 labgw\n");
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

// ---- A network that breaks during a run ------------------------------------------------------

// Accepts connections on the gateway's port 7000.
int acceptConnects() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(7000);
    ::inet_pton(AF_INET, lab::GatewayLab::kGateway, &a.sin_addr);
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 8) != 0)
        return 1;
    for (;;)
        ::close(::accept(s, nullptr, nullptr));
}

/// The gateway with a service on it; its name server (in the blackhole) never answers.
struct Network {
    Network() : gateway(std::make_unique<BlackholeLab>()) {
        service = gateway->peer().spawn(acceptConnects);
        std::this_thread::sleep_for(100ms);  // bound before the first run
    }
    void goAway() {
        service.reset();
        gateway.reset();
        // The kernel tears a namespace down after its last process has gone, veth pair
        // included; the run goes on once the link has gone with it.
        for (int i = 0; i < 500 && ::if_nametoindex("lab0") != 0; ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_EQ(::if_nametoindex("lab0"), 0U);
    }
    std::unique_ptr<BlackholeLab> gateway;
    std::optional<lab::Process> service;
};

// Every run still ends, within the probes' time-outs (a silent name server's included), with the
// line each broken item owes, and the address watch finds this PC's address again.
TEST(FaultLab, ARunWhoseNetworkBreaksEndsWithTheLinesOfWhatBrokeAndTheAddressIsFoundAgain) {
    auto ip = [](std::vector<std::string> commands) {
        return [commands](Network&) {
            for (const auto& command : commands)
                lab::ip(command);
        };
    };
    const std::string route = "route replace default via 10.200.0.1";
    const std::vector<std::pair<std::function<void(Network&)>, std::function<void(Network&)>>>
        faults{
            {ip({"link set lab0 down"}), ip({"link set lab0 up", route})},
            {[](Network& n) { n.goAway(); }, [](Network& n) { n = Network(); }},
            {ip({"addr del 10.200.0.2/24 dev lab0"}),
             ip({"addr add 10.200.0.2/24 dev lab0", route})},
        };
    for (const auto& [breakIt, mend] : faults) {
        SCOPED_TRACE(&breakIt - &faults[0].first);
        lab::inFreshNetns([&] {
            namesFrom("10.201.0.53", "");
            Network network;
            MainRig<ui::BlockingPump, QuickProbes> rig;
            rig.writeProfile(
                "OutofOffice.ini",
                {"[Configured By]", "Lab", "[Gateway]", "reach it", "10.200.0.1", "[Service]",
                 "use it", "10.200.0.1:7000", "[Name]", "find it", "server.lab"});
            rig.main.showChecker();
            auto& c = rig.c;
            auto statuses = [&] {
                return c.Status[1].text() + "|" + c.Status[2].text() + "|" + c.Status[3].text();
            };
            auto timedRun = [&] {
                const auto start = Clock::now();
                rig.main.RunTests_Click();
                return Clock::now() - start;
            };
            const std::string failed = "failed. Click cross";
            EXPECT_LT(timedRun(), 5s);
            ASSERT_EQ(statuses(), "passed|passed|" + failed) << c.Results1.text();

            // The run has found this PC's address and begins its rows when the network breaks.
            bool broken = false;
            c.TestStatus.changed.connect([&] {
                if (!broken && c.TestStatus.text() == "Running") {
                    broken = true;
                    breakIt(network);
                }
            });
            EXPECT_LT(timedRun(), 5s);
            ASSERT_TRUE(broken);
            const std::string& results = c.Results1.text();
            EXPECT_EQ(c.Status[0].text(), "passed") << results;
            EXPECT_EQ(c.TestStatus.text(), "COMPLETED");
            EXPECT_EQ(statuses(), failed + "|" + failed + "|" + failed);
            for (const char* line : {"!!!!!!!!!!! Ping failed for 10.200.0.1",
                                     "!!!!!!!!!!!  Failed to connect to 10.200.0.1:7000",
                                     "!!!!!!!!!!! Unable to get the IP address for server.lab"})
                EXPECT_NE(results.find(line), std::string::npos) << results;

            // The next run starts without an address and the watch begins.
            EXPECT_LT(timedRun(), 5s);
            EXPECT_EQ(c.current_ip.text(), "Blank! Press cross for help");
            ASSERT_TRUE(c.Timer1.enabled());
            c.Timer1.tick();
            EXPECT_TRUE(c.Timer1.enabled());
            mend(network);
            c.Timer1.tick();
            EXPECT_FALSE(c.Timer1.enabled());
            EXPECT_EQ(c.current_ip.text(), "10.200.0.2     Run Tests again");
            EXPECT_TRUE(c.current_ip.visible());
            EXPECT_TRUE(c.IP_Check.visible());
        });
    }
}

// The bundled Out of Office profile fills its items from the PC's own network each run: in a
// lab whose gateway answers and whose resolver names a server behind it, the Gateway and DNS
// tests pass against exactly those addresses, and DHCP (no client here) fails with its line.
TEST(OutOfOfficeLab, BundledProfileTestsTheLabsGatewayAndDnsServer) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;
        lab.peer().ip("addr add 10.200.9.53/32 dev lo");
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.9.53\n");

        int argc = 1;
        char name[] = "lab";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        TempDir dir;
        std::filesystem::copy_file(ZELTO_DATA_DIR "/OutofOffice.ini",
                                   dir.path() + "OutofOffice.ini");

        profiles::Session session;
        session.InstallDir = dir.path();
        ui::ScriptedPrompter prompt;
        ui::ThrowingProgramEnd end;
        probes::LinuxNetworkServices probes;
        netparams::LinuxNetParams net;
        ui::BlockingPump pump;
        ui::SystemClock clock;
        shell::MemorySettingsStore settings;
        RecordingTrayHost tray;
        shell::FrmMain main(session,
                            {prompt, end, probes, net.gatherer(), pump, clock, settings, tray});
        net.gatherer().setOutcomeHandler(
            [&main](const netparams::GatherOutcome& o) { main.applyGatherOutcome(o); });
        main.showChecker();
        auto& c = main.controls;
        EXPECT_EQ(c.current_ip.text(), "10.200.0.2");
        EXPECT_EQ(c.Adapter_status.text(), "lab0 (veth)-Enabled-Operational");

        main.RunTests_Click();
        const std::string& results = c.Results1.text();
        EXPECT_EQ(c.Status[1].text() + "|" + c.Status[2].text() + "|" + c.Status[3].text(),
                  "passed|failed. Click cross|passed")
            << results;
        for (const char* line : {"            Successfully pinged 10.200.0.1 in ",
                                 "            Successfully pinged 10.200.9.53 in ",
                                 "!!!!!!!!!!! Autoconfig was unable to get the IP address for "
                                 "3) DHCP"})
            EXPECT_NE(results.find(line), std::string::npos) << line;
        for (int row = 1; row <= 3; ++row)
            EXPECT_EQ(session.Table.at(0, row, 1), "autoconfig");
        EXPECT_EQ(c.window.icon(), 101);  // a failed test lights red
    });
}

}  // namespace
}  // namespace zelto::test
