#include "shell/Cli.h"

#include <cstdio>
#include <cstring>

namespace zelto::shell {

namespace {
constexpr const char* kUsage =
    "Usage:\n"
    "  zelto-cli [--folder DIR] run [--in] [--tests LIST] [--errors-only] [--simple]\n"
    "            [--timestamps] [--brief | --json]\n"
    "  zelto-cli [--folder DIR] params [--key] [--explain]\n"
    "  zelto-cli [--folder DIR] interfaces\n"
    "  zelto-cli --help | --version\n";
}

int runCli(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("zelto-cli 1.9");
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 3;
}

}  // namespace zelto::shell
