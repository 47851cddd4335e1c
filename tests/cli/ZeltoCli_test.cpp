// The built zelto-cli, run as a script or a monitoring system runs it. Probes go to loopback
// only; everything beyond it runs inside network namespaces the tests make.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliProcess.h"
#include "lab/Lab.h"
#include "netparams/ReportTexts.h"
#include "support/TempDir.h"

namespace zelto::test {
namespace {

namespace texts = netparams::texts;
using Kind = LoopbackPort::Kind;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool hasLine(const std::string& text, const std::string& line) {
    return ("\n" + text + "\n").find("\n" + line + "\n") != std::string::npos;
}

QJsonObject jsonObject(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << text;
    EXPECT_TRUE(doc.isObject()) << text;
    return doc.object();
}

/// The plugin line without its line end and with the run time as "T", once its form is
/// checked: state, text, then the performance data with a C-locale number of seconds.
std::string plugin(const std::string& out) {
    static const std::regex form(R"(ZELTO (OK|WARNING|CRITICAL|UNKNOWN) - [^|\n]* \| passed=\d+ )"
                                 R"(failed=\d+ problem=\d+ time=\d+\.\d{3}s\n)");
    EXPECT_TRUE(std::regex_match(out, form)) << out;
    return std::regex_replace(out.substr(0, out.find('\n')), std::regex(R"(time=[0-9.]+s)"),
                              "time=T");
}

struct ZeltoCli : ::testing::Test {
    /// Writes a profile with CR LF line ends into the program folder.
    void profile(const std::vector<std::string>& lines,
                 const std::string& name = "OutofOffice.ini") {
        std::string text;
        for (const auto& l : lines)
            text += l + "\r\n";
        dir.write(name, text);
    }
    CliResult cli(std::vector<std::string> args, CliRunOptions options = {}) {
        args.insert(args.begin(), {"--folder", dir.path()});
        return runCli(args, options);
    }

    TempDir dir;
    LoopbackPort listening{Kind::Listening};
    LoopbackPort refusing{Kind::Refusing};
};

// Without --folder the profile beside the executable is read.
TEST_F(ZeltoCli, PassingProfilePrintsTheResultsTextWithLfLineEnds) {
    const std::string copy = dir.path() + "zelto-cli";
    std::filesystem::copy_file(kZeltoCli, copy);
    profile({"[Configured By]", "Desk 42", "[Port]", "reach the service", listening.item()});
    CliRunOptions options;
    options.program = copy;
    const CliResult r = runCli({"run"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_TRUE(r.out.starts_with("\n\n   TESTS STARTED   ")) << r.out;
    EXPECT_TRUE(hasLine(r.out, "Test 1) Loop Back")) << r.out;
    EXPECT_TRUE(hasLine(r.out, "            You can reach the service")) << r.out;
}

// The status and line themselves follow the report table; this is the program end to end.
TEST_F(ZeltoCli, BriefRunExitsWithTheWorstRowsStatusAndOnePluginLine) {
    profile({"[Configured By]", "Desk", "[Row]", "do it", refusing.item()});
    const CliResult r = cli({"run", "--brief"});
    EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
    EXPECT_EQ(plugin(r.out), "ZELTO CRITICAL - 2) Row failed | passed=1 failed=1 problem=0 time=T");
}

TEST_F(ZeltoCli, HelpAndGuidePrintWhatTheScreenShowsAndSayWhenItIsNotThere) {
    dir.write("Help.txt", "[Loop Back]\r\nCheck the cable.\r\n");
    dir.write("UserGuide.txt", "[Using Zelto]\r\nPress Run Tests.\r\n[Purpose]\r\nCheck.\r\n");
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases{
        {{"help", "loop back"}, 0, "Check the cable.\n"},
        {{"help", "DNS"}, 1, "Unable to find help on DNS\n"},
        {{"guide"}, 0, "Press Run Tests.\n"},
        {{"guide", "Purpose"}, 0, "Check.\n"},
        {{"guide", "Nothing"}, 1, "Unable to find documentation on Nothing\n"},
    };
    for (const auto& [args, exit, out] : cases) {
        const CliResult r = cli(args);
        EXPECT_EQ(r.exitCode, exit) << args.back() << r.err;
        EXPECT_EQ(r.out, out) << args.back();
        EXPECT_EQ(r.err, "") << args.back();
    }
    std::filesystem::remove(dir.path() + "Help.txt");
    const CliResult missing = cli({"help", "Loop Back"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_EQ(missing.out, "Unable to find help on Loop Back\n");
    EXPECT_NE(missing.err.find("File error for " + dir.path() + "Help.txt"), std::string::npos)
        << missing.err;
}

// The metrics file read back by the Prometheus client library's own exposition parser.
std::vector<std::string> parsedMetrics(const std::string& file) {
    const char* script =
        "import sys\n"
        "from prometheus_client.parser import text_string_to_metric_families\n"
        "for f in text_string_to_metric_families(open(sys.argv[1], encoding='utf-8').read()):\n"
        "    for s in f.samples:\n"
        "        timed = s.name in ('zelto_run_duration_seconds', 'zelto_run_end_time_seconds')\n"
        "        labels = ','.join(k + '=' + v for k, v in sorted(s.labels.items()))\n"
        "        print(f.type, s.name, labels, 'T' if timed and s.value > 0 else int(s.value))\n";
    CliRunOptions options;
    options.program = "/usr/bin/python3";
    const CliResult r = runCli({"-c", script, file}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return linesOf(r.out);
}

TEST_F(ZeltoCli, PrometheusMetricsReadBackWithEscapedNamesAndReplaceTheLastRunsFile) {
    // A quote, a backslash and a Windows-1252 byte in a test name.
    profile({"[Configured By]", "Desk", "[Mi\"x\\ed \xe9]", "mix", "127.0.0.1", refusing.item(),
             "[Closed]", "close", refusing.item(), "[Fine]", "fine", listening.item()});
    const std::string metrics = dir.path() + "metrics/zelto.prom";
    std::filesystem::create_directories(dir.path() + "metrics");
    const CliResult r = cli({"run", "--brief", "--prometheus", metrics});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_TRUE(r.out.starts_with("ZELTO CRITICAL - ")) << r.out;
    const std::string p = "profile=Out of Office";
    EXPECT_EQ(parsedMetrics(metrics),
              (std::vector<std::string>{
                  "gauge zelto_test_outcome number=1," + p + ",test=Loop Back 0",
                  "gauge zelto_test_outcome number=2," + p + ",test=Mi\"x\\ed \xef\xbf\xbd 1",
                  "gauge zelto_test_outcome number=3," + p + ",test=Closed 2",
                  "gauge zelto_test_outcome number=4," + p + ",test=Fine 0",
                  "gauge zelto_tests outcome=passed," + p + " 2",
                  "gauge zelto_tests outcome=failed," + p + " 1",
                  "gauge zelto_tests outcome=problem," + p + " 1",
                  "gauge zelto_run_status " + p + " 2",
                  "gauge zelto_run_duration_seconds " + p + " T",
                  "gauge zelto_run_end_time_seconds " + p + " T",
              }));
    EXPECT_EQ(std::filesystem::status(metrics).permissions(), std::filesystem::perms(0644))
        << "the collector runs as another user";

    // A run that cannot happen replaces the last run's values instead of leaving them.
    const CliResult refused = cli({"run", "--tests", "9", "--prometheus", metrics});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(parsedMetrics(metrics),
              (std::vector<std::string>{"gauge zelto_run_status " + p + " 3",
                                        "gauge zelto_run_duration_seconds " + p + " 0",
                                        "gauge zelto_run_end_time_seconds " + p + " T"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() + "metrics"), {}), 1)
        << "no temporary file is left";

    const CliResult unwritable = cli({"run", "--prometheus", dir.path() + "missing/zelto.prom"});
    EXPECT_EQ(unwritable.exitCode, 3);
    EXPECT_NE(unwritable.err.find("cannot write the metrics file"), std::string::npos)
        << unwritable.err;
}

TEST_F(ZeltoCli, JsonCarriesEveryCheckedRowWithItsOutcomeAndLines) {
    // A Windows-1252 byte and a control character in the profile still give valid JSON.
    profile({"[Configured By]", "Desk \xe9\x01", "[Mixed]", "mix", "127.0.0.1", refusing.item(),
             "[Closed]", "close", refusing.item(), "[Fine]", "fine", listening.item()});
    const CliResult r = cli({"run", "--json", "--tests", "1,2,3"});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    ASSERT_EQ(linesOf(r.out).size(), 1U) << r.out;
    const QJsonObject o = jsonObject(r.out);
    EXPECT_EQ(o["profile"].toString(), "Out of Office");
    EXPECT_EQ(o["banner"].toString(), QString::fromUtf8("Configured by Desk \xef\xbf\xbd\x01"));
    const QJsonArray tests = o["tests"].toArray();
    ASSERT_EQ(tests.size(), 3);  // row 4 was not asked for
    const char* outcomes[] = {"passed", "problem", "failed"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject t = tests[i].toObject();
        EXPECT_EQ(t["number"].toInt(), i + 1);
        EXPECT_EQ(t["outcome"].toString(), outcomes[i]);
        EXPECT_EQ(t["lines"].toArray().first().toString(), "Test " + t["name"].toString());
    }
    EXPECT_EQ(tests[2].toObject()["lines"].toArray().last().toString(),
              "******** You can not close");
    const QJsonObject summary = o["summary"].toObject();
    EXPECT_EQ(summary["state"].toString(), "CRITICAL");
    EXPECT_EQ(summary["text"].toString(), "2) Mixed-problem 3) Closed-failed ");
    EXPECT_EQ(summary["problem"].toInt(), 1);
}

TEST_F(ZeltoCli, ProfileThatFailsToLoadExits3WithItsMessages) {
    const std::string end =
        "Zelto: Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end";
    const std::string fileError =
        "Zelto: Error for Zelto: File error for " + dir.path() + "OutofOffice.ini . Description=";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases{
        {{}, {fileError + "No such file or directory - Error number=2", end}},  // no file
        {{"[Configured By]", "Desk", "[Gateway]"},
         {fileError + "Input past end of file - Error number=62", end}},
        {{"[Configured By]", "Desk", "[T]", "m", "127.0.0.1", "127.0.0.1", "127.0.0.1", "127.0.0.1",
          "127.0.0.1"},
         {"Zelto: Check the OutofOffice.ini file.  It has a problem"}}};
    for (const auto& [lines, messages] : cases) {
        if (!lines.empty())
            profile(lines);
        const CliResult brief = cli({"run", "--brief"});
        EXPECT_EQ(brief.exitCode, 3);
        EXPECT_EQ(linesOf(brief.err), messages);
        EXPECT_EQ(brief.out, "ZELTO UNKNOWN - the profile could not be loaded\n");
        const CliResult json = cli({"run", "--json"});
        EXPECT_EQ(json.exitCode, 3);
        EXPECT_EQ(linesOf(json.err), messages);
        EXPECT_EQ(jsonObject(json.out)["exitCode"].toInt(), 3);
    }
}

TEST_F(ZeltoCli, UnknownTestNumberIsRefusedBeforeTheRun) {
    profile({"[Configured By]", "Desk", "[Ping]", "ping", "127.0.0.1"});
    const CliResult r = cli({"run", "--brief", "--tests", "1,3"});
    EXPECT_EQ(r.exitCode, 3);
    const std::string reason =
        "--tests: there is no test 3 in the Out of Office profile (its tests are 1 to 2)";
    EXPECT_EQ(r.err, "zelto-cli: " + reason + "\n");
    EXPECT_EQ(r.out, "ZELTO UNKNOWN - " + reason + "\n");
}

TEST_F(ZeltoCli, BadArgumentsGiveOneLineAndTheUsageHelpGivesUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"run", "--bogus"}, {"frobnicate"}, {}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.out, "");
        const auto err = linesOf(r.err);
        ASSERT_GE(err.size(), 2U);
        EXPECT_TRUE(err[0].starts_with("zelto-cli: ")) << err[0];
        EXPECT_EQ(err[1], "Usage:");
    }
    EXPECT_EQ(linesOf(runCli({"run", "--bogus"}).err)[0], "zelto-cli: unknown option '--bogus'");

    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage:\n  zelto-cli [--folder DIR] run")) << help.out;
    EXPECT_EQ(runCli({"--version"}).out, "zelto-cli 1.9\n");
}

TEST_F(ZeltoCli, InterruptStopsTheRunAndStillReports) {
    LoopbackPort hanging(Kind::Hanging);
    profile({"[Configured By]", "Desk", "[Hang]", "wait", hanging.item(), "[After]", "after",
             "127.0.0.1"});
    for (int signal : {SIGINT, SIGTERM}) {
        CliRunOptions options;
        options.signal = signal;
        options.signalAfter = std::chrono::milliseconds(700);
        const auto start = std::chrono::steady_clock::now();
        const CliResult r = cli({"run", "--brief"}, options);
        // The connect would wait 20 s; the stop ends it at once.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
        EXPECT_EQ(plugin(r.out),
                  "ZELTO UNKNOWN - 2) Hang stopped, 3) After not run | passed=1 "
                  "failed=0 problem=0 time=T");
    }
}

// ---- Inside network namespaces made here: addresses, routes and links the test sets. ----

std::string sysfs(const std::string& path) {
    std::ifstream in(path);
    std::string value;
    std::getline(in, value);
    return value;
}

TEST(ZeltoCliLab, ParamsReportTheNamespacesAddressesRoutesAndDns) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.0.1\n");

        const std::string address =
            std::string(texts::kIpAddress) + "1" + texts::kIpAddressTail + "10.200.0.2";
        const CliResult all = runCli({"params"});
        EXPECT_EQ(all.exitCode, 0) << all.err;
        EXPECT_TRUE(all.out.starts_with(texts::kHostName)) << all.out;
        for (const std::string& line :
             {std::string(texts::kDnsServer1) + "10.200.0.1", address,
              std::string(texts::kSubnetMask) + "255.255.255.0",
              std::string(texts::kGateway) + "1" + texts::kGatewayTail + "10.200.0.1"}) {
            EXPECT_TRUE(hasLine(all.out, line)) << line << " not in\n" << all.out;
        }

        // Key values leave out the host name; the explanation paragraphs come on request.
        const CliResult key = runCli({"params", "--key"});
        EXPECT_TRUE(hasLine(key.out, address));
        EXPECT_EQ(key.out.find(texts::kHostName), std::string::npos);
        const std::string dnsExplanation = std::string(texts::kDnsExplanation).substr(0, 40);
        EXPECT_EQ(key.out.find(dnsExplanation), std::string::npos);
        EXPECT_NE(runCli({"params", "--key", "--explain"}).out.find(dnsExplanation),
                  std::string::npos);
        const CliResult analysis = runCli({"params", "--analyze"});
        EXPECT_EQ(analysis.exitCode, 0) << analysis.err;
        EXPECT_EQ(analysis.out, "No problems found\n");
    });
}

TEST(ZeltoCliLab, InterfacesListTheNamespacesLinksButNeverLoopback) {
    lab::inFreshNetns([] {
        const CliResult none = runCli({"interfaces"});
        EXPECT_EQ(none.exitCode, 0) << none.err;
        EXPECT_EQ(none.out, "");
        const CliResult params = runCli({"params"});
        EXPECT_EQ(params.exitCode, 3);
        EXPECT_EQ(params.err, std::string("zelto-cli: ") + texts::kAdaptersSizingFailed + "232\n");

        lab::GatewayLab lab;
        const CliResult r = runCli({"interfaces"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::string mac = sysfs("/sys/class/net/lab0/address");
        for (char& ch : mac)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        const auto lines = linesOf(r.out);
        ASSERT_GE(lines.size(), 7U) << r.out;
        EXPECT_EQ(lines[0], "Network Adpater #1");
        EXPECT_TRUE(lines[1].starts_with(" Desc: ......lab0")) << lines[1];
        EXPECT_EQ(lines[3], " MTU: .......1500");
        EXPECT_EQ(lines[5], " Physical address: " + mac);
        EXPECT_TRUE(lines[6].starts_with(" Status: ..........Enabled - ")) << lines[6];
        EXPECT_EQ(r.out.find("Network Adpater #2"), std::string::npos) << r.out;
    });
}

TEST(ZeltoCliLab, RunShowsThisPcsAddressOrItsAbsence) {
    TempDir dir;
    dir.write("OutofOffice.ini", "[Configured By]\r\nDesk\r\n[Ping]\r\nping\r\n127.0.0.1\r\n");
    const std::string folder = dir.path();
    lab::inFreshNetns([&folder] {
        const CliResult alone = runCli({"--folder", folder, "run", "--brief"});
        EXPECT_EQ(alone.exitCode, 0) << alone.err;
        EXPECT_EQ(plugin(alone.out),
                  "ZELTO OK - 2 tests passed, no IP address | passed=2 "
                  "failed=0 problem=0 time=T");

        lab::GatewayLab lab;
        const CliResult linked = runCli({"--folder", folder, "run", "--json"});
        EXPECT_EQ(linked.exitCode, 0) << linked.err;
        EXPECT_EQ(jsonObject(linked.out)["address"].toString(), "10.200.0.2");
        EXPECT_EQ(jsonObject(linked.out)["summary"].toObject()["text"].toString(), "Last pass OK");
    });
}

}  // namespace
}  // namespace zelto::test
