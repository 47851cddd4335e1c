#pragma once

#include <functional>
#include <thread>

#include "system/linux/Fd.h"

namespace zelto::shell {

/// SIGINT, SIGTERM and SIGHUP (an interrupt, logout, shutdown) as events instead of an
/// abrupt end. From its construction those signals are blocked and kept pending; once started,
/// the first one is handed to the handler on a thread of the watch's own (post the reaction to
/// the UI thread from there) and a second one ends the process at once with status
/// 128 + the signal number, for a user who insists. Construct it before any other thread
/// exists, since only threads started afterwards inherit the blocked signals. Without signalfd
/// it watches nothing and the signals keep their usual effect.
class SignalWatch {
  public:
    SignalWatch();
    /// Constructs and starts at once.
    explicit SignalWatch(std::function<void(int signo)> onSignal);
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    /// Begins handing signals to `onSignal`, those that came meanwhile first. Once only.
    void start(std::function<void(int signo)> onSignal);

  private:
    void watch();

    std::function<void(int)> onSignal_;
    system::Fd signals_;
    system::Fd quit_;
    std::thread thread_;
};

}  // namespace zelto::shell
