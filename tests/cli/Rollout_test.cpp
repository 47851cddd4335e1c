// A help desk's roll-out as it happens on real PCs: the built programs make Setup.run from the
// command line, the package is installed over a terminal with no display and answers piped
// in, and the installed zelto-cli runs. Probes leave loopback only inside a lab namespace.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "cli/CliProcess.h"
#include "lab/Lab.h"
#include "package/CopyShortCuts.h"
#include "package/MakeSetup.h"
#include "package/PackUnpack.h"
#include "screens/Progress.h"
#include "support/TempDir.h"

namespace zelto::test {
namespace {

namespace fs = std::filesystem;
using package::kFileNames;

unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Setup.run started as over SSH: a pseudo-terminal for its output, no display, a home folder of
// its own, and `answers` (a shell command such as "yes n") piped into it.
lab::CommandResult installOverSsh(const std::string& setup, const std::string& home,
                                  const std::string& answers) {
    const std::string command =
        answers + " | env -i HOME='" + home + "' PATH=/usr/bin:/bin LANG=C.UTF-8 '" + setup + "'";
    lab::CommandResult r = lab::run({"script", "-qec", command, "/dev/null"});
    // The terminal ends its lines in CR LF.
    r.output = std::regex_replace(r.output, std::regex("\r\n"), "\n");
    return r;
}

TEST(Rollout, MakeSetupFromTheCommandLineThenATerminalInstallGivesAWorkingChecker) {
    TempDir dir;
    const std::string program = dir.path() + "program/";
    fs::create_directories(program);
    for (const char* name : kFileNames) {
        const bool built = name == std::string("zelto") || name == std::string("zelto-cli");
        fs::copy_file(std::string(built ? ZELTO_BIN_DIR : ZELTO_DATA_DIR) + "/" + name,
                      program + name);
    }
    const CliResult made = runCli({"--folder", program, "make-setup"});
    if (fs::file_size(program + "zelto") > package::kMaxRecordLength) {
        // Sanitizer builds outgrow what a trailer can describe: the build must say so.
        EXPECT_EQ(made.exitCode, 3);
        EXPECT_NE(made.err.find(package::kTooBigText), std::string::npos) << made.err;
        GTEST_SKIP() << "programs too big for a package in this build";
    }
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.err,
              std::string(ui::kAppTitle) + ": " + package::setupCreatedText(program) + "\n");
    std::uintmax_t sum = 0;
    for (const char* name : kFileNames)
        sum += fs::file_size(program + name);
    EXPECT_EQ(fs::file_size(program + "Setup.run"), sum + 18);

    const std::string setup = dir.path() + "downloads/Setup.run";
    fs::create_directories(dir.path() + "downloads");
    fs::copy_file(program + "Setup.run", setup);
    const std::string home = dir.path() + "home";
    fs::create_directories(home);

    // A cut download is refused before anything is written, answers yes or not.
    const std::string whole = slurp(setup);
    const std::string damaged = dir.write("Damaged.run", whole.substr(0, whole.size() - 10));
    fs::rename(damaged, dir.path() + "Setup.run");
    fs::permissions(dir.path() + "Setup.run", fs::perms::owner_all);
    const lab::CommandResult refused = installOverSsh(dir.path() + "Setup.run", home, "yes");
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("File error for " + dir.path() +
                                  "Setup.run . Description=The package at the end of this "
                                  "file is damaged or incomplete"),
              std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find(package::kUnpackProblemText), std::string::npos);
    EXPECT_TRUE(fs::is_empty(home)) << "nothing written: no folder, no launcher";

    const lab::CommandResult declined = installOverSsh(setup, home, "yes n");
    EXPECT_EQ(declined.exitCode, 0) << declined.output;
    EXPECT_EQ(declined.output, "Do you want to install Zelto (No ends the program) (y/n) n\n");
    EXPECT_TRUE(fs::is_empty(home)) << "no answer yes, no file";

    const lab::CommandResult installed = installOverSsh(setup, home, "yes");
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    const std::string zelto = home + "/Zelto/";
    for (const char* name : kFileNames) {
        EXPECT_EQ(slurp(zelto + name), slurp(program + name)) << name;
        EXPECT_NE(installed.output.find("\nUnpacked " + zelto + name + "\n"), std::string::npos)
            << name;
        const bool executable = name == std::string("zelto") || name == std::string("zelto-cli");
        EXPECT_EQ(modeOf(zelto + name), executable ? 0755U : 0644U) << name;
    }
    EXPECT_EQ(slurp(home + "/Desktop/Zelto.desktop"), package::launcherText(zelto + "zelto"));
    EXPECT_EQ(slurp(home + "/Desktop/Zelto_remove.sh"),
              package::removalScript(zelto, home + "/Desktop/Zelto.desktop"));
    EXPECT_EQ(modeOf(home + "/Desktop/Zelto_remove.sh"), 0755U);

    // The shipped user units check out against the installed checker.
    const std::string runtime = dir.path() + "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const std::string units = std::string(ZELTO_DATA_DIR) + "/../packaging/systemd/";
    const lab::CommandResult verified =
        lab::run({"env", "HOME=" + home, "XDG_RUNTIME_DIR=" + runtime, "systemd-analyze", "--user",
                  "verify", units + "zelto-check.service", units + "zelto-check.timer"});
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    EXPECT_EQ(verified.output, "");

    // The installed checker finds its profiles beside itself and checks a lab network.
    lab::inFreshNetns([&zelto] {
        lab::GatewayLab lab;
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.0.1\n");
        CliRunOptions options;
        options.program = zelto + "zelto-cli";
        const CliResult run = runCli({"run", "--brief"}, options);
        EXPECT_GE(run.exitCode, 0) << run.err;
        EXPECT_LE(run.exitCode, 2) << run.err;
        EXPECT_TRUE(std::regex_match(run.out, std::regex(R"(ZELTO (OK|WARNING|CRITICAL) - .*\n)")))
            << run.out;
    });
}

}  // namespace
}  // namespace zelto::test
