#pragma once

#include <QThread>

#include "ui/EventPump.h"

namespace zelto::shell {

/// Serves the Qt event loop of the thread that created it while logic waits: timers, clicks
/// and repaints keep working, and nothing spins (the loop sleeps until an event or a wake).
class QtEventPump : public ui::EventPump {
  public:
    QtEventPump();
    void processPending() override;
    void waitUntil(const std::function<bool()>& done) override;
    void wake() override;

  private:
    QThread* thread_;
};

}  // namespace zelto::shell
