// Name lookups that would need a name server, and this PC's own address, inside network
// namespaces of their own (tests/lab): no query can leave the machine.

#include <chrono>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/StopLater.h"
#include "probes/linux/LinuxNetworkServices.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string longName() {
    std::string name;
    for (int i = 0; i < 25; ++i)
        name += "aaaaaaaaa.";
    return name + "aaaaa";  // 255 characters, the most a name keeps
}

TEST(LookupLab, NamesAreTrimmedAndCutAndUnknownOnesGiveAnEmptyText) {
    lab::inFreshNetns([] {
        // Only the hosts file and a name server on loopback, where nothing listens.
        lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
        lab::overlayFile("/etc/resolv.conf",
                         "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n");
        lab::overlayFile("/etc/hosts", "127.0.0.1 localhost\n10.200.0.9 labhost\n10.200.0.10 " +
                                           longName() + "\n");
        LinuxNetworkServices net;
        std::stop_source stop;
        for (const std::stop_token& token : {std::stop_token{}, stop.get_token()}) {
            EXPECT_EQ(net.getIPFromHostName("zelto-no-such-host.invalid", token), "");
            EXPECT_EQ(net.getIPFromHostName("   labhost ", token), "10.200.0.9");
            EXPECT_EQ(net.getIPFromHostName("  " + longName() + "bbbb  ", token), "10.200.0.10");
            EXPECT_EQ(net.getIPFromHostName(longName().substr(1) + "b", token), "");
        }
    });
}

TEST(LookupLab, AStopEndsALookupThatWaitsForANameServer) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;
        lab.peer().ip("route add blackhole 10.201.0.0/16");
        lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.201.0.53\noptions timeout:5\n");
        LinuxNetworkServices net;
        std::stop_source stop;
        test::StopLater stopper(stop, 100ms);
        const std::string address = net.getIPFromHostName("slow.zelto.test", stop.get_token());
        EXPECT_LT(stopper.latencyUntil(Clock::now()), 50ms);
        EXPECT_EQ(address, "");
    });
}

// " " asks for this PC's own address: the source of the default route, else the first address
// of a link that is up, else loopback.
TEST(LookupLab, ThisPcIsTheDefaultRoutesSourceOrTheFirstAddressOfALinkThatIsUp) {
    using Setup = std::function<std::unique_ptr<lab::GatewayLab>()>;
    const std::pair<Setup, std::string> cases[] = {
        {[] { return nullptr; }, "127.0.0.1"},
        {[] {
             // lab9 comes first but is down; lab0's first address wins.
             lab::ip("link add lab9 type veth peer name lab9p");
             lab::ip("addr add 10.199.0.9/24 dev lab9");
             auto lab = std::make_unique<lab::GatewayLab>(false);
             lab::ip("addr add 10.200.0.3/24 dev lab0");
             return lab;
         },
         lab::GatewayLab::kLocal},
        {[] {
             auto lab = std::make_unique<lab::GatewayLab>(false);
             lab::ip("addr add 10.200.0.3/24 dev lab0");
             lab::ip("route add default via 10.200.0.1 src 10.200.0.3");
             return lab;
         },
         "10.200.0.3"},
    };
    for (const auto& [setup, address] : cases) {
        lab::inFreshNetns([&] {
            const auto lab = setup();
            EXPECT_EQ(LinuxNetworkServices().getIPFromHostName(" ", {}), address);
        });
    }
}

}  // namespace
}  // namespace zelto::probes
