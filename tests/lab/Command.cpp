#include "lab/Command.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "lab/LabError.h"

namespace zelto::lab {

namespace {

std::string joined(const std::vector<std::string>& argv) {
    std::string text;
    for (const auto& a : argv)
        text += (text.empty() ? "" : " ") + a;
    return text;
}

}  // namespace

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

CommandResult run(const std::vector<std::string>& argv, const RunOptions& options) {
    if (argv.empty())
        throw LabError("run: no command");
    // Everything the child needs is made before the fork: after it, only system calls.
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int ns = -1;
    if (options.netnsOf != 0) {
        const std::string path = "/proc/" + std::to_string(options.netnsOf) + "/ns/net";
        ns = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0)
            throw LabError("cannot open " + path + ": " + std::strerror(errno));
    }
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        if (ns >= 0)
            ::close(ns);
        throw LabError(std::string("pipe failed: ") + std::strerror(errno));
    }
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        if (ns >= 0 && ::setns(ns, CLONE_NEWNET) != 0)
            ::_exit(126);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::execvp(args[0], args.data());
        static const char kExecFailed[] = "exec failed\n";
        [[maybe_unused]] ssize_t n = ::write(2, kExecFailed, sizeof kExecFailed - 1);
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(out[1]);
    if (ns >= 0)
        ::close(ns);
    if (pid < 0) {
        ::close(out[0]);
        throw LabError(std::string("fork failed: ") + std::strerror(forkError));
    }

    CommandResult result;
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(out[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        result.output += "\n(killed after " + std::to_string(options.timeout.count()) + " ms)";
    else if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

void must(const std::vector<std::string>& argv, const RunOptions& options) {
    const CommandResult r = run(argv, options);
    if (!r.ok())
        throw LabError("'" + joined(argv) + "' exited with " + std::to_string(r.exitCode) + ": " +
                       r.output);
}

void ip(const std::string& args, const RunOptions& options) {
    must(words("ip " + args), options);
}

}  // namespace zelto::lab
