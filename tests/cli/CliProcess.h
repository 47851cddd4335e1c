#pragma once

// Runs the built zelto-cli as a child process, with its standard output and standard error
// kept apart (the lab's runner interleaves them), and loopback sockets for its probes.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
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

/// A TCP socket on 127.0.0.1 with a port of the kernel's choosing: listening, so connects
/// succeed; or only bound, so connects are refused; or listening with a full queue, so a
/// further connect hangs. Closed with the object.
class LoopbackPort {
  public:
    enum class Kind { Listening, Refusing, Hanging };

    explicit LoopbackPort(Kind kind) : fds_{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)} {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (::bind(fds_[0], reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(fds_[0], reinterpret_cast<sockaddr*>(&a), &length) != 0)
            throw std::runtime_error("bind failed");
        item_ = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
        // A backlog of 0 holds one connection that nobody accepts; SYNs beyond it are dropped.
        if (kind != Kind::Refusing && ::listen(fds_[0], kind == Kind::Hanging ? 0 : 16) != 0)
            throw std::runtime_error("listen failed");
        for (int i = 0; kind == Kind::Hanging && i < 2; ++i) {
            fds_.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
            ::connect(fds_.back(), reinterpret_cast<sockaddr*>(&a), sizeof a);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kind == Kind::Hanging ? 100 : 0));
    }
    ~LoopbackPort() {
        for (int fd : fds_)
            ::close(fd);
    }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;

    /// "127.0.0.1:<port>", an item for a profile.
    const std::string& item() const { return item_; }

  private:
    std::vector<int> fds_;
    std::string item_;
};

}  // namespace zelto::test
