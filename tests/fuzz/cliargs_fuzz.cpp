// zelto-cli's arguments: NUL-separated words. A parse gives options or an error, never both
// or neither.
#include <vector>

#include "Fuzz.h"
#include "cli/CliArguments.h"

void zelto::fuzz::one(std::string_view input) {
    std::vector<std::string> args;
    while (!input.empty())
        args.emplace_back(cut(input, '\0'));
    const cli::CliParse parse = cli::parseCliArguments(args);
    require(parse.options.has_value() == parse.error.empty());
}
