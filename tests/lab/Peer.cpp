#include "lab/Peer.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "lab/LabError.h"
#include "lab/LinkUp.h"
#include "lab/SysFiles.h"

namespace zelto::lab {

namespace {

void writeAll(int fd, const std::string& text) {
    [[maybe_unused]] ssize_t n = ::write(fd, text.data(), text.size());
}

/// Closes every descriptor but the standard three and `keep`: the holder must not keep a
/// test's pipes open (the lab's report pipe, a command's output) for as long as it lives.
void closeAllBut(int keepA, int keepB) {
    const int low = std::min(keepA, keepB);
    const int high = std::max(keepA, keepB);
    ::close_range(3, static_cast<unsigned>(low - 1), 0);
    ::close_range(static_cast<unsigned>(low + 1), static_cast<unsigned>(high - 1), 0);
    ::close_range(static_cast<unsigned>(high + 1), ~0U, 0);
}

Process startHolder(int& lifeline) {
    int ready[2];
    int life[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(life, O_CLOEXEC) != 0)
        throw LabError(std::string("pipe failed: ") + std::strerror(errno));
    Process holder = Process::start([&] {
        closeAllBut(ready[1], life[0]);
        if (::unshare(CLONE_NEWNET) != 0) {
            writeAll(ready[1], std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno));
            return 1;
        }
        if (const int err = bringLinkUp("lo"); err != 0) {
            writeAll(ready[1], std::string("lo up: ") + std::strerror(err));
            return 1;
        }
        writeAll(ready[1], "+");
        ::close(ready[1]);
        // Hold the namespace until the Peer closes the other end (or its process dies).
        char c;
        while (::read(life[0], &c, 1) < 0 && errno == EINTR) {
        }
        return 0;
    });
    ::close(ready[1]);
    ::close(life[0]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = ::read(ready[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(n));
        if (answer == "+")
            break;
    }
    ::close(ready[0]);
    if (answer != "+") {
        ::close(life[1]);
        throw LabError("peer namespace: " + (answer.empty() ? "holder died" : answer));
    }
    lifeline = life[1];
    return holder;
}

}  // namespace

Peer::Peer() : holder_(startHolder(lifeline_)) {}

Peer::~Peer() {
    ::close(lifeline_);
    // Killed rather than waited for: a child forked after the Peer may hold a copy of the
    // lifeline, and the holder has nothing to tidy up anyway.
    holder_.kill();
}

CommandResult Peer::run(const std::vector<std::string>& argv) const {
    RunOptions options;
    options.netnsOf = pid();
    return lab::run(argv, options);
}

void Peer::must(const std::vector<std::string>& argv) const {
    RunOptions options;
    options.netnsOf = pid();
    lab::must(argv, options);
}

void Peer::ip(const std::string& args) const {
    RunOptions options;
    options.netnsOf = pid();
    lab::ip(args, options);
}

void Peer::sysctl(const std::string& key, const std::string& value) const {
    // /proc/sys/net belongs to the namespace of whoever opens it, so the write happens in a
    // child that has entered the peer.
    const std::string path = sysctlPath(key);
    const std::string text = value + "\n";
    if (call([&] { return writeFile(path, text) ? 0 : 1; }) != 0)
        throw LabError("peer sysctl " + key + "=" + value + " failed");
}

std::string Peer::readSysctl(const std::string& key) const {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw LabError(std::string("pipe failed: ") + std::strerror(errno));
    const std::string path = sysctlPath(key);
    Process child = spawn([&] {
        const std::optional<std::string> text = readFile(path);
        if (text)
            writeAll(pipeFds[1], *text);
        return text ? 0 : 1;
    });
    ::close(pipeFds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    if (child.wait() != 0)
        throw LabError("cannot read peer sysctl " + key);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

int Peer::call(const std::function<int()>& fn) const {
    return spawn(fn).wait();
}

Process Peer::spawn(const std::function<int()>& fn) const {
    return Process::start(fn, pid());
}

}  // namespace zelto::lab
