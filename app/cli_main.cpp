#include "cli/Cli.h"

int main(int argc, char** argv) {
    return zelto::cli::runCli(argc, argv);
}
