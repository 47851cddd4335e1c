#pragma once

// Runs the built zelto-cli as a child process, with its standard output and standard error
// kept apart (the lab's runner interleaves them).

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "lab/Lab.h"

namespace zelto::test {

inline const char* const kZeltoCli = ZELTO_BIN_DIR "/zelto-cli";

struct CliResult {
    int exitCode = -1;  // 128 + the signal when one ended it
    std::string out, err;
};

struct CliRunOptions {
    std::string program = kZeltoCli;
    /// Sent to the child `signalAfter` after its start, when not 0.
    int signal = 0;
    std::chrono::milliseconds signalAfter{0};
};

/// Everything written to a memory file, which is then closed.
inline std::string readBack(int fd) {
    std::ifstream in("/proc/self/fd/" + std::to_string(fd));
    std::string text{std::istreambuf_iterator<char>(in), {}};
    ::close(fd);
    return text;
}

/// Runs `program args...` with standard input from /dev/null and waits for it; a hang is left
/// to the test's time-out.
inline CliResult runCli(const std::vector<std::string>& args, const CliRunOptions& options = {}) {
    std::vector<char*> argv{const_cast<char*>(options.program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int out = ::memfd_create("out", MFD_CLOEXEC), err = ::memfd_create("err", MFD_CLOEXEC);
    lab::Process child = lab::Process::start([&] {
        ::dup2(::open("/dev/null", O_RDONLY | O_CLOEXEC), 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        return ::execv(argv[0], argv.data()), 127;
    });
    if (options.signal != 0) {
        std::this_thread::sleep_for(options.signalAfter);
        ::kill(child.pid(), options.signal);
    }
    const int code = child.wait();
    return {code, readBack(out), readBack(err)};
}

}  // namespace zelto::test
