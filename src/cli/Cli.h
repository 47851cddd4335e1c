#pragma once

namespace zelto::cli {

/// Entry of zelto-cli: the checker for terminals, scripts and monitoring systems.
int runCli(int argc, char** argv);

}  // namespace zelto::cli
