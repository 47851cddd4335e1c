#pragma once

// Runs the built zelto-cli as a child process, with its standard output and standard error
// kept apart (the lab's runner interleaves them), and loopback ports for real probes.

#include <arpa/inet.h>
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

/// A TCP socket on 127.0.0.1 with a port of the kernel's choosing: listening, so connects
/// succeed; or only bound, so connects are refused and nobody else takes the port meanwhile.
class LoopbackPort {
  public:
    enum class Kind { Listening, Refusing };

    explicit LoopbackPort(Kind kind) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) != 0 ||
            (kind == Kind::Listening && ::listen(fd_, 16) != 0))
            throw std::runtime_error("cannot make a loopback port");
        port_ = ntohs(a.sin_port);
    }
    ~LoopbackPort() { ::close(fd_); }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;

    int port() const { return port_; }

  private:
    int fd_;
    int port_ = 0;
};

}  // namespace zelto::test
