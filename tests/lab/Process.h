#pragma once

#include <sys/types.h>

#include <functional>

namespace zelto::lab {

/// A forked copy of this process running one function; killed and reaped when the object goes.
/// The child also dies with the thread that made it (PR_SET_PDEATHSIG), so make it on the
/// thread that lives longest (the test's own).
class Process {
  public:
    /// Forks; the child runs `fn` (inside the network namespace of `netnsOf` when not 0) and
    /// exits with its result (125 when it throws). Throws LabError when the fork fails.
    static Process start(const std::function<int()>& fn, pid_t netnsOf = 0);

    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    pid_t pid() const { return pid_; }
    /// Waits for the child to end: its exit code, or 128 + the signal that ended it.
    int wait();
    /// Ends the child now (SIGKILL) and reaps it.
    void kill();

  private:
    explicit Process(pid_t pid) : pid_(pid) {}
    pid_t pid_ = -1;
};

}  // namespace zelto::lab
