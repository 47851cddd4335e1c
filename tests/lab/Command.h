#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace zelto::lab {

/// How a command ended: its exit code (-1 when a signal or the time-out ended it) and what it
/// wrote to standard output and standard error, interleaved.
struct CommandResult {
    int exitCode = -1;
    std::string output;
    bool ok() const { return exitCode == 0; }
};

struct RunOptions {
    /// Run inside the network namespace of this process (a Peer's pid); 0 for the current one.
    pid_t netnsOf = 0;
    /// Killed when it runs longer than this.
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
};

/// Runs `argv` (argv[0] looked up in PATH, standard input /dev/null) and waits for it.
CommandResult run(const std::vector<std::string>& argv, const RunOptions& options = {});

/// Runs `argv` and throws LabError with its output unless it exits 0.
void must(const std::vector<std::string>& argv, const RunOptions& options = {});

/// must({"ip", ...}) with `args` split at spaces, e.g. ip("route add default via 10.200.0.1").
void ip(const std::string& args, const RunOptions& options = {});

/// `text` split at runs of spaces.
std::vector<std::string> words(const std::string& text);

}  // namespace zelto::lab
