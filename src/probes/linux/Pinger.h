#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <stop_token>
#include <string>

#include "probes/NetworkServices.h"
#include "probes/linux/ProbeLoop.h"
#include "system/linux/Fd.h"
#include "system/linux/SystemCalls.h"

namespace zelto::probes {

/// Sends ICMP echoes and has the probe loop wait for their answers. Each echo has its own
/// socket and a random sequence, so echoes in flight together never take each other's answers.
class Pinger {
  public:
    /// Told, once in this object's life, why no ICMP socket could be opened.
    using Reporter = std::function<void(const std::string&)>;

    Pinger(system::SystemCalls& calls, ProbeLoop& loop, std::chrono::milliseconds timeout,
           Reporter reportNoSocket);

    /// Sends one echo of "Hello World" to a dotted IPv4 address; `done` gets status 0 once a
    /// reply came, the round trip as "N ms", and whether the data matched.
    void start(const std::string& dotted, const std::stop_token& stop, Completion<PingResult> done);

  private:
    struct IcmpSocket {
        system::Fd fd;
        bool raw = false;
        // Why each kind of socket was refused, for the report when neither opens.
        int datagramError = 0;
        int rawError = 0;
    };

    IcmpSocket open();
    void reportOnce(const IcmpSocket& refused);

    system::SystemCalls& calls_;
    ProbeLoop& loop_;
    std::chrono::milliseconds timeout_;
    Reporter report_;
    std::atomic<bool> reported_{false};
};

}  // namespace zelto::probes
