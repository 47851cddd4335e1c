#include "cli/CliArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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
    EXPECT_EQ(parsed({"help", "Loop Back"}).topic, "Loop Back");
    EXPECT_EQ(parsed({"help"}).command, CliCommand::Help);
    EXPECT_EQ(parsed({"run", "--bogus", "--help"}).command, CliCommand::Help);
    EXPECT_EQ(parsed({"--version"}).command, CliCommand::Version);
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
        {{"run", "--folder="}, "--folder needs a folder name"},
        {{"--folder", "a", "--folder", "b", "run"}, "--folder given twice"},
        {{"run", "--tests", "1", "--tests", "2"}, "--tests given twice"},
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

}  // namespace
}  // namespace zelto::cli
