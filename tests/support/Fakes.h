#pragma once

#include <arpa/inet.h>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "netparams/NetParamsGatherer.h"
#include "probes/NetworkServices.h"
#include "shell/TrayHost.h"

namespace zelto::test {

/// Probes that only block: each start call runs its blocking twin on a thread of its own.
class ThreadedProbes : public probes::NetworkServices {
  public:
    void startPing(const std::string& dotted, std::stop_token stop,
                   probes::Completion<probes::PingResult> done) override {
        onThread([this, dotted, stop] { return ping(dotted, stop); }, std::move(done));
    }
    void startLookup(const std::string& name, std::stop_token stop,
                     probes::Completion<std::string> done) override {
        onThread([this, name, stop] { return getIPFromHostName(name, stop); }, std::move(done));
    }
    void startConnect(const std::string& dotted, int port, std::stop_token stop,
                      probes::Completion<probes::ConnectResult> done) override {
        onThread([this, dotted, port, stop] { return connect(dotted, port, stop); },
                 std::move(done));
    }
    /// inet_addr's reading of an address, as the Linux probes read it.
    bool isDottedAddress(const std::string& text) const override {
        const in_addr_t a = ::inet_addr(text.c_str());
        return a != INADDR_NONE && a != 0;
    }

  private:
    template <class Work, class Done>
    static void onThread(Work work, Done done) {
        std::thread([work = std::move(work), done = std::move(done)] { done(work()); }).detach();
    }
};

/// Probes with scripted answers. Unknown addresses fail; unknown names resolve to "".
class FakeNetworkServices : public ThreadedProbes {
  public:
    probes::PingResult ping(const std::string& dotted, std::stop_token stop) override {
        record("ping " + dotted, stop);
        auto it = pings.find(dotted);
        return it != pings.end() ? it->second : probes::PingResult{11010, "800 ms", std::nullopt};
    }
    std::string getIPFromHostName(const std::string& name, std::stop_token stop) override {
        record("lookup " + name, stop);
        auto it = names.find(name);
        return it == names.end() ? std::string() : it->second;
    }
    probes::ConnectResult connect(const std::string& dotted, int port,
                                  std::stop_token stop) override {
        const std::string key = dotted + ":" + std::to_string(port);
        if (!record("connect " + key, stop))
            return probes::ConnectResult::Cancelled;
        return listening.contains(key) ? probes::ConnectResult::Connected
                                       : probes::ConnectResult::Failed;
    }

    /// A ping that answers "Hello World" in `ms` milliseconds.
    void answers(const std::string& dotted, int ms = 0) {
        pings[dotted] = {0, std::to_string(ms) + " ms", true};
    }
    std::vector<std::string> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    std::map<std::string, probes::PingResult> pings{{"127.0.0.1", {0, "0 ms", true}}};
    /// "address:port" of the servers that accept a connection.
    std::set<std::string> listening;
    std::map<std::string, std::string> names{{" ", "192.0.2.10"}};
    /// A pause before the answer to one call ("ping 192.0.2.1"), cut short by a stop.
    std::map<std::string, std::chrono::milliseconds> pauses;

  private:
    /// Notes the call and waits out its pause; false when a stop cut it short.
    bool record(const std::string& call, const std::stop_token& stop) {
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(call);
        }
        const auto it = pauses.find(call);
        const auto end = std::chrono::steady_clock::now() +
                         (it == pauses.end() ? std::chrono::milliseconds(0) : it->second);
        while (std::chrono::steady_clock::now() < end && !stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return !stop.stop_requested();
    }

    std::mutex mutex_;
    std::vector<std::string> calls_;
};

/// A gatherer whose snapshot the test sets; it records every call's mode.
class FakeGatherer : public netparams::NetParamsGatherer {
  public:
    void GatherNetParams(const std::string& mode, bool) override { modes.push_back(mode); }
    const netparams::Snapshot& snapshot() const override { return snap; }

    /// Gives adapter `a` one address, `gateways`, and DHCP from `dhcpServer` when not empty.
    void adapter(int a, const std::string& ip, const std::vector<std::string>& gateways = {},
                 const std::string& dhcpServer = "") {
        snap.AdapterIPs[a][0] = ip.empty() ? "0" : "1";
        snap.AdapterIPs[a][1] = ip.empty() ? netparams::kBlank : ip;
        for (std::size_t g = 1; g <= 4; ++g)
            snap.AdapterGateways[a][g] = g <= gateways.size() ? gateways[g - 1] : netparams::kBlank;
        snap.AdapterGateways[a][0] = std::to_string(gateways.size());
        if (!dhcpServer.empty()) {
            snap.AdapterDhcp[a] = "Enabled";
            snap.AdapterDhcpServer[a] = dhcpServer;
        }
    }

    netparams::Snapshot snap;
    std::vector<std::string> modes;
};

/// A notification area that records what it was asked to show.
class RecordingTrayHost : public shell::TrayHost {
  public:
    void add(const shell::TrayIconData& r) override { calls.push_back("add " + r.tip); }
    void modify(const shell::TrayIconData& r) override {
        calls.push_back("modify " + std::to_string(r.iconId) + " " + r.tip + "|" + r.info);
    }
    void remove() override { calls.push_back("remove"); }
    bool available() const override { return present; }
    void showMenu() override { calls.push_back("menu"); }

    bool present = true;
    std::vector<std::string> calls;
};

}  // namespace zelto::test
