#pragma once

#include <functional>
#include <thread>

#include "system/linux/Fd.h"

namespace zelto::cli {

/// While it lives, SIGINT, SIGTERM and SIGHUP no longer end the process at once: the first one
/// is handed to `onSignal` on a thread of the watch's own (post a Stop to the UI thread from
/// there), so an interrupted run still reports what it found; a second one ends the process
/// with status 128 + the signal number. Create it before any other thread exists, since only
/// threads started afterwards inherit the blocked signals. Without signalfd it watches nothing
/// and the signals keep their usual effect.
class CliSignalWatch {
  public:
    explicit CliSignalWatch(std::function<void(int signo)> onSignal);
    ~CliSignalWatch();
    CliSignalWatch(const CliSignalWatch&) = delete;
    CliSignalWatch& operator=(const CliSignalWatch&) = delete;

  private:
    void watch();

    std::function<void(int)> onSignal_;
    system::Fd signals_;
    system::Fd quit_;
    std::thread thread_;
};

}  // namespace zelto::cli
