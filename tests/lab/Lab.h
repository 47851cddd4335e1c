#pragma once

// The network lab: everything a test needs to probe more than loopback without a packet ever
// reaching this machine's real network. A test runs its body in a forked child inside a fresh
// network namespace (only lo, up) and, where it needs one, a peer namespace linked by a veth
// pair plays the gateway. No named namespace is made; every namespace is held by a process
// that dies with the test, so nothing is left behind.
//
//     #include "lab/Lab.h"
//
//     TEST(Cli, FailsWhenTheGatewayIgnoresPings) {
//         zelto::lab::inFreshNetns([] {
//             zelto::lab::GatewayLab lab;  // 10.200.0.2 here, default route via 10.200.0.1
//             lab.peer().sysctl("net.ipv4.icmp_echo_ignore_all", "1");
//             zelto::lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.0.1\n");
//             auto r = zelto::lab::run({ZELTO_BIN_DIR "/zelto-cli", "run"});
//             EXPECT_EQ(r.exitCode, 2) << r.output;
//         });
//     }
//
// Inside the body, gtest assertions work as usual (they are reported to the parent test);
// lab helpers throw LabError, which fails the test with its message. The body may make
// threads; make Peers and Processes on the body's own thread.
//
// The lab needs root (CAP_SYS_ADMIN and CAP_NET_ADMIN), unshare(CLONE_NEWNET), veth and the
// ip command. Where they are missing, inFreshNetns and ZELTO_REQUIRE_LAB() skip the test, or
// fail it when the environment variable CI is "true".

#include <chrono>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "lab/Command.h"
#include "lab/GatewayLab.h"
#include "lab/LabError.h"
#include "lab/Peer.h"
#include "lab/Process.h"

namespace zelto::lab {

/// "" when network namespaces can be made here; otherwise why not. Probed once per process.
std::string unavailableReason();

/// True when the environment variable CI is "true".
bool inCi();

struct NetnsOptions {
    /// The body is killed, and the test fails, when it runs longer.
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};
    /// Also give the body a private mount namespace with its own /sys (so /sys/class/net shows
    /// this namespace's links) and allow overlayFile.
    bool privateMounts = true;
};

/// Runs `body` in a forked child inside a fresh network namespace whose only link is lo (up).
/// Failures and skips inside `body` become this test's; an escaping exception, a crash, an
/// exit or the time-out fail it. Skips (or, under CI, fails) when the lab cannot run here.
void inFreshNetns(const std::function<void()>& body, const NetnsOptions& options = {});

/// Sets a sysctl of the current network namespace: sysctl("net.ipv4.ping_group_range", "0 0").
void sysctl(const std::string& key, const std::string& value);
/// Reads a sysctl of the current network namespace.
std::string readSysctl(const std::string& key);

/// Makes `path` read as `content` for this body only (a bind mount in its private mount
/// namespace), e.g. /etc/resolv.conf or /etc/hosts. Refuses outside inFreshNetns.
void overlayFile(const std::string& path, const std::string& content);

/// Drops `capability` (e.g. CAP_NET_RAW) for good from the calling thread, as an unprivileged
/// user would run; call it before the body makes threads.
void dropCapability(int capability);

}  // namespace zelto::lab

/// At the top of a test that uses the lab without inFreshNetns: skips it (fails it under CI)
/// when namespaces cannot be made here.
#define ZELTO_REQUIRE_LAB()                                                              \
    do {                                                                                 \
        if (const std::string why_ = ::zelto::lab::unavailableReason(); !why_.empty()) { \
            if (::zelto::lab::inCi())                                                    \
                FAIL() << "The network lab must run under CI but cannot: " << why_;      \
            GTEST_SKIP() << "The network lab cannot run here: " << why_;                 \
        }                                                                                \
    } while (false)
