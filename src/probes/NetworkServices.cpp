#include "probes/NetworkServices.h"

#include <system_error>
#include <thread>
#include <utility>

namespace zelto::probes {

namespace {

/// Runs `work` on a detached thread and hands its result to `done`; without a thread to be
/// had, `failed` goes to `done` at once.
template <class Result, class Work>
void onThread(Work work, Completion<Result> done, Result failed) {
    try {
        std::thread([work = std::move(work), done, failed]() mutable {
            try {
                failed = work();
            } catch (...) {
                // A probe that could not be made has the failed outcome.
            }
            done(std::move(failed));
        }).detach();
    } catch (const std::system_error&) {
        done(std::move(failed));
    }
}

}  // namespace

void NetworkServices::startPing(const std::string& dotted, std::stop_token stop,
                                Completion<PingResult> done) {
    onThread<PingResult>([this, dotted, stop] { return ping(dotted, stop); }, std::move(done),
                         PingResult{});
}

void NetworkServices::startLookup(const std::string& name, std::stop_token stop,
                                  Completion<std::string> done) {
    onThread<std::string>([this, name, stop] { return getIPFromHostName(name, stop); },
                          std::move(done), std::string());
}

void NetworkServices::startConnect(const std::string& dotted, int port, std::stop_token stop,
                                   Completion<ConnectResult> done) {
    onThread<ConnectResult>([this, dotted, port, stop] { return connect(dotted, port, stop); },
                            std::move(done), ConnectResult::Failed);
}

}  // namespace zelto::probes
