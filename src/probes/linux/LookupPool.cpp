#include "probes/linux/LookupPool.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace zelto::probes {

namespace {

/// One lookup; whoever ends it first, the pool's thread or a stop, hands over the answer.
struct Job {
    std::function<std::string()> lookup;
    Completion<std::string> done;
    std::atomic<bool> over{false};
    std::optional<std::stop_callback<std::function<void()>>> onStop;

    void end(std::string answer) {
        if (!over.exchange(true))
            done(std::move(answer));
    }
};

}  // namespace

/// Shared with the threads, which may outlive the pool while a lookup finishes.
struct LookupPool::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::shared_ptr<Job>> queue;
    std::size_t threads = 0;
    std::size_t idle = 0;
    std::size_t limit = 0;
    bool closing = false;

    static void serve(const std::shared_ptr<State>& state) {
        std::unique_lock lock(state->mutex);
        for (;;) {
            ++state->idle;
            state->wake.wait(lock, [&] { return state->closing || !state->queue.empty(); });
            --state->idle;
            if (state->closing)
                return;
            std::shared_ptr<Job> job = std::move(state->queue.front());
            state->queue.pop_front();
            lock.unlock();
            if (!job->over.load())
                job->end(job->lookup());
            // The job (and its stop callback) goes outside the lock.
            job.reset();
            lock.lock();
        }
    }
};

LookupPool::LookupPool(std::size_t threads) : state_(std::make_shared<State>()) {
    state_->limit = threads;
}

LookupPool::~LookupPool() {
    std::deque<std::shared_ptr<Job>> left;
    {
        std::lock_guard lock(state_->mutex);
        state_->closing = true;
        left.swap(state_->queue);
    }
    state_->wake.notify_all();
    for (const auto& job : left)
        job->end({});
}

void LookupPool::submit(std::function<std::string()> lookup, const std::stop_token& stop,
                        Completion<std::string> done) {
    if (stop.stop_requested())
        return done({});
    auto job = std::make_shared<Job>();
    job->lookup = std::move(lookup);
    job->done = std::move(done);
    {
        std::lock_guard lock(state_->mutex);
        if (state_->idle == 0 && state_->threads < state_->limit) {
            try {
                // Detached: a thread busy in the resolver may end after the pool; it holds
                // the state and no more.
                std::thread(&State::serve, state_).detach();
                ++state_->threads;
            } catch (const std::system_error&) {
                if (state_->threads == 0)
                    return job->end({});
            }
        }
        state_->queue.push_back(job);
    }
    state_->wake.notify_one();
    // A weak hold: the job owns its callback, which must not keep the job alive.
    job->onStop.emplace(stop, [weak = std::weak_ptr<Job>(job)] {
        if (const auto j = weak.lock())
            j->end({});
    });
}

}  // namespace zelto::probes
