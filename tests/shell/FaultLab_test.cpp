// Runs whose network breaks after they have started, in lab namespaces (tests/lab): every run
// still ends, within the probes' time-outs, with the line each broken item owes, and the
// address watch finds this PC's address again when it comes back.

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "lab/Lab.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "support/MainFixture.h"

namespace zelto::shell {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kGateway = lab::GatewayLab::kGateway;

/// The real probes with connects that give up after 2 s instead of 20.
struct QuickProbes : probes::LinuxNetworkServices {
    QuickProbes() : LinuxNetworkServices(Options{.connectLimit = 2s, .reportNoSocket = {}}) {}
};

/// A socket of `type` bound to the gateway's `port`; -1 when that fails.
int gatewaySocket(int type, int port) {
    const int s = ::socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, kGateway, &a.sin_addr);
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return -1;
    return s;
}

// Answers every A query with the gateway's address, from port 53 of the peer.
int answerNames() {
    const int s = gatewaySocket(SOCK_DGRAM, 53);
    if (s < 0)
        return 1;
    for (;;) {
        std::uint8_t q[512];
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t n = ::recvfrom(s, q, sizeof q, 0, reinterpret_cast<sockaddr*>(&from), &size);
        std::size_t end = 12;
        while (n > 12 && end < static_cast<std::size_t>(n) && q[end] != 0)
            end += q[end] + 1;
        end += 5;  // the root label, type and class
        if (n < 17 || end > static_cast<std::size_t>(n))
            continue;
        const bool typeA = q[end - 4] == 0 && q[end - 3] == 1;
        std::vector<std::uint8_t> r(q, q + end);
        r[2] = 0x81, r[3] = 0x80;         // an answer, recursion available
        r[6] = 0, r[7] = typeA ? 1 : 0;   // answers
        r[8] = r[9] = r[10] = r[11] = 0;  // no authority, no additional records
        if (typeA) {
            const std::uint8_t answer[] = {0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 10, 200, 0, 1};
            r.insert(r.end(), std::begin(answer), std::end(answer));
        }
        ::sendto(s, r.data(), r.size(), 0, reinterpret_cast<sockaddr*>(&from), size);
    }
}

// Accepts connections on the gateway's port 7000.
int acceptConnects() {
    const int s = gatewaySocket(SOCK_STREAM, 7000);
    if (s < 0 || ::listen(s, 8) != 0)
        return 1;
    for (;;)
        ::close(::accept(s, nullptr, nullptr));
}

/// The gateway with a name server and a service on it.
struct Network {
    Network() : gateway(std::make_unique<lab::GatewayLab>()) {
        names = gateway->peer().spawn(answerNames);
        service = gateway->peer().spawn(acceptConnects);
        std::this_thread::sleep_for(100ms);  // both bound before the first run
    }
    void goAway() {
        names.reset();
        service.reset();
        gateway.reset();
        // The kernel tears a namespace down after its last process has gone, veth pair
        // included; the run goes on once the link has gone with it.
        for (int i = 0; i < 500 && ::if_nametoindex("lab0") != 0; ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_EQ(::if_nametoindex("lab0"), 0U);
    }
    std::unique_ptr<lab::GatewayLab> gateway;
    std::optional<lab::Process> names;
    std::optional<lab::Process> service;
};

struct Fault {
    const char* name;
    std::function<void(Network&)> breakIt;
    std::function<void(Network&)> mend;
    bool addressGoes;
};

const std::string kGatewayPassed = "            Successfully pinged 10.200.0.1 in ";
const std::string kGatewayFailed = "!!!!!!!!!!! Ping failed for 10.200.0.1";
const std::string kServiceFailed = "!!!!!!!!!!!  Failed to connect to 10.200.0.1:7000";
const std::string kNameFailed = "!!!!!!!!!!! Unable to get the IP address for server.lab";

TEST(FaultLab, ARunWhoseNetworkBreaksEndsWithTheLinesOfWhatBrokeAndTheAddressIsFoundAgain) {
    auto ip = [](std::vector<std::string> commands) {
        return [commands](Network&) {
            for (const auto& command : commands)
                lab::ip(command);
        };
    };
    const std::string route = "route replace default via 10.200.0.1";
    const std::vector<Fault> faults{
        {"link down", ip({"link set lab0 down"}), ip({"link set lab0 up", route}), true},
        {"gateway gone", [](Network& n) { n.goAway(); }, [](Network& n) { n = Network(); }, true},
        {"address removed", ip({"addr del 10.200.0.2/24 dev lab0"}),
         ip({"addr add 10.200.0.2/24 dev lab0", route}), true},
        {"name server silent", [](Network& n) { ::kill(n.names->pid(), SIGSTOP); },
         [](Network& n) { ::kill(n.names->pid(), SIGCONT); }, false},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        lab::inFreshNetns([&] {
            lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
            lab::overlayFile("/etc/hosts", "127.0.0.1 localhost\n");
            lab::overlayFile("/etc/resolv.conf",
                             "nameserver 10.200.0.1\noptions timeout:1 attempts:1\n");
            Network network;
            test::MainRig<ui::BlockingPump, QuickProbes> rig;
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

            timedRun();
            ASSERT_EQ(statuses(), "passed|passed|passed") << c.Results1.text();

            // The run has found this PC's address and begins its rows when the network breaks.
            bool broken = false;
            c.TestStatus.changed.connect([&] {
                if (!broken && c.TestStatus.text() == "Running") {
                    broken = true;
                    fault.breakIt(network);
                }
            });
            EXPECT_LT(timedRun(), 5s);
            ASSERT_TRUE(broken);
            const std::string& results = c.Results1.text();
            EXPECT_EQ(c.Status[0].text(), "passed") << results;
            EXPECT_EQ(c.TestStatus.text(), "COMPLETED");
            if (fault.addressGoes) {
                EXPECT_EQ(statuses(),
                          "failed. Click cross|failed. Click cross|failed. Click cross");
                EXPECT_NE(results.find(kGatewayFailed), std::string::npos) << results;
                EXPECT_NE(results.find(kServiceFailed), std::string::npos) << results;
            } else {
                EXPECT_EQ(statuses(), "passed|passed|failed. Click cross");
                EXPECT_NE(results.find(kGatewayPassed), std::string::npos) << results;
            }
            EXPECT_NE(results.find(kNameFailed), std::string::npos) << results;

            if (fault.addressGoes) {
                // The next run starts without an address and the watch begins.
                EXPECT_LT(timedRun(), 5s);
                EXPECT_EQ(c.current_ip.text(), "Blank! Press cross for help");
                ASSERT_TRUE(c.Timer1.enabled());
                c.Timer1.tick();
                EXPECT_TRUE(c.Timer1.enabled());
            }
            fault.mend(network);
            c.Timer1.tick();
            EXPECT_FALSE(c.Timer1.enabled());
            EXPECT_EQ(c.current_ip.text(),
                      fault.addressGoes ? "10.200.0.2     Run Tests again" : "10.200.0.2");
            EXPECT_TRUE(c.current_ip.visible());
            EXPECT_TRUE(c.IP_Check.visible());
        });
    }
}

}  // namespace
}  // namespace zelto::shell
