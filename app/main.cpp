#include <iostream>

#include "profiles/linux/OwnExecutable.h"
#include "shell/TerminalSetup.h"
#include "widgets/Application.h"

int main(int argc, char** argv) {
    // Over SSH there is no display to open: the installer holds its dialogue on the terminal.
    if (!zelto::shell::hasDisplay()) {
        std::string exe = zelto::profiles::ownExecutablePath();
        if (exe.empty() && argc > 0)
            exe = argv[0];
        if (std::optional<int> status = zelto::shell::runTerminalSetup(exe, std::cin, std::cout))
            return *status;
    }
    return zelto::widgets::runDesktop(argc, argv);
}
