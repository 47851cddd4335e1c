// How whole runs wait: against the real Linux probes, each inside a network namespace the test
// makes for itself (tests/lab): a gateway 10.200.0.1 that answers, everything in 10.201.0.0/16
// dropped; and in the desktop's Qt event loop.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "shell/QtEventPump.h"
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

// Six rows of four echoes that nobody answers and a blackholed connect cost one time-out each,
// not 25, and still write every failure line in row and item order. Stop while they all wait:
// every socket is closed within 100 ms.
TEST(RealRunLab, UnansweredProbesAllWaitAtOnceAndStopClosesThemAtOnce) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        EngineRig<QuickProbes> rig;
        std::vector<Row> rows{{"Loop Back", {"127.0.0.1"}}, {"Far", {"10.201.0.5:80"}}};
        std::string lines;
        for (int r = 3; r <= 8; ++r) {
            rows.push_back({"Row" + std::to_string(r), {}, "reach it"});
            lines += "Test " + std::to_string(r) + ") Row" + std::to_string(r) + "\r\n";
            for (int k = 1; k <= 4; ++k) {
                rows.back().items.push_back("10.201." + std::to_string(r) + "." +
                                            std::to_string(k));
                lines += "!!!!!!!!!!! Ping failed for " + rows.back().items.back() + "\r\n";
            }
            lines += "******** You can not reach it\r\n\r\n";
        }
        rig.profile(rows);
        const auto start = Clock::now();
        rig.engine.RunTests_Click();
        EXPECT_LT(Clock::now() - start, 5s);
        EXPECT_NE(rig.w.Results1.text().find(lines), std::string::npos) << rig.w.Results1.text();

        auto open = [] { return lab::countEntries("/proc/self/fd"); };
        const std::size_t before = open();
        std::size_t during = 0;
        Clock::time_point stopped;
        rig.pump.during(400ms, [&] {
            during = open();
            stopped = Clock::now();
            rig.engine.btnStopTest_Click();
        });
        rig.engine.RunTests_Click();
        while (open() > before && Clock::now() - stopped < 1s)
            std::this_thread::yield();
        EXPECT_LT(Clock::now() - stopped, 100ms);
        EXPECT_EQ(open(), before);
        EXPECT_GE(during, before + 21);
    });
}

// Answering gateway, an on-link address nobody owns, a blackholed connect, a closed port, names
// known and unknown: the text is the one-after-the-other run's, round trips aside.
TEST(RealRunLab, MixedProfileWritesWhatTheSerialRunWrites) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        namesFrom("127.0.0.1", "10.200.0.1 labgw\n");
        auto runOnce = [](std::size_t inFlight) {
            EngineRig<QuickProbes> rig;
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

// Accepts connections on port 7000 of the namespace it runs in.
int acceptConnects() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{.sin_family = AF_INET, .sin_port = htons(7000), .sin_addr = {}, .sin_zero = {}};
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 8) != 0)
        return 1;
    for (;;)
        ::close(::accept(s, nullptr, nullptr));
}

/// The gateway with a service on it; its name server (in the blackhole) never answers.
struct Network {
    Network() { std::this_thread::sleep_for(100ms); }  // bound before the first run
    BlackholeLab gateway;
    lab::Process service = gateway.peer().spawn(acceptConnects);
};

// Broken once the run has found this PC's address and begins its rows, every run still ends
// within the probes' time-outs (a silent name server's included) with the line each broken item
// owes, and the address watch finds this PC's address again once a new link brings it back.
// Deleting lab0 takes the pair with it, as the gateway's namespace going away does.
TEST(FaultLab, ARunWhoseNetworkBreaksEndsWithTheLinesOfWhatBrokeAndTheAddressIsFoundAgain) {
    for (const char* fault :
         {"link set lab0 down", "link del lab0", "addr del 10.200.0.2/24 dev lab0"}) {
        SCOPED_TRACE(fault);
        lab::inFreshNetns([fault] {
            namesFrom("10.201.0.53", "");
            std::optional<Network> network{std::in_place};
            MainRig<ui::BlockingPump, QuickProbes> rig;
            rig.writeProfile(
                "OutofOffice.ini",
                {"[Configured By]", "Lab", "[Gateway]", "reach it", "10.200.0.1", "[Service]",
                 "use it", "10.200.0.1:7000", "[Name]", "find it", "server.lab"});
            rig.main.showChecker();
            auto& c = rig.c;
            auto run = [&] {
                const auto start = Clock::now();
                rig.main.RunTests_Click();
                EXPECT_LT(Clock::now() - start, 5s);
                return c.Status[1].text() + "|" + c.Status[2].text() + "|" + c.Status[3].text();
            };
            const std::string failed = "failed. Click cross";
            ASSERT_EQ(run(), "passed|passed|" + failed) << c.Results1.text();

            bool broken = false;
            c.TestStatus.changed.connect([&] {
                if (!broken && c.TestStatus.text() == "Running") {
                    broken = true;
                    lab::ip(fault);
                }
            });
            EXPECT_EQ(run(), failed + "|" + failed + "|" + failed);
            ASSERT_TRUE(broken);
            const std::string& results = c.Results1.text();
            EXPECT_EQ(c.Status[0].text(), "passed") << results;
            EXPECT_EQ(c.TestStatus.text(), "COMPLETED");
            for (const char* line : {"!!!!!!!!!!! Ping failed for 10.200.0.1",
                                     "!!!!!!!!!!!  Failed to connect to 10.200.0.1:7000",
                                     "!!!!!!!!!!! Unable to get the IP address for server.lab"})
                EXPECT_NE(results.find(line), std::string::npos) << results;

            // The next run starts without an address and the watch begins.
            run();
            EXPECT_EQ(c.current_ip.text(), "Blank! Press cross for help");
            ASSERT_TRUE(c.Timer1.enabled());
            c.Timer1.tick();
            EXPECT_TRUE(c.Timer1.enabled());
            lab::run({"ip", "link", "del", "lab0"});
            network.emplace();
            c.Timer1.tick();
            EXPECT_FALSE(c.Timer1.enabled());
            EXPECT_EQ(c.current_ip.text(), "10.200.0.2     Run Tests again");
            EXPECT_TRUE(c.IP_Check.visible());
        });
    }
}

/// A connect that sleeps 1.5 s without polling, so the CPU measured is the waiting pump's.
struct SlowConnect : FakeNetworkServices {
    probes::ConnectResult connect(const std::string&, int, std::stop_token) override {
        std::this_thread::sleep_for(1500ms);
        return probes::ConnectResult::Connected;
    }
};

// A run waits for its probes without freezing the window and without burning CPU: events that
// reach the Qt event loop while a probe is in flight are served before the probe returns.
TEST(Responsiveness, TimerTicksAreServedWhileAConnectWaitsAtAlmostNoCpu) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EngineRig<SlowConnect, shell::QtEventPump> rig;
    rig.probes.answers("127.0.0.1");
    rig.profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80"}}});
    // A timer of the window, driven by a QTimer as the widget layer drives it. A tick counts
    // while the run goes on: a wait that served none would leave one late tick at most.
    int ticksInRun = 0;
    rig.w.Timer2.setEnabled(true);
    rig.w.Timer2.onTick = [&] { ticksInRun += rig.engine.running() ? 1 : 0; };
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { rig.w.Timer2.tick(); });
    timer.start(100);
    const std::clock_t before = std::clock();
    rig.engine.RunTests_Click();
    const double used = static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    EXPECT_EQ(rig.w.Status[1].text(), "passed");
    EXPECT_GE(ticksInRun, 5) << "timer ticks were not served during the wait";
    EXPECT_LT(used, 0.1) << "a 1.5 s wait used " << used << " s of CPU";
}

}  // namespace
}  // namespace zelto::test
