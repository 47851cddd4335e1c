#pragma once

// Runs the built zelto-cli as a child process, with its standard output and standard error
// kept apart (the lab's runner interleaves them).

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zelto::test {

inline const char* const kZeltoCli = ZELTO_BIN_DIR "/zelto-cli";

struct CliResult {
    int exitCode = -1;  // -1 when a signal ended it
    std::string out;
    std::string err;
};

struct CliRunOptions {
    std::string program = kZeltoCli;
    /// Sent to the child `signalAfter` after its start, when not 0.
    int signal = 0;
    std::chrono::milliseconds signalAfter{0};
};

/// Everything written to a memory file, which is then closed.
inline std::string readBack(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

/// Runs `program args...` with standard input from /dev/null and waits for it; a hang is left
/// to the test's time-out.
inline CliResult runCli(const std::vector<std::string>& args, const CliRunOptions& options = {}) {
    std::vector<std::string> words{options.program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const int out = ::memfd_create("out", 0), err = ::memfd_create("err", 0);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, out, 1);
    ::posix_spawn_file_actions_adddup2(&actions, err, 2);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + options.program);
    if (options.signal != 0) {
        std::this_thread::sleep_for(options.signalAfter);
        ::kill(pid, options.signal);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBack(out), readBack(err)};
}

}  // namespace zelto::test
