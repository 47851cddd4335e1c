// The desktop program ended by the system (logout and shutdown send SIGTERM or SIGHUP, a
// terminal SIGINT): it unloads its main window like the Exit item does, saving the settings,
// and ends with status 0.

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "lab/Lab.h"
#include "support/TempDir.h"

namespace zelto::test {
namespace {

using namespace std::chrono_literals;

/// Whether the process's main thread waits in its event loop (poll or ppoll).
bool waitsForEvents(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    in >> number;
#ifdef SYS_poll
    if (number == SYS_poll)
        return true;
#endif
    return number == SYS_ppoll;
}

/// Waits until `pid` has sat in its event loop for a second: start-up is over.
bool settles(pid_t pid, std::chrono::seconds limit) {
    int idle = 0;
    for (auto until = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < until && idle < 20;) {
        std::this_thread::sleep_for(50ms);
        idle = waitsForEvents(pid) ? idle + 1 : 0;
    }
    return idle >= 20;
}

TEST(DesktopEnd, ASignalUnloadsTheWindowSavesTheSettingsAndEndsWithStatus0) {
    for (const int signo : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signo);
        // In a namespace of its own: the bundled profile would otherwise look at the real network.
        lab::inFreshNetns([signo] {
            TempDir home;
            const std::string config = home.path() + ".config/";
            std::filesystem::create_directories(config + "Zelto");
            const std::string record = "O11000000000701010";
            const std::string file = config + "Zelto/Zelto.conf";
            std::ofstream(file) << "[Codes]\nSettings=" << record << "\n";
            ::setenv("HOME", home.path().c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);

            lab::Process zelto = lab::Process::start([] {
                ::execl(ZELTO_BIN_DIR "/zelto", "zelto", nullptr);
                return 127;
            });
            ASSERT_TRUE(settles(zelto.pid(), 30s));
            // Gone, so only the unload can bring the record back.
            std::filesystem::remove(file);
            ::kill(zelto.pid(), signo);
            EXPECT_EQ(zelto.waitAtMost(10s), 0);
            std::stringstream saved;
            saved << std::ifstream(file).rdbuf();
            EXPECT_NE(saved.str().find("Settings=" + record), std::string::npos) << saved.str();
        });
    }
}

}  // namespace
}  // namespace zelto::test
