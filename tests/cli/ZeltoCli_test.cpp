// The built zelto-cli, run as a script or a monitoring system runs it, and a help desk's
// roll-out as it happens on real PCs: Setup.run made from the command line, installed over a
// terminal with no display and answers piped in. Probes go to loopback only; everything beyond
// it runs inside a network namespace the test makes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliProcess.h"
#include "lab/Lab.h"
#include "netparams/ReportTexts.h"
#include "package/CopyShortCuts.h"
#include "package/MakeSetup.h"
#include "package/PackUnpack.h"
#include "screens/Progress.h"
#include "support/TempDir.h"

namespace zelto::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
namespace texts = netparams::texts;
using package::kFileNames;
using Lines = std::vector<std::string>;

/// The metrics file read back by the Prometheus client library's own exposition parser.
Lines parsedMetrics(const std::string& file) {
    const char* script =
        "import sys\n"
        "from prometheus_client.parser import text_string_to_metric_families\n"
        "for f in text_string_to_metric_families(open(sys.argv[1], encoding='utf-8').read()):\n"
        "    for s in f.samples:\n"
        "        timed = s.name in ('zelto_run_duration_seconds', 'zelto_run_end_time_seconds')\n"
        "        labels = ','.join(k + '=' + v for k, v in sorted(s.labels.items()))\n"
        "        print(f.type, s.name, labels, 'T' if timed and s.value > 0 else int(s.value))\n";
    const CliResult r = runCli({"-c", script, file}, {.program = "/usr/bin/python3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    Lines lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

/// Nobody listens on port 1 of loopback: a connect there is refused at once.
constexpr const char* kClosed = "127.0.0.1:1";

struct ZeltoCli : ::testing::Test {
    /// Writes the Out of Office profile with CR LF line ends into the program folder.
    void profile(const Lines& lines) {
        std::string text;
        for (const auto& l : lines)
            text += l + "\r\n";
        dir.write("OutofOffice.ini", text);
    }
    CliResult cli(Lines args, const CliRunOptions& options = {}) {
        args.insert(args.begin(), {"--folder", dir.path()});
        return runCli(args, options);
    }

    TempDir dir;
};

// The forms of a run's report end to end; what they say is the report table's to check.
TEST_F(ZeltoCli, RunBesideTheProgramPrintsEachFormAndWritesTheMetrics) {
    // A quote, a backslash, a Windows-1252 byte and a control character still give valid
    // JSON and metrics.
    profile({"[Configured By]", "Desk \xe9\x01", "[Mi\"x\\ed \xe9]", "mix", "127.0.0.1", kClosed,
             "[Closed]", "close", kClosed, "[Fine]", "fine", "127.0.0.1"});
    fs::copy_file(kZeltoCli, dir.path() + "zelto-cli");
    const CliRunOptions beside{.program = dir.path() + "zelto-cli"};
    const std::string metrics = dir.path() + "metrics/zelto.prom";
    fs::create_directories(dir.path() + "metrics");

    const CliResult text = runCli({"run"}, beside);
    EXPECT_EQ(text.exitCode, 2) << text.err;
    EXPECT_THAT(text.out, HasSubstr("\n            You can fine\n"));
    EXPECT_EQ(text.out.find('\r'), std::string::npos);
    const CliResult json = runCli({"run", "--json", "--prometheus", metrics}, beside);
    EXPECT_EQ(json.exitCode, 2) << json.err;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1) << json.out;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(o["banner"].toString(), QString::fromUtf8("Configured by Desk \xef\xbf\xbd\x01"));
    EXPECT_EQ(o["tests"].toArray().size(), 4);
    const std::string p = "profile=Out of Office";
    EXPECT_EQ(
        parsedMetrics(metrics),
        (Lines{"gauge zelto_test_outcome number=1," + p + ",test=Loop Back 0",
               "gauge zelto_test_outcome number=2," + p + ",test=Mi\"x\\ed \xef\xbf\xbd 1",
               "gauge zelto_test_outcome number=3," + p + ",test=Closed 2",
               "gauge zelto_test_outcome number=4," + p + ",test=Fine 0",
               "gauge zelto_tests outcome=passed," + p + " 2",
               "gauge zelto_tests outcome=failed," + p + " 1",
               "gauge zelto_tests outcome=problem," + p + " 1",
               "gauge zelto_run_status " + p + " 2", "gauge zelto_run_duration_seconds " + p + " T",
               "gauge zelto_run_end_time_seconds " + p + " T"}));
    EXPECT_EQ(fs::status(metrics).permissions(), fs::perms(0644))
        << "the collector runs as another user";

    // A run that cannot happen replaces the last run's values instead of leaving them.
    EXPECT_EQ(runCli({"run", "--tests", "9", "--prometheus", metrics}, beside).exitCode, 3);
    EXPECT_EQ(parsedMetrics(metrics), (Lines{"gauge zelto_run_status " + p + " 3",
                                             "gauge zelto_run_duration_seconds " + p + " 0",
                                             "gauge zelto_run_end_time_seconds " + p + " T"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() + "metrics"), {}), 1)
        << "no temporary file is left";
    const CliResult unwritable = runCli({"run", "--prometheus", dir.path() + "no/m.prom"}, beside);
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
    struct Case {
        Lines args;
        int exit;
        std::string out, err;
    };
    const std::vector<Case> cases{
        {{"help", "loop back"}, 0, "Check the cable.\n", ""},
        {{"help", "DNS"}, 1, "Unable to find help on DNS\n", ""},
        {{"guide"}, 0, "Press Run Tests.\n", ""},
        {{"guide", "Nothing"}, 1, "Unable to find documentation on Nothing\n", ""},
        {{"run", "--brief"}, 3, "ZELTO UNKNOWN - the profile could not be loaded\n", loadError},
        {{"run", "--json"},
         3,
         "{\"error\":\"the profile could not be loaded\",\"exitCode\":3}\n",
         loadError},
        {{"run", "--bogus"},
         3,
         "",
         "zelto-cli: unknown option '--bogus'\n" + std::string(cli::kCliUsage)},
        {{"--help"}, 0, cli::kCliUsage, ""},
        {{"--version"}, 0, "zelto-cli 1.9\n", ""},
    };
    for (const Case& c : cases) {
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args.back();
        EXPECT_EQ(r.out, c.out) << c.args.back();
        EXPECT_EQ(r.err, c.err) << c.args.back();
    }
    fs::remove(dir.path() + "Help.txt");
    const CliResult missing = cli({"help", "Loop Back"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_THAT(missing.err, HasSubstr("File error for " + dir.path() + "Help.txt"));
}

TEST_F(ZeltoCli, InterruptStopsTheRunAndStillReports) {
    // A connect to an address on the lab's link that nobody owns waits for its resolution.
    profile({"[Configured By]", "Desk", "[Hang]", "wait", "10.200.0.77:80", "[After]", "after",
             "127.0.0.1"});
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

// Inside a network namespace made here: the addresses, routes and links the test sets.
TEST(ZeltoCliLab, ParamsAndInterfacesSeeTheNamespacesOwnNetwork) {
    lab::inFreshNetns([] {
        const CliResult bare = runCli({"params"});
        EXPECT_EQ(bare.exitCode, 3);
        EXPECT_EQ(bare.err, std::string("zelto-cli: ") + texts::kAdaptersSizingFailed + "232\n");

        lab::GatewayLab lab;
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.0.1\n");
        using namespace ::testing;
        const CliResult all = runCli({"params"});
        EXPECT_EQ(all.exitCode, 0) << all.err;
        EXPECT_THAT(all.out, StartsWith(texts::kHostName));
        // Key values leave out the host name; the explanation paragraphs come on request.
        EXPECT_THAT(runCli({"params", "--key", "--explain"}).out,
                    AllOf(HasSubstr(std::string(texts::kIpAddress) + "1" + texts::kIpAddressTail +
                                    "10.200.0.2\n"),
                          Not(HasSubstr(texts::kHostName)),
                          HasSubstr(std::string(texts::kDnsExplanation).substr(0, 40))));
        EXPECT_EQ(runCli({"params", "--analyze"}).out, "No problems found\n");
        EXPECT_THAT(runCli({"interfaces"}).out,  // loopback is never listed
                    AllOf(StartsWith("Network Adpater #1\n Desc: ......lab0"),
                          Not(HasSubstr("Network Adpater #2"))));
    });
}

TEST(Rollout, MakeSetupFromTheCommandLineThenATerminalInstallGivesAWorkingChecker) {
    TempDir dir;
    const std::string program = dir.path() + "program/", home = dir.path() + "home";
    for (const std::string folder : {"program", "home", "downloads", "runtime"})
        fs::create_directories(dir.path() + folder);
    std::uintmax_t sum = 0;
    for (const std::string name : kFileNames) {
        const bool built = name == "zelto" || name == "zelto-cli";
        fs::copy_file(std::string(built ? ZELTO_BIN_DIR : ZELTO_DATA_DIR) + "/" + name,
                      program + name);
        sum += fs::file_size(program + name);
    }
    const CliResult made = runCli({"--folder", program, "make-setup"});
    if (fs::file_size(program + "zelto") > package::kMaxRecordLength) {
        // Sanitizer builds outgrow what a trailer can describe: the build must say so.
        EXPECT_EQ(made.exitCode, 3);
        EXPECT_THAT(made.err, HasSubstr(package::kTooBigText));
        GTEST_SKIP() << "programs too big for a package in this build";
    }
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.err,
              std::string(ui::kAppTitle) + ": " + package::setupCreatedText(program) + "\n");
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
    EXPECT_THAT(refused.output,
                HasSubstr("File error for " + damaged +
                          " . Description=The package at the end of this file is damaged or "
                          "incomplete"));
    EXPECT_THAT(refused.output, HasSubstr(package::kUnpackProblemText));
    EXPECT_TRUE(fs::is_empty(home)) << "nothing written: no folder, no launcher";

    const lab::CommandResult declined = installOverSsh(setup, "yes n");
    EXPECT_EQ(declined.exitCode, 0) << declined.output;
    EXPECT_EQ(declined.output, "Do you want to install Zelto (No ends the program) (y/n) n\n");
    EXPECT_TRUE(fs::is_empty(home)) << "no answer yes, no file";

    const lab::CommandResult installed = installOverSsh(setup, "yes");
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    // The unpacking itself is the installer's own tests' to check; here: every file whole,
    // and the desktop found from HOME.
    const std::string zelto = home + "/Zelto/";
    for (const std::string name : kFileNames)
        EXPECT_EQ(dir.read("home/Zelto/" + name), dir.read("program/" + name)) << name;
    EXPECT_EQ(dir.read("home/Desktop/Zelto.desktop"), package::launcherText(zelto + "zelto"));

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
