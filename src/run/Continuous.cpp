#include "run/Continuous.h"

#include <cmath>
#include <numbers>

namespace zelto::run {

namespace {
constexpr int kHandLength = 18;
constexpr double kPi = std::numbers::pi;
}  // namespace

void Continuous::drawHand() {
    const double a = handAngle_;
    w_.RotLine.setEnd(w_.RotLine.x1 - static_cast<int>(std::lround(kHandLength * std::cos(a))),
                      w_.RotLine.y1 + static_cast<int>(std::lround(kHandLength * std::sin(a))));
}

void Continuous::Continuous_Click() {
    if (w_.Continuous.value()) {
        w_.BeepifPassed.setVisible(true);
        w_.BeepIfFailed.setVisible(true);
        w_.RotCircle.setVisible(true);
        handAngle_ = kTwelve;
        drawHand();
        w_.RotLine.setColor(ui::kDarkRed);
        w_.RotLine.setVisible(true);
    } else {
        engine_.btnStopTest_Click();
        w_.BeepifPassed.setValue(false);
        w_.BeepifPassed.setVisible(false);
        w_.BeepIfFailed.setValue(false);
        w_.BeepIfFailed.setVisible(false);
        w_.Timer2.setEnabled(false);
        w_.RotLine.setVisible(false);
        w_.RotCircle.setVisible(false);
    }
}

void Continuous::Timer2_Timer() {
    // The run a tick starts serves events while it waits; a tick arriving meanwhile belongs to
    // no countdown.
    if (engine_.running())
        return;
    if (handAngle_ > static_cast<float>(-kPi / 2)) {
        w_.RotLine.setColor(ui::kDarkRed);
    } else {
        handAngle_ = kTwelve;
        w_.RotLine.setColor(ui::kBrightGreen);
        w_.TestStatus.setText("RUNNING");
        s_.Run.RunSource = "Timer";
        engine_.RunTests_Click();
        // A run that was stopped ended the countdown: leave "STOPPED" in view.
        if (!w_.Timer2.enabled())
            return;
    }
    drawHand();
    const int seconds = engine_.CountdownSeconds();
    if (seconds <= 0)
        return;
    handAngle_ = static_cast<float>(handAngle_ - 2 * kPi / seconds);
    const double n = std::nearbyint((handAngle_ + kPi / 2) * seconds / (2 * kPi) + 1.4);
    w_.TestStatus.setText("Waiting " + std::to_string(static_cast<int>(n)) + " Secs");
}

}  // namespace zelto::run
