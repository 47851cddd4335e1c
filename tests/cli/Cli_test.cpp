// The command line's own logic: its arguments, its reports, and the run it drives.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliCheck.h"
#include "cli/CliEventPump.h"
#include "cli/CliPrompter.h"
#include "cli/CliReport.h"
#include "support/MainFixture.h"

namespace zelto::cli {
namespace {

using Args = std::vector<std::string>;

CliOptions parsed(const Args& args) {
    CliParse p = parseCliArguments(args);
    EXPECT_TRUE(p.options.has_value()) << p.error;
    return p.options.value_or(CliOptions{});
}

TEST(CliArguments, OptionsComeInAnyOrderAndEitherValueForm) {
    const CliOptions o =
        parsed({"--folder", "/opt/z", "run", "--in", "--tests", "4, 1 ,3", "--errors-only",
                "--simple", "--timestamps", "--json", "--prometheus", "z.prom"});
    EXPECT_EQ(o.command, CliCommand::Run);
    EXPECT_EQ(o.folder, "/opt/z");
    EXPECT_TRUE(o.inOffice && o.errorsOnly && o.simple && o.timestamps);
    EXPECT_EQ(o.tests, (std::vector<int>{4, 1, 3}));  // as given; the run refuses what is not there
    EXPECT_EQ(o.output, CliOutput::Json);
    EXPECT_EQ(o.prometheus, "z.prom");
    const CliOptions brief = parsed({"--folder", "d", "run", "--brief", "--tests", "2"});
    EXPECT_EQ(brief, parsed({"run", "--tests=2", "--brief", "--folder=d"}));
    EXPECT_EQ(brief.output, CliOutput::Brief);

    const CliOptions p = parsed({"params", "--key", "--explain", "--analyze"});
    EXPECT_TRUE(p.command == CliCommand::Params && p.keyValues && p.explain && p.analyze);
    // help with a topic, guide, --help and --version: zelto-cli's own test runs each.
    EXPECT_EQ(parsed({"run", "--bogus", "--help"}).command, CliCommand::Help);
}

TEST(CliArguments, AWrongLineGivesOneLineNamingTheArgument) {
    const std::string notAList = " is not a list of test numbers like 1,3,4";
    const std::vector<std::pair<Args, std::string>> cases{
        {{}, "no command given (run, params, interfaces, help, guide or make-setup)"},
        {{"check"}, "unknown command 'check'"},
        {{"run", "params"}, "unexpected argument 'params'"},
        {{"run", "--bogus"}, "unknown option '--bogus'"},
        {{"run", "--in=yes"}, "--in takes no value"},
        {{"run", "--folder"}, "--folder needs a value"},
        {{"--folder", "--in", "run"}, "--folder needs a value"},
        {{"--folder", "a", "--folder", "b", "run"}, "--folder given twice"},
        {{"run", "--tests", ""}, "--tests: ''" + notAList},
        {{"run", "--tests", "1,-1"}, "--tests: '1,-1'" + notAList},
        {{"run", "--tests", "99999999999"}, "--tests: '99999999999'" + notAList},
        {{"run", "--tests", "0"},
         "--tests: there is no test 0; tests are numbered from 1 (Loop Back)"},
        {{"run", "--brief", "--json"}, "--brief and --json exclude each other"},
        {{"run", "--key"}, "--key is an option of params, not of run"},
        {{"--json", "interfaces"}, "--json is an option of run, not of interfaces"}};
    for (const auto& [args, error] : cases) {
        const CliParse p = parseCliArguments(args);
        EXPECT_FALSE(p.options.has_value()) << error;
        EXPECT_EQ(p.error, error);
    }
}

using O = RowOutcome;

/// A report of rows named by their number: "1) T1", "2) T2", ...
RunReport reportOf(const std::vector<O>& outcomes, double seconds = 0.834) {
    RunReport r;
    r.seconds = seconds;
    r.runSummary = "Last pass OK";
    for (O o : outcomes) {
        const std::string n = std::to_string(r.rows.size() + 1);
        r.rows.push_back({static_cast<int>(r.rows.size()) + 1, n + ") T" + n, o, {}});
    }
    return r;
}

TEST(CliReport, ExitStatusFollowsTheMonitoringConvention) {
    const std::vector<std::pair<std::vector<O>, int>> cases{
        {{O::Passed, O::Passed}, 0},
        {{O::Passed, O::Problem}, 1},
        {{O::Problem, O::Failed, O::Passed}, 2},
        // A stop leaves the rest unknown, unless a failure is already certain.
        {{O::Passed, O::Stopped, O::NotRun}, 3},
        {{O::Problem, O::Stopped}, 3},
        {{O::Failed, O::Stopped}, 2},
        {{O::NotRun}, 3}};
    for (const auto& [outcomes, status] : cases)
        EXPECT_EQ(exitStatus(reportOf(outcomes)), status) << outcomes.size();
}

TEST(CliReport, BriefLineNamesFailedProblemStoppedRowsInRowOrderOrCountsPasses) {
    const std::vector<std::pair<RunReport, std::string>> cases{
        {reportOf({O::Passed, O::Problem, O::Failed}, 1.5),
         "CRITICAL - 2) T2 problem, 3) T3 failed | passed=1 failed=1 problem=1 time=1.500s"},
        {reportOf({O::Passed, O::Problem}),
         "WARNING - 2) T2 problem | passed=1 failed=0 problem=1 time=0.834s"},
        {reportOf({O::Passed, O::Stopped, O::NotRun}),
         "UNKNOWN - 2) T2 stopped, 3) T3 not run | passed=1 failed=0 problem=0 time=0.834s"},
        {reportOf({O::Passed, O::Passed}, 0.0004),
         "OK - 2 tests passed | passed=2 failed=0 problem=0 time=0.000s"}};
    for (const auto& [report, line] : cases)
        EXPECT_EQ(briefLine(report), "ZELTO " + line);
    RunReport noAddress = reportOf({O::Passed}, 12.3456);
    noAddress.runSummary = "No IP Address";
    EXPECT_EQ(briefLine(noAddress),
              "ZELTO OK - 1 test passed, no IP address | passed=1 failed=0 problem=0 time=12.346s");
    // A "|" would start the performance data early; a control character could end the line.
    RunReport names = reportOf({O::Failed, O::Problem});
    names.rows[0].name = "1) LAN|WAN\x1b[2J";
    names.rows[1].name = "2) A\tB";
    EXPECT_EQ(briefLine(names),
              "ZELTO CRITICAL - 1) LAN/WAN [2J failed, 2) A B problem | passed=0 failed=1 "
              "problem=1 time=0.834s");
    EXPECT_EQ(briefFailure("no | way\n"), "ZELTO UNKNOWN - no / way ");
}

TEST(CliReport, JsonIsValidForAnyBytesAndLineEndsBecomeLf) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"say \"hi\" \\ there", R"("say \"hi\" \\ there")"},
        {std::string("\r\n\t\0\a\x7f", 6), R"("\r\n\t\u0000\u0007\u007f")"},
        // Valid UTF-8 stays; each byte of anything else is one replacement character.
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xf0\x9f\x98\x80\""},
        {"caf\xe9", R"("caf\ufffd")"},
        {"\xe2\x82", R"("\ufffd\ufffd")"}};
    for (const auto& [bytes, literal] : cases) {
        EXPECT_EQ(jsonString(bytes), literal);
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray::fromStdString("[" + literal + "]"));
        EXPECT_TRUE(doc.isArray() && doc.array().at(0).isString()) << literal;
    }
    RunReport report = reportOf({O::Passed, O::Failed}, 1.25);
    report.rows[1].lines = {"Test 2) T2", "******** You can not T2"};
    EXPECT_EQ(jsonReport(report),
              R"({"profile":"","banner":"","address":"","tests":[{"number":1,"name":"1) T1",)"
              R"("outcome":"passed","lines":[]},{"number":2,"name":"2) T2","outcome":"failed",)"
              R"("lines":["Test 2) T2","******** You can not T2"]}],"summary":{"state":)"
              R"("CRITICAL","exitCode":2,"status":"","text":"Last pass OK","passed":1,)"
              R"("failed":1,"problem":0,"stopped":0,"notRun":0,"seconds":1.250}})");
    // Only CR LF pairs change; a lone CR is text.
    EXPECT_EQ(lfText("\r\n   TESTS\r\n\r\nx\ry\r"), "\n   TESTS\n\nx\ry\r");
    EXPECT_EQ(oneLine("Error\r\nfor\rthe\nfile"), "Error for the file");
}

TEST(CliPrompter, EveryBoxIsOneLineAndQuestionsAreAnsweredNo) {
    std::ostringstream err;
    CliPrompter p(err);
    EXPECT_EQ(p.ask("Do you want to permanently\r\nsave these values?", ui::Buttons::YesNo,
                    "Update Out of Office"),
              ui::Answer::No);
    p.tell("plain");
    EXPECT_EQ(err.str(),
              "Update Out of Office: Do you want to permanently save these values?\n"
              "Zelto: plain\n");
}

/// The main window model over a temporary program folder, driven by CliCheck and served by the
/// command line's own pump. Both profiles hold Loop Back and three tests: one that passes, one
/// that fails, one with a problem.
struct CliCheckTest : ::testing::Test, test::MainRig<CliEventPump> {
    CliCheckTest() {
        for (const char* name : {"OutofOffice.ini", "InOffice.ini"})
            writeProfile(name, {"[Configured By]", "Desk 42", "[Web]", "reach the web", "10.1.1.1",
                                "[Mail]", "send mail", "10.2.2.2:25", "[Files]", "open files",
                                "10.1.1.1", "10.3.3.3"});
        probes.answers("127.0.0.1");
        probes.answers("10.1.1.1");
    }
    RunReport run(const CliOptions& o = {}) {
        EXPECT_EQ(check.prepare(o), std::nullopt);
        return check.run();
    }
    CliCheck check{main};
};

TEST_F(CliCheckTest, EachRowGetsItsOwnLinesAndItsOutcomeFromTheStatusBox) {
    RunReport r = run();
    EXPECT_EQ(r.banner, "Configured by Desk 42");
    EXPECT_EQ(r.address, "192.0.2.10");  // what the window shows for this PC
    EXPECT_EQ(r.runSummary, "3) Mail-failed 4) Files-problem ");
    // Every row's part starts with its own header; no blank lines and no line ends.
    std::vector<std::string> rows;
    for (const RowReport& row : r.rows) {
        rows.push_back(std::to_string(row.number) + " " + outcomeName(row.outcome) + " " +
                       row.lines.at(0));
        for (const auto& line : row.lines)
            EXPECT_TRUE(!line.empty() && line.find_first_of("\r\n") == std::string::npos) << line;
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"1 passed Test 1) Loop Back", "2 passed Test 2) Web",
                                              "3 failed Test 3) Mail", "4 problem Test 4) Files"}));
    EXPECT_EQ(r.rows[3].lines.back(), "!!!!!!!!!!! You may not be able to open files");

    // A second run on the same model reports only its own lines.
    r = check.run();
    ASSERT_EQ(r.rows.size(), 4U);
    EXPECT_EQ(r.rows[1].lines.size(), 3U);

    // Passing rows show nothing; a failed row still gets its held header, stamped, and its
    // message alone.
    CliOptions o;
    o.errorsOnly = o.simple = o.timestamps = true;
    r = run(o);
    EXPECT_TRUE(r.rows[0].lines.empty() && r.rows[1].lines.empty());
    ASSERT_EQ(r.rows[2].lines.size(), 2U);
    EXPECT_TRUE(r.rows[2].lines[0].starts_with("Test 3) Mail - Pass 1  --")) << r.rows[2].lines[0];
    EXPECT_EQ(r.rows[2].lines[1], "******** You can not send mail");
}

TEST_F(CliCheckTest, OnlyTheListedRowsOfTheProfileAskedForAreProbed) {
    CliOptions o;
    o.tests = {1, 5};
    EXPECT_EQ(check.prepare(o),
              "--tests: there is no test 5 in the Out of Office profile (its tests are 1 to 4)");
    o.inOffice = true;
    o.tests = {3, 1};
    const RunReport r = run(o);
    EXPECT_EQ(r.profile, "In Office");
    ASSERT_EQ(r.rows.size(), 2U);
    EXPECT_EQ(r.rows[1].name, "3) Mail");
    using namespace ::testing;
    EXPECT_THAT(probes.calls(),
                Each(AllOf(Not(HasSubstr("10.1.1.1")), Not(HasSubstr("10.3.3.3")))));
}

}  // namespace
}  // namespace zelto::cli
