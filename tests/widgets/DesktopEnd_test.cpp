// The desktop program ended by the system (logout and shutdown send SIGTERM or SIGHUP, a
// terminal SIGINT): it unloads its main window like the Exit item does, saving the settings,
// and ends with status 0. The command-line tests send the other two signals to the same watch.

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "lab/Lab.h"
#include "support/TempDir.h"

#ifndef SYS_poll
#define SYS_poll SYS_ppoll  // architectures with ppoll only
#endif

namespace zelto::test {
namespace {

/// Waits until `pid` has sat in its event loop (poll or ppoll) for a second: start-up is over.
bool settles(pid_t pid) {
    for (int idle = 0, tries = 0; tries < 600; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        long number = -1;
        std::ifstream("/proc/" + std::to_string(pid) + "/syscall") >> number;
        idle = number == SYS_poll || number == SYS_ppoll ? idle + 1 : 0;
        if (idle == 20)
            return true;
    }
    return false;
}

TEST(DesktopEnd, ASignalUnloadsTheWindowSavesTheSettingsAndEndsWithStatus0) {
    // In a namespace of its own: the bundled profile would otherwise look at the real network.
    lab::inFreshNetns([] {
        TempDir home;
        std::filesystem::create_directories(home.path() + ".config/Zelto");
        const std::string file = ".config/Zelto/Zelto.conf", record = "O11000000000701010";
        home.write(file, "[Codes]\nSettings=" + record + "\n");
        ::setenv("HOME", home.path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home.path() + ".config").c_str(), 1);

        lab::Process zelto = lab::Process::start([] {
            ::execl(ZELTO_BIN_DIR "/zelto", "zelto", nullptr);
            return 127;
        });
        ASSERT_TRUE(settles(zelto.pid()));
        // Gone, so only the unload can bring the record back.
        std::filesystem::remove(home.path() + file);
        ::kill(zelto.pid(), SIGHUP);
        EXPECT_EQ(zelto.waitAtMost(std::chrono::seconds(10)), 0);
        EXPECT_NE(home.read(file).find("Settings=" + record), std::string::npos) << home.read(file);
    });
}

}  // namespace
}  // namespace zelto::test
