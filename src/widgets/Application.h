#pragma once

namespace zelto::widgets {

/// Entry of the desktop program.
int runDesktop(int argc, char** argv);

}  // namespace zelto::widgets
