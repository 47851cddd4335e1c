#pragma once

#include <atomic>
#include <exception>
#include <optional>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>

#include "ui/EventPump.h"

namespace zelto::probes {

/// Runs `work(token)` on a thread of its own and serves `pump` until it returns, then returns
/// its result (or rethrows its exception) on the calling thread. Requesting `stop` (e.g. from an
/// event handler served meanwhile) reaches `work` through its token. Awaits on several threads,
/// or nested in the handlers of one pump, never mix their results.
template <class Work>
auto awaitProbe(ui::EventPump& pump, std::stop_source& stop, Work work)
    -> std::invoke_result_t<Work&, std::stop_token> {
    using Result = std::invoke_result_t<Work&, std::stop_token>;
    static_assert(!std::is_void_v<Result>, "a probe hands back a result");

    std::optional<Result> value;
    std::exception_ptr error;
    std::atomic<bool> done{false};
    // The worker listens to its own stop source, which follows the caller's: the caller's Stop
    // reaches it, and if waiting throws, the jthread's destructor stops and joins only this
    // probe, without stopping anything else that shares the caller's source.
    std::jthread worker([&](std::stop_token token) {
        try {
            value.emplace(work(std::move(token)));
        } catch (...) {
            error = std::current_exception();
        }
        done.store(true, std::memory_order_release);
        pump.wake();
    });
    auto stopWorker = [&worker]() noexcept { worker.request_stop(); };
    std::stop_callback<decltype(stopWorker)> follow(stop.get_token(), stopWorker);

    pump.waitUntil([&done] { return done.load(std::memory_order_acquire); });
    worker.join();
    if (error)
        std::rethrow_exception(error);
    return std::move(*value);
}

}  // namespace zelto::probes
