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
    controls_.RotLine.setEnd(
        controls_.RotLine.x1 - static_cast<int>(std::lround(kHandLength * std::cos(a))),
        controls_.RotLine.y1 + static_cast<int>(std::lround(kHandLength * std::sin(a))));
}

void Continuous::Continuous_Click() {
    if (controls_.Continuous.value()) {
        controls_.BeepifPassed.setVisible(true);
        controls_.BeepIfFailed.setVisible(true);
        controls_.RotCircle.setVisible(true);
        handAngle_ = kTwelve;
        drawHand();
        controls_.RotLine.setColor(ui::kDarkRed);
        controls_.RotLine.setVisible(true);
    } else {
        engine_.btnStopTest_Click();
        controls_.BeepifPassed.setValue(false);
        controls_.BeepifPassed.setVisible(false);
        controls_.BeepIfFailed.setValue(false);
        controls_.BeepIfFailed.setVisible(false);
        controls_.Timer2.setEnabled(false);
        controls_.RotLine.setVisible(false);
        controls_.RotCircle.setVisible(false);
    }
}

void Continuous::Timer2_Timer() {
    // The run a tick starts serves events while it waits; a tick arriving meanwhile belongs to
    // no countdown.
    if (engine_.running())
        return;
    if (handAngle_ > static_cast<float>(-kPi / 2)) {
        controls_.RotLine.setColor(ui::kDarkRed);
    } else {
        handAngle_ = kTwelve;
        controls_.RotLine.setColor(ui::kBrightGreen);
        controls_.TestStatus.setText("RUNNING");
        session_.Run.RunSource = "Timer";
        engine_.RunTests_Click();
        // A run that was stopped ended the countdown: leave "STOPPED" in view.
        if (!controls_.Timer2.enabled())
            return;
    }
    drawHand();
    const int seconds = engine_.CountdownSeconds();
    if (seconds <= 0)
        return;
    handAngle_ = static_cast<float>(handAngle_ - 2 * kPi / seconds);
    const double n = std::nearbyint((handAngle_ + kPi / 2) * seconds / (2 * kPi) + 1.4);
    controls_.TestStatus.setText("Waiting " + std::to_string(static_cast<int>(n)) + " Secs");
}

}  // namespace zelto::run
