// zelto-cli's arguments: NUL-separated words. A parse gives options or an error, never both
// or neither.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ScratchFolder.h"
#include "cli/CliArguments.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = fuzz::asText(data, size);
    std::vector<std::string> args;
    while (!input.empty()) {
        const std::size_t end = input.find('\0');
        args.emplace_back(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    }
    const cli::CliParse parse = cli::parseCliArguments(args);
    if (parse.options.has_value() == !parse.error.empty())
        std::abort();
    return 0;
}
