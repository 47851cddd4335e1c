// The network lab harness itself: what other tests rely on when they use tests/lab.

#include "lab/Lab.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace zelto::lab {
namespace {

using namespace std::chrono_literals;

std::set<std::string> sysClassNet() {
    std::set<std::string> names;
    if (DIR* d = ::opendir("/sys/class/net")) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.')
                names.insert(e->d_name);
        ::closedir(d);
    }
    return names;
}

std::string childrenOfThisProcess() {
    std::string all;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/children");
            all += std::string(std::istreambuf_iterator<char>(in), {});
        }
        ::closedir(d);
    }
    return all;
}

// /sys/class/net is the namespace's own: the body sees its links only, and a peer's sysctls
// stay in the peer, which is gone with it.
TEST(Lab, TheBodyAndEachPeerHaveNamespacesOfTheirOwn) {
    inFreshNetns([] {
        EXPECT_EQ(sysClassNet(), std::set<std::string>{"lo"});
        pid_t holder = 0;
        {
            GatewayLab lab;
            holder = lab.peer().pid();
            EXPECT_EQ(sysClassNet(), (std::set<std::string>{"lo", "lab0"}));
            const CommandResult route = run({"ip", "route", "show", "default"});
            EXPECT_EQ(route.output.rfind("default via 10.200.0.1 dev lab0", 0), 0u) << route.output;
            EXPECT_TRUE(lab.peer().run({"ip", "link", "show", "lab1"}).ok());
            lab.peer().sysctl("net.ipv4.icmp_echo_ignore_all", "1");
            EXPECT_EQ(lab.peer().readSysctl("net.ipv4.icmp_echo_ignore_all"), "1");
            EXPECT_EQ(readSysctl("net.ipv4.icmp_echo_ignore_all"), "0");
            EXPECT_EQ(lab.peer().call([] { return 7; }), 7);
        }
        EXPECT_EQ(::kill(holder, 0), -1);
        EXPECT_EQ(childrenOfThisProcess(), "");
    });
    EXPECT_EQ(childrenOfThisProcess(), "");
}

TEST(Lab, CommandsReportTheirOutputExitCodeAndTimeOut) {
    const CommandResult r = run({"sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "out\nerr\n");
    EXPECT_EQ(run({"zelto-no-such-command"}).exitCode, 127);
    RunOptions quick;
    quick.timeout = 100ms;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run({"sleep", "5"}, quick).exitCode, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_THROW(must({"false"}), LabError);
}

TEST(Lab, OverlayFileRefusesToTouchTheMachinesOwnFiles) {
    const test::TempDir dir;
    const std::string file = dir.write("f.txt", "original");
    EXPECT_THROW(overlayFile(file, "changed"), LabError);
    EXPECT_EQ(dir.read("f.txt"), "original");
    inFreshNetns([&] {
        overlayFile(file, "changed");
        EXPECT_EQ(dir.read("f.txt"), "changed");
    });
    EXPECT_EQ(dir.read("f.txt"), "original");
}

// Bodies that go wrong on purpose, run by the test below in a second copy of this program.
TEST(LabSelfCheck, DISABLED_FailsInside) {
    inFreshNetns([] { ADD_FAILURE() << "marker-from-the-body"; });
}
TEST(LabSelfCheck, DISABLED_ThrowsInside) {
    inFreshNetns([] { throw LabError("marker-thrown"); });
}
TEST(LabSelfCheck, DISABLED_CrashesInside) {
    inFreshNetns([] { std::abort(); });
}
TEST(LabSelfCheck, DISABLED_HangsInside) {
    NetnsOptions o;
    o.timeout = 300ms;
    inFreshNetns([] { ::pause(); }, o);
}
TEST(LabSelfCheck, DISABLED_SkipsInside) {
    inFreshNetns([] { GTEST_SKIP() << "marker-skipped"; });
}

struct SelfCheck {
    const char* test;
    int exitCode;
    const char* marker;
};

class LabReports : public ::testing::TestWithParam<SelfCheck> {};

TEST_P(LabReports, WhatGoesWrongInTheBodyReachesTheTest) {
    ZELTO_REQUIRE_LAB();
    const CommandResult r =
        run({"/proc/self/exe", "--gtest_also_run_disabled_tests",
             std::string("--gtest_filter=LabSelfCheck.DISABLED_") + GetParam().test});
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.output;
    EXPECT_NE(r.output.find(GetParam().marker), std::string::npos) << r.output;
}

INSTANTIATE_TEST_SUITE_P(Bodies, LabReports,
                         ::testing::Values(SelfCheck{"FailsInside", 1, "marker-from-the-body"},
                                           SelfCheck{"ThrowsInside", 1, "marker-thrown"},
                                           SelfCheck{"CrashesInside", 1, "ended by signal 6"},
                                           SelfCheck{"HangsInside", 1, "ran longer than 300 ms"},
                                           SelfCheck{"SkipsInside", 0, "marker-skipped"}),
                         [](const auto& p) {
                             return std::string(p.param.test) + std::to_string(p.index);
                         });

}  // namespace
}  // namespace zelto::lab
