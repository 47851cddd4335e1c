#pragma once

#include <cstdint>

#include "probes/NetworkServices.h"
#include "probes/linux/ProbeLoop.h"
#include "system/linux/Fd.h"

namespace zelto::probes {

/// Waits on the probe loop for a TCP connect already begun on a non-blocking socket.
class ConnectTask : public LoopTask {
  public:
    ConnectTask(system::Fd socket, Clock::time_point deadline, Completion<ConnectResult> done)
        : socket_(std::move(socket)), deadline_(deadline), done_(std::move(done)) {}

    int fd() const override { return socket_.get(); }
    std::uint32_t events() const override;
    Clock::time_point deadline() const override { return deadline_; }
    bool ready(std::uint32_t events) override;
    void expire() override { report(ConnectResult::Failed); }
    void cancel() override { report(ConnectResult::Cancelled); }

  private:
    void report(ConnectResult result);

    system::Fd socket_;
    Clock::time_point deadline_;
    Completion<ConnectResult> done_;
};

}  // namespace zelto::probes
