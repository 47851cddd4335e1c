#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "probes/NetworkServices.h"
#include "probes/linux/IcmpPacket.h"
#include "probes/linux/ProbeLoop.h"
#include "system/linux/Fd.h"

namespace zelto::probes {

/// Waits on the probe loop for the answer to one echo already sent on its own ICMP socket:
/// the reply, or an ICMP error, that carries the echo's identifier and sequence.
class EchoTask : public LoopTask {
  public:
    /// `key.id` is the identifier on the wire: for a datagram socket the one the kernel chose.
    EchoTask(system::Fd socket, bool raw, icmp::EchoKey key, Clock::time_point sent,
             std::chrono::milliseconds timeout, Completion<PingResult> done);

    int fd() const override { return socket_.get(); }
    std::uint32_t events() const override;
    Clock::time_point deadline() const override { return sent_ + timeout_; }
    bool ready(std::uint32_t events) override;
    void expire() override;
    void cancel() override;

  private:
    bool readQueuedErrors();
    bool readAnswers();
    void finishWith(int status, bool timed);
    void report(PingResult result);

    system::Fd socket_;
    bool raw_;
    icmp::EchoKey key_;
    Clock::time_point sent_;
    std::chrono::milliseconds timeout_;
    Completion<PingResult> done_;
    // A reply whose data differs is kept aside: the true reply may still come, and if it does
    // not, the item fails on the data as it would have with the platform's echo function.
    std::optional<PingResult> differing_;
};

}  // namespace zelto::probes
