#pragma once

#include <chrono>
#include <functional>

#include "ui/Controls.h"
#include "ui/EventPump.h"

namespace zelto::run {

/// A pump that, while it waits, blinks a box's text colour between magenta and dark grey, one
/// colour per `phase`; everything else goes to the pump it wraps.
class BlinkingPump : public ui::EventPump {
  public:
    BlinkingPump(ui::EventPump& inner, ui::TextBox& box,
                 std::chrono::milliseconds phase = std::chrono::milliseconds(250));

    void processPending() override { inner_.processPending(); }
    /// Serves the wrapped pump until `done()` holds, switching the colour at every phase.
    void waitUntil(const std::function<bool()>& done) override;
    void wake() override { inner_.wake(); }
    void repaint() override { inner_.repaint(); }

  private:
    ui::EventPump& inner_;
    ui::TextBox& box_;
    std::chrono::milliseconds phase_;
};

}  // namespace zelto::run
