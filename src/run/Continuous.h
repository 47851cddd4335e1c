#pragma once

#include "profiles/Session.h"
#include "run/Engine.h"
#include "run/RunControls.h"

namespace zelto::run {

/// "Run every N seconds": the countdown between runs, shown as a clock hand sweeping once round
/// a dial and as "Waiting n Secs", and the check box that turns it on and off.
class Continuous {
  public:
    /// The hand's angle at twelve o'clock (3π/2 in single precision).
    static constexpr float kTwelve = 4.712389F;

    Continuous(RunControls& w, profiles::Session& s, Engine& engine)
        : controls_(w), session_(s), engine_(engine) {}

    void Continuous_Click();
    /// One countdown tick; at the end of the turn it runs the tests.
    void Timer2_Timer();

    float HandAngle() const { return handAngle_; }

  private:
    void drawHand();

    RunControls& controls_;
    profiles::Session& session_;
    Engine& engine_;
    float handAngle_ = kTwelve;
};

}  // namespace zelto::run
