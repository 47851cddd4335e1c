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
#include <string>
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
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

bool hasLine(const std::string& text, const std::string& line) {
    for (const auto& l : linesOf(text)) {
        if (l == line)
            return true;
    }
    return false;
}

QJsonObject jsonObject(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << text;
    EXPECT_TRUE(doc.isObject()) << text;
    return doc.object();
}

/// The plugin line split into its parts; fails the test when it does not have the form.
struct PluginLine {
    std::string state;
    std::string text;
    int passed = -1;
    int failed = -1;
    int problem = -1;
    double seconds = -1;
};

PluginLine pluginLine(const std::string& out) {
    static const std::regex form(
        R"(ZELTO (OK|WARNING|CRITICAL|UNKNOWN) - ([^|\n]*) \| passed=(\d+) failed=(\d+) )"
        R"(problem=(\d+) time=(\d+\.\d{3})s\n)");
    std::smatch m;
    PluginLine p;
    if (!std::regex_match(out, m, form)) {
        ADD_FAILURE() << "not a plugin line: " << out;
        return p;
    }
    p.state = m[1];
    p.text = m[2];
    p.passed = std::stoi(m[3]);
    p.failed = std::stoi(m[4]);
    p.problem = std::stoi(m[5]);
    p.seconds = std::stod(m[6]);
    return p;
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

TEST_F(ZeltoCli, PassingProfilePrintsTheResultsTextAndExits0) {
    profile({"[Configured By]", "Desk 42", "[Ping]", "reach this PC", "127.0.0.1", "[Port]",
             "reach the service", listening.item()});
    const CliResult r = cli({"run"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const auto lines = linesOf(r.out);
    ASSERT_GE(lines.size(), 14U) << r.out;
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].starts_with("   TESTS STARTED   ")) << lines[2];
    EXPECT_EQ(lines[4], "Test 1) Loop Back");
    EXPECT_TRUE(lines[5].starts_with("            Successfully pinged 127.0.0.1")) << lines[5];
    EXPECT_EQ(lines[6], "            You can use your network device for TCP/IP networking");
    EXPECT_TRUE(hasLine(r.out, "Test 3) Port"));
    EXPECT_TRUE(hasLine(r.out, "            You can reach the service"));
}

TEST_F(ZeltoCli, ExitStatusAndPluginLineFollowTheWorstRow) {
    struct Case {
        std::vector<std::string> items;
        int exit;
        const char* state;
        const char* text;
        int passed, failed, problem;
    };
    const std::vector<Case> cases{
        {{"127.0.0.1", listening.item()}, 0, "OK", "2 tests passed", 2, 0, 0},
        {{"127.0.0.1", refusing.item()}, 1, "WARNING", "2) Row problem", 1, 0, 1},
        {{refusing.item()}, 2, "CRITICAL", "2) Row failed", 1, 1, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines{"[Configured By]", "Desk", "[Row]", "do it"};
        lines.insert(lines.end(), c.items.begin(), c.items.end());
        profile(lines);
        const CliResult r = cli({"run", "--brief"});
        EXPECT_EQ(r.exitCode, c.exit) << r.out << r.err;
        const PluginLine p = pluginLine(r.out);
        EXPECT_EQ(p.state, c.state);
        EXPECT_EQ(p.text, c.text);
        EXPECT_EQ(p.passed, c.passed);
        EXPECT_EQ(p.failed, c.failed);
        EXPECT_EQ(p.problem, c.problem);
        EXPECT_GE(p.seconds, 0.0);
        EXPECT_LT(p.seconds, 20.0);
    }
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
    EXPECT_EQ(tests[1].toObject()["name"].toString(), "2) Mixed");
    EXPECT_EQ(tests[2].toObject()["lines"].toArray().last().toString(),
              "******** You can not close");
    const QJsonObject summary = o["summary"].toObject();
    EXPECT_EQ(summary["state"].toString(), "CRITICAL");
    EXPECT_EQ(summary["exitCode"].toInt(), 2);
    EXPECT_EQ(summary["status"].toString(), "COMPLETED");
    EXPECT_EQ(summary["text"].toString(), "2) Mixed-problem 3) Closed-failed ");
    EXPECT_EQ(summary["passed"].toInt(), 1);
    EXPECT_EQ(summary["failed"].toInt(), 1);
    EXPECT_EQ(summary["problem"].toInt(), 1);
}

TEST_F(ZeltoCli, DisplayOptionsReachTheResultsText) {
    profile({"[Configured By]", "Desk", "[Fine]", "fine", listening.item(), "[Closed]", "close",
             refusing.item()});
    const CliResult errorsOnly = cli({"run", "--errors-only"});
    EXPECT_EQ(errorsOnly.exitCode, 2);
    EXPECT_FALSE(hasLine(errorsOnly.out, "Test 2) Fine"));
    EXPECT_TRUE(hasLine(errorsOnly.out, "Test 3) Closed"));

    const CliResult simple = cli({"run", "--simple", "--timestamps"});
    EXPECT_EQ(simple.out.find("Successfully"), std::string::npos) << simple.out;
    EXPECT_EQ(simple.out.find("TESTS STARTED"), std::string::npos) << simple.out;
    EXPECT_NE(simple.out.find("Test 2) Fine - Pass 1  --"), std::string::npos) << simple.out;
}

struct Broken {
    const char* name;
    std::vector<std::string> lines;  // empty: no profile file at all
    std::vector<std::string> messages;
};

class ZeltoCliBroken : public ZeltoCli, public ::testing::WithParamInterface<Broken> {};

TEST_P(ZeltoCliBroken, ProfileThatFailsToLoadExits3WithItsMessages) {
    const Broken& b = GetParam();
    if (!b.lines.empty())
        profile(b.lines);
    for (const auto& output : {std::string("--brief"), std::string("--json")}) {
        const CliResult r = cli({"run", output});
        EXPECT_EQ(r.exitCode, 3);
        std::vector<std::string> expected;
        for (const auto& m : b.messages) {
            std::string line = m;
            const std::size_t at = line.find("{path}");
            if (at != std::string::npos)
                line.replace(at, 6, dir.path() + "OutofOffice.ini");
            expected.push_back("Zelto: " + line);
        }
        EXPECT_EQ(linesOf(r.err), expected);
        if (output == "--brief") {
            EXPECT_EQ(r.out, "ZELTO UNKNOWN - the profile could not be loaded\n");
        } else {
            EXPECT_EQ(jsonObject(r.out)["exitCode"].toInt(), 3);
        }
    }
}

const char* const kEnd = "Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end";

INSTANTIATE_TEST_SUITE_P(
    Cases, ZeltoCliBroken,
    ::testing::Values(
        Broken{"Missing",
               {},
               {"Error for Zelto: File error for {path} . Description=No such file or directory - "
                "Error number=2",
                kEnd}},
        Broken{"HeaderIsTheLastLine",
               {"[Configured By]", "Desk", "[Gateway]"},
               {"Error for Zelto: File error for {path} . Description=Input past end of file - "
                "Error number=62",
                kEnd}},
        Broken{"FiveItems",
               {"[Configured By]", "Desk", "[T]", "m", "127.0.0.1", "127.0.0.1", "127.0.0.1",
                "127.0.0.1", "127.0.0.1"},
               {"Check the OutofOffice.ini file.  It has a problem"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ZeltoCli, MissingInOfficeIsNoticedOnlyWhenAskedFor) {
    profile({"[Configured By]", "Desk", "[Ping]", "ping", "127.0.0.1"});
    EXPECT_EQ(cli({"run", "--brief"}).exitCode, 0);
    const CliResult r = cli({"run", "--in"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    const auto err = linesOf(r.err);
    ASSERT_EQ(err.size(), 2U) << r.err;
    EXPECT_NE(err[0].find(dir.path() + "InOffice.ini"), std::string::npos);
    EXPECT_EQ(err[1], std::string("Zelto: ") + kEnd);
}

TEST_F(ZeltoCli, InOfficeRunsTheOtherProfile) {
    profile({"[Configured By]", "Out desk", "[Out]", "out", refusing.item()});
    profile({"[Configured By]", "In desk", "[In]", "in", listening.item()}, "InOffice.ini");
    const CliResult r = cli({"run", "--in", "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const QJsonObject o = jsonObject(r.out);
    EXPECT_EQ(o["profile"].toString(), "In Office");
    EXPECT_EQ(o["banner"].toString(), "Configured by In desk");
    EXPECT_EQ(o["tests"].toArray().last().toObject()["name"].toString(), "2) In");
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

TEST_F(ZeltoCli, BadArgumentsGiveOneLineAndTheUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"run", "--bogus"},
                                                 {"frobnicate"},
                                                 {"run", "--tests", "x"},
                                                 {"params", "--in"},
                                                 {}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.out, "");
        const auto err = linesOf(r.err);
        ASSERT_GE(err.size(), 2U);
        EXPECT_TRUE(err[0].starts_with("zelto-cli: ")) << err[0];
        EXPECT_EQ(err[1], "Usage:");
    }
    const CliResult unknown = runCli({"run", "--bogus"});
    EXPECT_EQ(linesOf(unknown.err)[0], "zelto-cli: unknown option '--bogus'");
}

TEST_F(ZeltoCli, HelpAndVersion) {
    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage:\n  zelto-cli [--folder DIR] run")) << help.out;
    EXPECT_EQ(help.err, "");
    const CliResult version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "zelto-cli 1.9\n");
}

TEST_F(ZeltoCli, WithoutFolderTheExecutablesOwnFolderIsUsed) {
    const std::string copy = dir.path() + "zelto-cli";
    std::filesystem::copy_file(kZeltoCli, copy);
    profile({"[Configured By]", "Beside the program", "[Ping]", "ping", "127.0.0.1"});
    CliRunOptions options;
    options.program = copy;
    const CliResult r = runCli({"run", "--json"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(jsonObject(r.out)["banner"].toString(), "Configured by Beside the program");
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
        const PluginLine p = pluginLine(r.out);
        EXPECT_EQ(p.state, "UNKNOWN");
        EXPECT_EQ(p.text, "2) Hang stopped, 3) After not run");
        EXPECT_EQ(p.passed, 1);
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

        const CliResult all = runCli({"params"});
        EXPECT_EQ(all.exitCode, 0) << all.err;
        EXPECT_EQ(all.err, "");
        EXPECT_EQ(all.out.find('\r'), std::string::npos);
        EXPECT_TRUE(all.out.starts_with(texts::kHostName)) << all.out;
        EXPECT_TRUE(hasLine(all.out, std::string(texts::kDnsServer1) + "10.200.0.1")) << all.out;
        EXPECT_NE(all.out.find(std::string(texts::kAdapterDesc) + "lab0"), std::string::npos)
            << all.out;
        EXPECT_TRUE(hasLine(
            all.out, std::string(texts::kIpAddress) + "1" + texts::kIpAddressTail + "10.200.0.2"))
            << all.out;
        EXPECT_TRUE(hasLine(all.out, std::string(texts::kSubnetMask) + "255.255.255.0")) << all.out;
        EXPECT_TRUE(hasLine(
            all.out, std::string(texts::kGateway) + "1" + texts::kGatewayTail + "10.200.0.1"))
            << all.out;

        const CliResult key = runCli({"params", "--key"});
        EXPECT_EQ(key.exitCode, 0);
        EXPECT_EQ(key.out.find(texts::kHostName), std::string::npos);
        EXPECT_TRUE(hasLine(
            key.out, std::string(texts::kIpAddress) + "1" + texts::kIpAddressTail + "10.200.0.2"))
            << key.out;
        const std::string dnsExplanation = std::string(texts::kDnsExplanation).substr(0, 40);
        EXPECT_EQ(key.out.find(dnsExplanation), std::string::npos);
        const CliResult explained = runCli({"params", "--key", "--explain"});
        EXPECT_NE(explained.out.find(dnsExplanation), std::string::npos) << explained.out;
    });
}

TEST(ZeltoCliLab, InterfacesListTheNamespacesLinks) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;
        const CliResult r = runCli({"interfaces"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.find('\r'), std::string::npos);
        std::string mac = sysfs("/sys/class/net/lab0/address");
        for (char& ch : mac)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        const auto lines = linesOf(r.out);
        ASSERT_GE(lines.size(), 7U) << r.out;
        // Loopback is the first row and never listed: lab0 is adapter 1.
        EXPECT_EQ(lines[0], "Network Adpater #1");
        EXPECT_TRUE(lines[1].starts_with(" Desc: ......lab0")) << lines[1];
        EXPECT_EQ(lines[3], " MTU: .......1500");
        EXPECT_EQ(lines[5], " Physical address: " + mac);
        EXPECT_TRUE(lines[6].starts_with(" Status: ..........Enabled - ")) << lines[6];
        EXPECT_EQ(r.out.find("Network Adpater #2"), std::string::npos) << r.out;
    });
}

TEST(ZeltoCliLab, WithOnlyLoopbackThereIsNothingToListAndNoAdapterToReport) {
    lab::inFreshNetns([] {
        const CliResult list = runCli({"interfaces"});
        EXPECT_EQ(list.exitCode, 0) << list.err;
        EXPECT_EQ(list.out, "");

        const CliResult params = runCli({"params"});
        EXPECT_EQ(params.exitCode, 3);
        EXPECT_EQ(params.err, std::string("zelto-cli: ") + texts::kAdaptersSizingFailed + "232\n");
    });
}

TEST(ZeltoCliLab, RunShowsThisPcsAddressOrItsAbsence) {
    TempDir dir;
    dir.write("OutofOffice.ini", "[Configured By]\r\nDesk\r\n[Ping]\r\nping\r\n127.0.0.1\r\n");
    const std::string folder = dir.path();
    lab::inFreshNetns([&folder] {
        const CliResult alone = runCli({"--folder", folder, "run", "--brief"});
        EXPECT_EQ(alone.exitCode, 0) << alone.err;
        EXPECT_EQ(pluginLine(alone.out).text, "2 tests passed, no IP address");

        lab::GatewayLab lab;
        const CliResult linked = runCli({"--folder", folder, "run", "--json"});
        EXPECT_EQ(linked.exitCode, 0) << linked.err;
        EXPECT_EQ(jsonObject(linked.out)["address"].toString(), "10.200.0.2");
        EXPECT_EQ(jsonObject(linked.out)["summary"].toObject()["text"].toString(), "Last pass OK");
    });
}

}  // namespace
}  // namespace zelto::test
