// zelto-cli's arguments: NUL-separated words. A parse gives options or an error, never both
// or neither.
#include <vector>

#include "Fuzz.h"
#include "cli/CliArguments.h"

void zelto::fuzz::one(std::string_view input) {
    std::vector<std::string> args;
    while (!input.empty()) {
        const std::size_t end = input.find('\0');
        args.emplace_back(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    }
    const cli::CliParse parse = cli::parseCliArguments(args);
    require(parse.options.has_value() == parse.error.empty());
}
