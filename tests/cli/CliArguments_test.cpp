#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliArguments.h"

namespace zelto::cli {
namespace {

using Args = std::vector<std::string>;

CliOptions parsed(const Args& args) {
    CliParse p = parseCliArguments(args);
    EXPECT_TRUE(p.options.has_value()) << p.error;
    return p.options.value_or(CliOptions{});
}

TEST(CliArguments, RunWithEveryOptionInAnyOrderAndValueForm) {
    CliOptions o = parsed({"--folder", "/opt/z", "run", "--in", "--tests", "1,3,4", "--errors-only",
                           "--simple", "--timestamps", "--json"});
    EXPECT_EQ(o.command, CliCommand::Run);
    EXPECT_EQ(o.folder, "/opt/z");
    EXPECT_TRUE(o.inOffice && o.errorsOnly && o.simple && o.timestamps);
    EXPECT_EQ(o.tests, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(o.output, CliOutput::Json);
    // Options before the command, after it, and in the --name=value form give the same result.
    CliOptions a = parsed({"--folder", "d", "run", "--brief", "--tests", "2"});
    EXPECT_EQ(a, parsed({"run", "--tests=2", "--brief", "--folder=d"}));
    EXPECT_EQ(a.output, CliOutput::Brief);
}

TEST(CliArguments, ParamsAndInterfaces) {
    CliOptions p = parsed({"params", "--key", "--explain"});
    EXPECT_EQ(p.command, CliCommand::Params);
    EXPECT_TRUE(p.keyValues);
    EXPECT_TRUE(p.explain);
    EXPECT_FALSE(parsed({"params"}).keyValues);
    EXPECT_TRUE(parsed({"params", "--analyze"}).analyze);
    EXPECT_EQ(parsed({"--folder", "x", "interfaces"}).command, CliCommand::Interfaces);
}

TEST(CliArguments, HelpAndVersionWinWherever) {
    EXPECT_EQ(parsed({"-h"}).command, CliCommand::Help);
    EXPECT_EQ(parsed({"run", "--bogus", "--help"}).command, CliCommand::Help);
    EXPECT_EQ(parsed({"--version"}).command, CliCommand::Version);
}

TEST(CliArguments, TestListsAreKeptInTheOrderGiven) {
    EXPECT_EQ(parsed({"run", "--tests", "4,1"}).tests, (std::vector<int>{4, 1}));
    EXPECT_EQ(parsed({"run", "--tests", "1, 2 ,3"}).tests, (std::vector<int>{1, 2, 3}));
    // Numbers beyond the profile are for the run to refuse, once it knows the profile.
    EXPECT_EQ(parsed({"run", "--tests", "9"}).tests, std::vector<int>{9});
}

struct Bad {
    Args args;
    const char* error;
};

class CliArgumentsBad : public ::testing::TestWithParam<Bad> {};

TEST_P(CliArgumentsBad, OneLineNamingTheArgument) {
    const Bad& b = GetParam();
    CliParse p = parseCliArguments(b.args);
    EXPECT_FALSE(p.options.has_value());
    EXPECT_EQ(p.error, b.error);
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliArgumentsBad,
    ::testing::Values(
        Bad{{}, "no command given (run, params, interfaces, help, guide or make-setup)"},
        Bad{{"check"}, "unknown command 'check'"},
        Bad{{"run", "params"}, "unexpected argument 'params'"},
        Bad{{"run", "--bogus"}, "unknown option '--bogus'"},
        Bad{{"run", "--in=yes"}, "--in takes no value"},
        Bad{{"run", "--folder"}, "--folder needs a value"},
        Bad{{"--folder", "run"},
            "no command given (run, params, interfaces, help, guide or make-setup)"},
        Bad{{"--folder", "--in", "run"}, "--folder needs a value"},
        Bad{{"run", "--folder="}, "--folder needs a folder name"},
        Bad{{"--folder", "a", "--folder", "b", "run"}, "--folder given twice"},
        Bad{{"run", "--tests"}, "--tests needs a value"},
        Bad{{"run", "--tests", ""}, "--tests: '' is not a list of test numbers like 1,3,4"},
        Bad{{"run", "--tests", "-1"}, "--tests: '-1' is not a list of test numbers like 1,3,4"},
        Bad{{"run", "--tests", "99999999999"},
            "--tests: '99999999999' is not a list of test numbers like 1,3,4"},
        Bad{{"run", "--tests", "0"},
            "--tests: there is no test 0; tests are numbered from 1 (Loop Back)"},
        Bad{{"run", "--tests", "1", "--tests", "2"}, "--tests given twice"},
        Bad{{"run", "--brief", "--json"}, "--brief and --json exclude each other"},
        Bad{{"run", "--key"}, "--key is an option of params, not of run"},
        Bad{{"params", "--in"}, "--in is an option of run, not of params"},
        Bad{{"interfaces", "--explain"}, "--explain is an option of params, not of interfaces"},
        Bad{{"--json", "interfaces"}, "--json is an option of run, not of interfaces"}));

}  // namespace
}  // namespace zelto::cli
