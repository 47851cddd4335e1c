#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <stop_token>
#include <string>

#include "probes/NetworkServices.h"
#include "system/linux/Fd.h"
#include "system/linux/SystemCalls.h"

namespace zelto::probes {

/// Sends one ICMP echo and waits for its answer. Each call has its own socket, so calls on
/// several threads at once never see each other's answers.
class Pinger {
  public:
    /// Told, once in this object's life, why no ICMP socket could be opened.
    using Reporter = std::function<void(const std::string&)>;

    Pinger(system::SystemCalls& calls, std::chrono::milliseconds timeout, Reporter reportNoSocket);

    /// One echo of "Hello World" to a dotted IPv4 address: status 0 once a reply came, the
    /// round trip as "N ms", and whether the data matched.
    PingResult ping(const std::string& dotted, std::stop_token stop);

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
    std::chrono::milliseconds timeout_;
    Reporter report_;
    std::atomic<bool> reported_{false};
};

}  // namespace zelto::probes
