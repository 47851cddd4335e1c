#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace zelto::ui {

/// A list of callbacks, run in the order they were connected on every notify().
class Signal {
  public:
    void connect(std::function<void()> slot) { slots_.push_back(std::move(slot)); }
    void notify() const {
        for (const auto& slot : slots_)
            slot();
    }

  private:
    std::vector<std::function<void()>> slots_;
};

}  // namespace zelto::ui
