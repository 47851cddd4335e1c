#include "ui/ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

namespace zelto::ui {

void ExitProgramEnd::doEnd(int status) {
    // Streams are flushed so the last messages on stdout/stderr are not lost.
    std::fflush(nullptr);
    std::exit(status);
}

}  // namespace zelto::ui
