#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

#include "probes/NetworkServices.h"

namespace zelto::probes {

/// A few threads that make the name lookups, which the resolver offers only as blocking calls.
/// A stop hands "" to the lookup's receiver at once; the thread finishes the lookup on its own
/// (within the resolver's time-out) and drops the answer.
class LookupPool {
  public:
    explicit LookupPool(std::size_t threads);
    ~LookupPool();
    LookupPool(const LookupPool&) = delete;
    LookupPool& operator=(const LookupPool&) = delete;

    /// Runs `lookup` on a thread of the pool (started on first use) and hands its answer to
    /// `done`, or "" when `stop` comes first or no thread can be had.
    void submit(std::function<std::string()> lookup, const std::stop_token& stop,
                Completion<std::string> done);

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace zelto::probes
