// The command line's own logic: its arguments, its reports and its prompter. The run it drives
// is zelto-cli's own test's to check, as a process.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliArguments.h"
#include "cli/CliPrompter.h"
#include "cli/CliReport.h"

namespace zelto::cli {
namespace {

using Args = std::vector<std::string>;

CliOptions parsed(const Args& args) {
    CliParse p = parseCliArguments(args);
    EXPECT_TRUE(p.options.has_value()) << p.error;
    return p.options.value_or(CliOptions{});
}

TEST(CliArguments, OptionsComeInAnyOrderAndEitherValueFormAndAWrongOneIsNamed) {
    const CliOptions o =
        parsed({"--folder", "/opt/z", "run", "--in", "--tests", "4, 1 ,3", "--errors-only",
                "--simple", "--timestamps", "--json", "--prometheus", "z.prom"});
    EXPECT_EQ(o.tests, (std::vector<int>{4, 1, 3}));  // as given; the run refuses what is not there
    EXPECT_TRUE(o.command == CliCommand::Run && o.inOffice && o.errorsOnly && o.simple &&
                o.timestamps && o.output == CliOutput::Json);
    EXPECT_EQ(o.folder + " " + o.prometheus, "/opt/z z.prom");
    const CliOptions brief = parsed({"--folder", "d", "run", "--brief", "--tests", "2"});
    EXPECT_EQ(brief, parsed({"run", "--tests=2", "--brief", "--folder=d"}));
    EXPECT_EQ(brief.output, CliOutput::Brief);
    const CliOptions p = parsed({"params", "--key", "--explain", "--analyze"});
    EXPECT_TRUE(p.command == CliCommand::Params && p.keyValues && p.explain && p.analyze);
    // help with a topic, guide, --help and --version: zelto-cli's own test runs each.
    EXPECT_EQ(parsed({"run", "--bogus", "--help"}).command, CliCommand::Help);

    // A wrong line gives one line naming the argument.
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
        {{"run", "--key"}, "--key is an option of params, not of run"}};
    for (const auto& [args, error] : cases) {
        const CliParse parse = parseCliArguments(args);
        EXPECT_FALSE(parse.options.has_value()) << error;
        EXPECT_EQ(parse.error, error);
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

TEST(CliReport, ExitStatusAndBriefLineFollowTheMonitoringConvention) {
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

    // The brief line names failed and problem rows, or counts the passes.
    const std::vector<std::pair<RunReport, std::string>> lines{
        {reportOf({O::Passed, O::Problem}),
         "WARNING - 2) T2 problem | passed=1 failed=0 problem=1 time=0.834s"},
        {reportOf({O::Passed, O::Passed}, 0.0004),
         "OK - 2 tests passed | passed=2 failed=0 problem=0 time=0.000s"}};
    for (const auto& [report, line] : lines)
        EXPECT_EQ(briefLine(report), "ZELTO " + line);
    RunReport noAddress = reportOf({O::Passed}, 12.3456);
    noAddress.runSummary = "No IP Address";
    EXPECT_EQ(briefLine(noAddress),
              "ZELTO OK - 1 test passed, no IP address | passed=1 failed=0 problem=0 time=12.346s");
    // Failures and problems in row order. A "|" would start the performance data early; a
    // control character could end the line.
    RunReport names = reportOf({O::Failed, O::Problem});
    names.rows[0].name = "1) LAN|WAN\x1b[2J";
    names.rows[1].name = "2) A\tB";
    EXPECT_EQ(briefLine(names),
              "ZELTO CRITICAL - 1) LAN/WAN [2J failed, 2) A B problem | passed=0 failed=1 "
              "problem=1 time=0.834s");
    EXPECT_EQ(briefFailure("no | way\n"), "ZELTO UNKNOWN - no / way ");
}

TEST(CliReport, JsonStringsAreValidForAnyBytesAndLineEndsBecomeLf) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"say \"hi\" \\ there", R"("say \"hi\" \\ there")"},
        {std::string("\r\n\t\0\a\x7f", 6), R"("\r\n\t\u0000\u0007\u007f")"},
        // Valid UTF-8 stays; each byte of anything else is one replacement character.
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xf0\x9f\x98\x80\""},
        {"\xe2\x82", R"("\ufffd\ufffd")"}};
    for (const auto& [bytes, literal] : cases)
        EXPECT_EQ(jsonString(bytes), literal);
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

}  // namespace
}  // namespace zelto::cli
