// A help desk's roll-out as it happens on real PCs: the built programs make Setup.run from the
// command line, the package is installed over a terminal with no display and answers piped
// in, and the installed zelto-cli runs. Probes leave loopback only inside a lab namespace.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

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

bool built(const std::string& name) {
    return name == "zelto" || name == "zelto-cli";
}

TEST(Rollout, MakeSetupFromTheCommandLineThenATerminalInstallGivesAWorkingChecker) {
    TempDir dir;
    const std::string program = dir.path() + "program/", home = dir.path() + "home";
    for (const std::string folder : {"program", "home", "downloads", "runtime"})
        fs::create_directories(dir.path() + folder);
    for (const char* name : kFileNames)
        fs::copy_file(std::string(built(name) ? ZELTO_BIN_DIR : ZELTO_DATA_DIR) + "/" + name,
                      program + name);
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
    fs::copy_file(program + "Setup.run", setup);

    // Setup.run started as over SSH: a pseudo-terminal for its output, no display, a home
    // folder of its own, and `answers` (a shell command such as "yes n") piped into it.
    const auto installOverSsh = [&home](const std::string& setupRun, const std::string& answers) {
        lab::CommandResult r = lab::run({"script", "-qec",
                                         answers + " | env -i HOME='" + home +
                                             "' PATH=/usr/bin:/bin LANG=C.UTF-8 '" + setupRun + "'",
                                         "/dev/null"});
        r.output = std::regex_replace(r.output, std::regex("\r\n"), "\n");  // the terminal's
        return r;
    };
    // A cut download is refused before anything is written, answers yes or not.
    const std::string whole = dir.read("downloads/Setup.run");
    const std::string damaged = dir.write("Setup.run", whole.substr(0, whole.size() - 10));
    fs::permissions(damaged, fs::perms::owner_all);
    const lab::CommandResult refused = installOverSsh(damaged, "yes");
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("File error for " + damaged +
                                  " . Description=The package at the end of this file is damaged "
                                  "or incomplete"),
              std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find(package::kUnpackProblemText), std::string::npos);
    EXPECT_TRUE(fs::is_empty(home)) << "nothing written: no folder, no launcher";

    const lab::CommandResult declined = installOverSsh(setup, "yes n");
    EXPECT_EQ(declined.exitCode, 0) << declined.output;
    EXPECT_EQ(declined.output, "Do you want to install Zelto (No ends the program) (y/n) n\n");
    EXPECT_TRUE(fs::is_empty(home)) << "no answer yes, no file";

    const lab::CommandResult installed = installOverSsh(setup, "yes");
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    const std::string zelto = home + "/Zelto/";
    for (const char* name : kFileNames) {
        EXPECT_EQ(dir.read("home/Zelto/" + std::string(name)),
                  dir.read("program/" + std::string(name)))
            << name;
        EXPECT_NE(installed.output.find("\nUnpacked " + zelto + name + "\n"), std::string::npos)
            << name;
        EXPECT_EQ(fs::status(zelto + name).permissions(), fs::perms(built(name) ? 0755 : 0644))
            << name;
    }
    const std::string desktop = home + "/Desktop/";
    EXPECT_EQ(dir.read("home/Desktop/Zelto.desktop"), package::launcherText(zelto + "zelto"));
    EXPECT_EQ(dir.read("home/Desktop/Zelto_remove.sh"),
              package::removalScript(zelto, desktop + "Zelto.desktop"));
    EXPECT_EQ(fs::status(desktop + "Zelto_remove.sh").permissions(), fs::perms(0755));

    // The shipped user units check out against the installed checker.
    fs::permissions(dir.path() + "runtime", fs::perms::owner_all);
    const std::string units = std::string(ZELTO_DATA_DIR) + "/../packaging/systemd/";
    const lab::CommandResult verified = lab::run(
        {"env", "HOME=" + home, "XDG_RUNTIME_DIR=" + dir.path() + "runtime", "systemd-analyze",
         "--user", "verify", units + "zelto-check.service", units + "zelto-check.timer"});
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    EXPECT_EQ(verified.output, "");

    // The installed checker finds its profiles beside itself and checks a lab network.
    lab::inFreshNetns([&zelto] {
        lab::GatewayLab lab;
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.0.1\n");
        const CliResult run = runCli({"run", "--brief"}, {.program = zelto + "zelto-cli"});
        EXPECT_TRUE(run.exitCode >= 0 && run.exitCode <= 2) << run.exitCode << run.err;
        EXPECT_TRUE(std::regex_match(run.out, std::regex(R"(ZELTO (OK|WARNING|CRITICAL) - .*\n)")))
            << run.out;
    });
}

}  // namespace
}  // namespace zelto::test
