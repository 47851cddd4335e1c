// The built zelto-cli, run as a script or a monitoring system runs it, and a help desk's
// roll-out as it happens on real PCs: Setup.run made from the command line, installed over a
// terminal with no display and answers piped in. Probes go to loopback only; everything beyond
// it runs inside a network namespace the test makes.

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <tuple>

#include "cli/CliArguments.h"
#include "cli/CliProcess.h"
#include "package/CopyShortCuts.h"
#include "package/PackUnpack.h"
#include "support/TempDir.h"

namespace zelto::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

/// The metrics file as the Prometheus client library's own parser reads it; timings as "T".
std::string parsedMetrics(const std::string& file) {
    const char* script =
        "import sys; from prometheus_client.parser import text_string_to_metric_families as parse\n"
        "for f in parse(open(sys.argv[1], encoding='utf-8').read()):\n"
        "  for s in f.samples: print(f.type, s.name, ','.join(k + '=' + v for k, v in sorted("
        "s.labels.items())), 'T' if s.name.endswith('_seconds') and s.value > 0 else "
        "int(s.value))\n";
    const CliResult r = runCli({"-c", script, file}, {.program = "/usr/bin/python3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

/// A whole expected output, kept in fixtures/ beside this file.
std::string golden(const std::string& name) {
    std::ifstream in(ZELTO_DATA_DIR "/../tests/cli/fixtures/" + name);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct ZeltoCli : ::testing::Test {
    CliResult cli(Lines args, const CliRunOptions& options = {}) {
        args.insert(args.begin(), {"--folder", dir.path()});
        return runCli(args, options);
    }

    TempDir dir;
};

// A run end to end in each form, with the options that choose the profile, the rows and what
// is shown.
TEST_F(ZeltoCli, RunPrintsEachFormAndWritesTheMetrics) {
    // A quote, a backslash, a Windows-1252 byte and a control character still give valid
    // JSON and metrics. Nobody listens on port 1 of loopback: a connect there is refused.
    dir.write("OutofOffice.ini",
              "[Configured By]\r\nDesk \xe9\x01\r\n[Mi\"x\\ed \xe9]\r\nmix\r\n"
              "127.0.0.1\r\n127.0.0.1:1\r\n[Closed]\r\nclose\r\n127.0.0.1:1\r\n"
              "[Fine]\r\nfine\r\n127.0.0.1\r\n");
    dir.write("InOffice.ini",
              std::regex_replace(dir.read("OutofOffice.ini"), std::regex("Closed"), "Shut"));
    const std::string metrics = dir.path() + "zelto.prom";

    const CliResult in =
        cli({"run", "--in", "--tests", "3,1", "--errors-only", "--simple", "--timestamps"});
    EXPECT_EQ(std::regex_replace(in.out, std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)"), "T"),
              "\nTest 3) Shut - Pass 1  --T \n******** You can not close\n\n");
    // The address is this machine's own; timings vary.
    const CliResult json = cli({"run", "--json", "--prometheus", metrics});
    EXPECT_EQ(json.exitCode, 2) << json.err;
    EXPECT_EQ(std::regex_replace(
                  json.out, std::regex(R"("address":"[^"]*"|"seconds":[\d.]+| in \d+ ms)"), ""),
              golden("run.json"));
    EXPECT_EQ(parsedMetrics(metrics), golden("metrics.txt"));
    EXPECT_EQ(fs::status(metrics).permissions(), fs::perms(0644))
        << "the collector runs as another user";

    // A run that cannot happen replaces the last run's values instead of leaving them.
    const CliResult refused = cli({"run", "--tests", "5", "--prometheus", metrics});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(refused.err,
              "zelto-cli: --tests: there is no test 5 in the Out of Office profile "
              "(its tests are 1 to 4)\n");
    EXPECT_EQ(parsedMetrics(metrics), golden("metrics-not-run.txt"));
    const CliResult unwritable = cli({"run", "--prometheus", dir.path() + "no/m.prom"});
    EXPECT_EQ(unwritable.exitCode, 3);
    EXPECT_THAT(unwritable.err, HasSubstr("cannot write the metrics file"));
}

TEST_F(ZeltoCli, EveryCommandAnswersWithItsOwnOutputAndExitStatus) {
    dir.write("Help.txt", "[Loop Back]\r\nCheck the cable.\r\n");
    dir.write("UserGuide.txt", "[Using Zelto]\r\nPress Run Tests.\r\n");
    const std::string loadError =
        "Zelto: Error for Zelto: File error for " + dir.path() +
        "OutofOffice.ini . Description=No such file or directory - Error number=2\nZelto: "
        "Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end\n";
    const std::string usage = cli::kCliUsage,
                      json = "{\"error\":\"the profile could not be loaded\",\"exitCode\":3}\n";
    const std::vector<std::tuple<Lines, int, std::string, std::string>> cases{
        {{"help", "loop back"}, 0, "Check the cable.\n", ""},
        {{"help", "DNS"}, 1, "Unable to find help on DNS\n", ""},
        {{"guide"}, 0, "Press Run Tests.\n", ""},
        {{"run", "--brief"}, 3, "ZELTO UNKNOWN - the profile could not be loaded\n", loadError},
        {{"run", "--json"}, 3, json, loadError},
        {{"run", "--bogus"}, 3, "", "zelto-cli: unknown option '--bogus'\n" + usage},
    };
    for (const auto& [args, exit, out, err] : cases) {
        const CliResult r = cli(args);
        EXPECT_EQ(r.exitCode, exit) << args.back();
        EXPECT_EQ(r.out, out) << args.back();
        EXPECT_EQ(r.err, err) << args.back();
    }
    fs::remove(dir.path() + "Help.txt");  // its message is the help screen's own
    EXPECT_EQ(cli({"help", "Loop Back"}).exitCode, 3);
}

TEST_F(ZeltoCli, InterruptStopsTheRunAndStillReports) {
    // A connect to an address on the lab's link that nobody owns waits for its resolution.
    dir.write("OutofOffice.ini",
              "[Configured By]\nDesk\n[Hang]\nwait\n10.200.0.77:80\n[After]\nafter\n127.0.0.1\n");
    lab::inFreshNetns([this] {
        lab::GatewayLab lab;
        for (int signal : {SIGINT, SIGTERM}) {
            const CliResult r =
                cli({"run", "--brief"},
                    {.signal = signal, .signalAfter = std::chrono::milliseconds(700)});
            EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
            EXPECT_EQ(std::regex_replace(r.out, std::regex(R"(time=\d+\.\d{3}s\n$)"), "T"),
                      "ZELTO UNKNOWN - 2) Hang stopped, 3) After not run | passed=1 "
                      "failed=0 problem=0 T");
        }
    });
}

TEST(Rollout, MakeSetupFromTheCommandLineThenATerminalInstallGivesAWorkingChecker) {
    TempDir dir;
    const std::string program = dir.path() + "program/", home = dir.path() + "home";
    for (const std::string folder : {"program", "home", "downloads"})
        fs::create_directories(dir.path() + folder);
    for (const std::string name : package::kFileNames)  // the programs from the build
        fs::copy_file((name.starts_with("zelto") ? ZELTO_BIN_DIR "/" : ZELTO_DATA_DIR "/") + name,
                      program + name);
    // Sanitizer builds outgrow what a trailer can describe.
    if (fs::file_size(program + "zelto") > package::kMaxRecordLength)
        GTEST_SKIP() << "programs too big for a package in this build";
    const CliResult made = runCli({"--folder", program, "make-setup"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string setup = dir.path() + "downloads/Setup.run",
                      whole = dir.read("program/Setup.run");

    // Setup.run started as over SSH: a pseudo-terminal for its output, no display, a home
    // folder of its own, and `answers` (a shell command such as "yes n") piped into it.
    const auto installOverSsh = [&](const std::string& answers) {
        lab::CommandResult r = lab::run({"script", "-qec",
                                         answers + " | env -i HOME='" + home +
                                             "' PATH=/usr/bin:/bin LANG=C.UTF-8 '" + setup + "'",
                                         "/dev/null"});
        r.output = std::regex_replace(r.output, std::regex("\r\n"), "\n");  // the terminal's
        return r;
    };
    // A cut download is refused before anything is written, and the message names it.
    dir.write("downloads/Setup.run", whole.substr(0, whole.size() - 10));
    fs::permissions(setup, fs::perms::owner_all);
    const lab::CommandResult cut = installOverSsh("yes");
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_THAT(cut.output,
                HasSubstr("File error for " + setup +
                          " . Description=The package at the end of this file is damaged"));
    dir.write("downloads/Setup.run", whole);
    const lab::CommandResult declined = installOverSsh("yes n");
    EXPECT_EQ(declined.exitCode, 0) << declined.output;
    EXPECT_EQ(declined.output, "Do you want to install Zelto (No ends the program) (y/n) n\n");
    EXPECT_TRUE(fs::is_empty(home)) << "no file from a cut package nor without a yes";

    const lab::CommandResult installed = installOverSsh("yes");
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    // The unpacking itself is the installer's own tests' to check; here: every file whole,
    // and the desktop found from HOME.
    const std::string zelto = home + "/Zelto/";
    for (const std::string name : package::kFileNames)
        EXPECT_EQ(dir.read("home/Zelto/" + name), dir.read("program/" + name)) << name;
    EXPECT_EQ(dir.read("home/Desktop/Zelto.desktop"), package::launcherText(zelto + "zelto"));

    // The installed checker finds the bundled profile beside itself and checks a lab network
    // whose name server sits behind the gateway and where no DHCP server answers.
    lab::inFreshNetns([&zelto] {
        lab::GatewayLab lab;
        lab.peer().ip("addr add 10.200.9.53/32 dev lo");
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.9.53\n");
        const CliResult run = runCli({"run"}, {.program = zelto + "zelto-cli"});
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(std::regex_replace(run.out, std::regex(R"(\d+/\d+/\d+ [\d:]+| in \d+ ms)"), ""),
                  golden("bundled-profile-in-lab.txt"));
    });
}

}  // namespace
}  // namespace zelto::test
