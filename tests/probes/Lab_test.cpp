// The network lab harness itself: what other tests rely on when they use tests/lab.

#include "lab/Lab.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace zelto::lab {
namespace {

using namespace std::chrono_literals;

std::set<std::string> sysClassNet() {
    std::set<std::string> names;
    for (const auto& link : std::filesystem::directory_iterator("/sys/class/net"))
        names.insert(link.path().filename());
    return names;
}

bool echoesIgnored() {
    return std::ifstream("/proc/sys/net/ipv4/icmp_echo_ignore_all").get() == '1';
}

// /sys/class/net is the namespace's own: the body sees its links only, and a peer's sysctls
// stay in the peer, which is gone with it.
TEST(Lab, TheBodyAndEachPeerHaveNamespacesOfTheirOwnAndLeaveNothingBehind) {
    inFreshNetns([] {
        EXPECT_EQ(sysClassNet(), std::set<std::string>{"lo"});
        pid_t holder = 0;
        {
            const GatewayLab lab;
            holder = lab.peer().pid();
            EXPECT_EQ(sysClassNet(), (std::set<std::string>{"lo", "lab0"}));
            lab.peer().sysctl("net.ipv4.icmp_echo_ignore_all", "1");
            EXPECT_EQ(lab.peer().spawn([] { return echoesIgnored() ? 7 : 0; }).wait(), 7);
            EXPECT_FALSE(echoesIgnored());
        }
        EXPECT_EQ(::kill(holder, 0), -1);
    });
}

TEST(Lab, CommandsReportTheirOutputAndExitCodeAndAreKilledAtTheTimeOut) {
    const CommandResult r = run({"sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "out\nerr\n");
    EXPECT_EQ(run({"sleep", "5"}, {.timeout = 100ms}).exitCode, -1);
    EXPECT_THROW(must({"false"}), LabError);
}

TEST(Lab, OverlayFileRefusesToTouchTheMachinesOwnFiles) {
    const test::TempDir dir;
    const std::string file = dir.write("f.txt", "original");
    EXPECT_THROW(overlayFile(file, "changed"), LabError);
    inFreshNetns([&] {
        overlayFile(file, "changed");
        EXPECT_EQ(dir.read("f.txt"), "changed");
    });
    EXPECT_EQ(dir.read("f.txt"), "original");
}

// Bodies that go wrong on purpose, run by the test below in a second copy of this program.
TEST(LabSelfCheck, DISABLED_GoesWrong) {
    inFreshNetns([] { ADD_FAILURE() << "marker-from-the-body"; });
    inFreshNetns([] { throw LabError("marker-thrown"); });
    inFreshNetns([] { std::abort(); });
    inFreshNetns([] { ::pause(); }, {.timeout = 300ms});
}
TEST(LabSelfCheck, DISABLED_Skips) {
    inFreshNetns([] { GTEST_SKIP() << "marker-skipped"; });
}

TEST(Lab, WhatGoesWrongInTheBodyReachesTheTest) {
    // In a body itself, which skips this test where the lab cannot run.
    inFreshNetns([] {
        const std::string out = run({"/proc/self/exe", "--gtest_also_run_disabled_tests",
                                     "--gtest_filter=LabSelfCheck.*"})
                                    .output;
        const std::string wrong = out.substr(0, out.find("[  FAILED  ] LabSelfCheck."));
        for (const char* marker : {"marker-from-the-body", "marker-thrown", "ended by signal 6",
                                   "ran longer than 300 ms"})
            EXPECT_NE(wrong.find(marker), std::string::npos) << marker << "\n" << out;
        EXPECT_NE(out.find("marker-skipped\n[  SKIPPED ] LabSelfCheck.DISABLED_Skips"),
                  std::string::npos)
            << out;
    });
}

}  // namespace
}  // namespace zelto::lab
