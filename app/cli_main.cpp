#include "shell/Cli.h"

int main(int argc, char** argv) {
    return zelto::shell::runCli(argc, argv);
}
