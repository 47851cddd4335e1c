#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliPrompter.h"
#include "cli/CliReport.h"

namespace zelto::cli {
namespace {

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

}  // namespace
}  // namespace zelto::cli
