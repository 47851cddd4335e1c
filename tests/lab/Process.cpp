#include "lab/Process.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <utility>

#include "lab/LabError.h"

namespace zelto::lab {

Process Process::start(const std::function<int()>& fn, pid_t netnsOf) {
    int ns = -1;
    if (netnsOf != 0) {
        const std::string path = "/proc/" + std::to_string(netnsOf) + "/ns/net";
        ns = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0)
            throw LabError("cannot open " + path + ": " + std::strerror(errno));
    }
    // Unwritten buffers would otherwise be written twice, once by each process.
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        if (ns >= 0)
            ::close(ns);
        throw LabError(std::string("fork failed: ") + std::strerror(err));
    }
    if (pid == 0) {
        // A child must not outlive a test that crashed or was killed by its time-out.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        if (ns >= 0 && ::setns(ns, CLONE_NEWNET) != 0) {
            std::perror("setns");
            ::_exit(126);
        }
        int code = 125;
        try {
            code = fn();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lab process: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "lab process: unknown exception\n");
        }
        std::fflush(nullptr);
        // _exit: the copy of the test program must not run its exit handlers a second time.
        ::_exit(code);
    }
    if (ns >= 0)
        ::close(ns);
    return Process(pid);
}

Process::Process(Process&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        kill();
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
}

Process::~Process() {
    kill();
}

int Process::wait() {
    if (pid_ <= 0)
        return -1;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, 0);
    } while (r < 0 && errno == EINTR);
    pid_ = -1;
    if (r < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Process::kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    wait();
}

}  // namespace zelto::lab
