#pragma once

// Runs the built zelto-cli as a child process, with its standard output and standard error
// kept apart (the lab's runner interleaves them), and loopback sockets for its probes.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelto::test {

inline const char* const kZeltoCli = ZELTO_BIN_DIR "/zelto-cli";

struct CliResult {
    /// Exit status; 128 + the signal when a signal ended it; -1 when the time-out did.
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct CliRunOptions {
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    /// Sent to the child this long after its start, when `signal` is not 0.
    int signal = 0;
    std::chrono::milliseconds signalAfter{0};
    std::string program = kZeltoCli;
};

/// Runs `program args...` with standard input from /dev/null and waits for it.
inline CliResult runCli(const std::vector<std::string>& args, const CliRunOptions& options = {}) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argv{options.program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(cargv[0], cargv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);

    CliResult result;
    const auto start = std::chrono::steady_clock::now();
    bool signalled = options.signal == 0;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    for (int openPipes = 2; openPipes > 0;) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (elapsed >= options.timeout) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (!signalled && elapsed >= options.signalAfter) {
            ::kill(pid, options.signal);
            signalled = true;
        }
        ::poll(fds, 2, 20);
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --openPipes;
            }
        }
    }
    for (const pollfd& f : fds)
        ::close(f.fd);  // -1 for a pipe already closed: a harmless EBADF
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL)
        result.exitCode = 128 + WTERMSIG(status);
    return result;
}

/// A TCP socket on 127.0.0.1 with a port of the kernel's choosing: listening, so connects
/// succeed; or only bound, so connects are refused; or listening with a full queue, so a
/// further connect hangs. Closed with the object.
class LoopbackPort {
  public:
    enum class Kind { Listening, Refusing, Hanging };

    explicit LoopbackPort(Kind kind) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            throw std::runtime_error("bind failed");
        socklen_t length = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        if (kind == Kind::Refusing)
            return;
        // A backlog of 0 holds one connection that nobody accepts; SYNs beyond it are dropped.
        if (::listen(fd_, kind == Kind::Hanging ? 0 : 16) != 0)
            throw std::runtime_error("listen failed");
        if (kind == Kind::Hanging) {
            for (int i = 0; i < 2; ++i) {
                const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
                ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
                fillers_.push_back(c);
            }
            ::usleep(100000);
        }
    }
    ~LoopbackPort() {
        fillers_.push_back(fd_);
        for (int c : fillers_)
            ::close(c);
    }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;

    int port() const { return port_; }
    /// "127.0.0.1:<port>", an item for a profile.
    std::string item() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

}  // namespace zelto::test
