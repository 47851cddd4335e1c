#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliPrompter.h"
#include "cli/CliReport.h"

namespace zelto::cli {
namespace {

RowReport row(int number, const char* name, RowOutcome outcome,
              std::vector<std::string> lines = {}) {
    return {number, name, outcome, std::move(lines)};
}

RunReport reportOf(std::vector<RowReport> rows, double seconds = 0.834) {
    RunReport r;
    r.profile = "Out of Office";
    r.banner = "Configured by Desk";
    r.address = "192.0.2.10";
    r.testStatus = "COMPLETED";
    r.runSummary = "Last pass OK";
    r.seconds = seconds;
    r.rows = std::move(rows);
    return r;
}

QJsonDocument parse(const std::string& json) {
    QJsonParseError error{};
    QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(json.data(), static_cast<qsizetype>(json.size())), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError)
        << error.errorString().toStdString() << " in " << json;
    return doc;
}

using O = RowOutcome;

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
    for (const auto& [outcomes, status] : cases) {
        std::vector<RowReport> rows;
        for (O o : outcomes)
            rows.push_back(row(static_cast<int>(rows.size()) + 1, "x", o));
        EXPECT_EQ(exitStatus(reportOf(rows)), status) << rows.size();
    }
}

TEST(CliReport, BriefLineNamesFailedProblemStoppedRowsInRowOrderOrCountsPasses) {
    const RowReport loopBack = row(1, "1) Loop Back", O::Passed);
    EXPECT_EQ(briefLine(reportOf({loopBack, row(2, "2) DHCP", O::Passed),
                                  row(3, "3) Gateway", O::Failed), row(4, "4) DNS", O::Passed)})),
              "ZELTO CRITICAL - 3) Gateway failed | passed=3 failed=1 problem=0 time=0.834s");
    EXPECT_EQ(briefLine(reportOf(
                  {loopBack, row(2, "2) Web", O::Problem), row(3, "3) Mail", O::Failed)}, 1.5)),
              "ZELTO CRITICAL - 2) Web problem, 3) Mail failed | passed=1 failed=1 problem=1 "
              "time=1.500s");
    EXPECT_EQ(briefLine(reportOf({loopBack, row(2, "2) Web", O::Problem)})),
              "ZELTO WARNING - 2) Web problem | passed=1 failed=0 problem=1 time=0.834s");
    EXPECT_EQ(
        briefLine(reportOf({loopBack, row(2, "2) Web", O::Stopped), row(3, "3) Mail", O::NotRun)})),
        "ZELTO UNKNOWN - 2) Web stopped, 3) Mail not run | passed=1 failed=0 problem=0 "
        "time=0.834s");
    EXPECT_EQ(briefLine(reportOf({loopBack, row(2, "2) DNS", O::Passed)}, 0.0004)),
              "ZELTO OK - 2 tests passed | passed=2 failed=0 problem=0 time=0.000s");
    RunReport noAddress = reportOf({loopBack}, 12.3456);
    noAddress.runSummary = "No IP Address";
    EXPECT_EQ(briefLine(noAddress),
              "ZELTO OK - 1 test passed, no IP address | passed=1 failed=0 problem=0 time=12.346s");
}

TEST(CliReport, BriefLineKeepsNamesFromBreakingThePluginFormat) {
    // A "|" would start the performance data early; a control character could end the line.
    const std::string line = briefLine(
        reportOf({row(2, "2) LAN|WAN\x1b[2J", O::Failed), row(3, "3) A\tB", O::Problem)}));
    EXPECT_EQ(line,
              "ZELTO CRITICAL - 2) LAN/WAN [2J failed, 3) A B problem | passed=0 failed=1 "
              "problem=1 time=0.834s");
    EXPECT_EQ(briefFailure("no | way\n"), "ZELTO UNKNOWN - no / way ");
}

struct Escape {
    std::string bytes;
    std::string literal;
};

class CliJsonString : public ::testing::TestWithParam<Escape> {};

TEST_P(CliJsonString, GivesValidJsonForAnyBytes) {
    const Escape& e = GetParam();
    const std::string literal = jsonString(e.bytes);
    EXPECT_EQ(literal, e.literal);
    // Whatever the bytes, the literal parses as the JSON value of an array.
    QJsonDocument doc = parse("[" + literal + "]");
    ASSERT_TRUE(doc.isArray());
    EXPECT_TRUE(doc.array().at(0).isString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliJsonString,
    ::testing::Values(
        Escape{"", "\"\""}, Escape{"say \"hi\" \\ there", R"("say \"hi\" \\ there")"},
        Escape{"a\r\nb\tc", R"("a\r\nb\tc")"},
        Escape{std::string("nul\0bell\a", 9), R"("nul\u0000bell\u0007")"},
        Escape{"del\x7f", R"("del\u007f")"},
        // Valid UTF-8 of every length stays as it is.
        Escape{"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
               "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
        // A Windows-1252 byte, a lone continuation byte, a cut sequence at the end.
        Escape{"caf\xe9", R"("caf\ufffd")"}, Escape{"\x80x", R"("\ufffdx")"},
        Escape{"\xe2\x82", R"("\ufffd\ufffd")"},
        // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8 either.
        Escape{"\xc0\xaf", R"("\ufffd\ufffd")"}, Escape{"\xed\xa0\x80", R"("\ufffd\ufffd\ufffd")"},
        Escape{"\xf4\x90\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")"},
        Escape{"\xff", R"("\ufffd")"}));

TEST(CliReport, LineEnds) {
    EXPECT_EQ(lfText("\r\n   TESTS\r\n\r\nx"), "\n   TESTS\n\nx");
    // Only CR LF pairs change; a lone CR is text.
    EXPECT_EQ(lfText("a\rb\r\r\n"), "a\rb\r\n");
    EXPECT_EQ(oneLine("Error\r\nfor\rthe\nfile"), "Error for the file");
}

TEST(CliPrompter, EveryBoxIsOneLineAndQuestionsAreAnsweredNo) {
    std::ostringstream err;
    CliPrompter p(err);
    EXPECT_EQ(p.ask("Check the OutofOffice.ini file.  It has a problem", ui::Buttons::Ok, "Zelto"),
              ui::Answer::Ok);
    EXPECT_EQ(p.ask("Do you want to permanently\r\nsave these values?", ui::Buttons::YesNo,
                    "Update Out of Office"),
              ui::Answer::No);
    p.tell("plain");
    EXPECT_EQ(err.str(),
              "Zelto: Check the OutofOffice.ini file.  It has a problem\n"
              "Update Out of Office: Do you want to permanently save these values?\n"
              "Zelto: plain\n");
}

}  // namespace
}  // namespace zelto::cli
