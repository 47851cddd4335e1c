#include "run/Engine.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

#include "profiles/ProfileMessages.h"
#include "run/RunNumbers.h"
#include "ui/Prompter.h"

namespace zelto::run {

namespace {

using profiles::kStopRequested;
using profiles::kWaiting;

constexpr const char* kCrLf = "\r\n";
/// Beyond this many characters the results box is full and continuous runs stop.
constexpr std::size_t kResultsLimit = 60000;

/// Sets a flag for the lifetime of a scope, however the scope is left.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

/// Marks a run in progress. The profile switch is closed meanwhile: the run walks the rows of
/// the current profile, which a switch served during a wait would replace under it.
class RunGuard {
  public:
    RunGuard(bool& flag, ui::OptionGroup& office) : flag_(flag), office_(office) {
        flag_ = true;
        office_.setEnabled(false);
    }
    ~RunGuard() {
        flag_ = false;
        office_.setEnabled(true);
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

  private:
    bool& flag_;
    ui::OptionGroup& office_;
};

void setBox(ui::TextBox& box, std::string text, ui::Color color) {
    box.setText(std::move(text));
    box.setColor(color);
}

/// The countdown hand at twelve o'clock (its angle 3π/2 points straight up) in bright green.
void handAtTwelve(ui::Line& hand) {
    constexpr int kLength = 18;
    hand.setEnd(hand.x1, hand.y1 - kLength);
    hand.setColor(ui::kBrightGreen);
}

}  // namespace

Engine::Engine(RunContext ctx) : ctx_(ctx) {}

bool Engine::stopRequested() const {
    return stop_.stop_requested() || ctx_.profile.session.Run.ConnectState == kStopRequested;
}

std::string Engine::thisPcAddress() {
    // This PC's own address comes from the routing table, not from a name server, so the
    // lookup is quick; it is not tied to Stop, which would only leave the address unknown.
    struct Answer {
        std::mutex mutex;
        std::condition_variable woken;
        std::optional<std::string> address;
        bool pumpWoken = false;
    };
    auto answer = std::make_shared<Answer>();
    ui::EventPump& pump = ctx_.pump;
    ctx_.profile.probes.startLookup(" ", {}, [answer, &pump](std::string address) {
        {
            std::lock_guard lock(answer->mutex);
            answer->address = std::move(address);
        }
        pump.wake();
        std::lock_guard lock(answer->mutex);
        answer->pumpWoken = true;
        answer->woken.notify_all();
    });
    pump.waitUntil([&answer] {
        std::lock_guard lock(answer->mutex);
        return answer->address.has_value();
    });
    // The receiver may still be waking the pump, which must outlive that.
    std::unique_lock lock(answer->mutex);
    answer->woken.wait(lock, [&answer] { return answer->pumpWoken; });
    return *answer->address;
}

void Engine::RunTests_Click() {
    // The run serves events while it waits, so the button, the tray menu or the countdown can
    // ask for another run meanwhile; one run at a time.
    if (running_)
        return;
    const RunGuard running(running_, ctx_.controls.OfficeOption);
    stop_ = std::stop_source();
    startRun();
    if (walkRows() == Walk::Completed)
        endRun();
}

Engine::Walk Engine::walkRows() {
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    Flight flight(ctx_, stop_.get_token(), maxInFlight_);
    ItemEvaluation items(ctx_, flight.probes, [this] { return stopRequested(); });
    for (int row = 0; row < s.TestCount; ++row) {
        if (row == 1) {
            // Loop Back is classified: every other checked row goes in flight now.
            for (int r = 1; r < s.TestCount; ++r) {
                if (w.Test[r].value())
                    planRow(flight, r);
            }
            flight.probes.launch();
        }
        if (w.Continuous.value())
            handAtTwelve(w.RotLine);
        w.Status[row].setVisible(true);
        w.Passes[row].setVisible(true);
        if (w.Test[row].value() && runRow(row, flight, items) == Walk::Stopped) {
            stopRun(row);
            return Walk::Stopped;
        }
        ctx_.pump.repaint();
        ctx_.pump.processPending();
        if (stopRequested()) {
            // The row is complete and keeps its outcome; the stop comes before the next one.
            stopRun(-1);
            return Walk::Stopped;
        }
    }
    return Walk::Completed;
}

void Engine::planRow(Flight& flight, int row) {
    if (flight.rows[row])
        return;
    // Help1(0) shows only when the Loop Back row failed earlier in this run.
    const bool loopBackFailed = ctx_.controls.Help1[0].visible();
    auto& items = flight.rows[row].emplace();
    for (int field = 1; field <= lastItemField(row); ++field) {
        ItemPlan plan = flight.planner.plan(row, field, loopBackFailed);
        const bool end = plan.kind == ItemPlan::Kind::EndOfItems;
        items.push_back(flight.probes.add(std::move(plan)));
        // Fields after the first "Blank!" are never read.
        if (end)
            break;
    }
}

void Engine::startRun() {
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    auto& run = s.Run;

    w.btnStopTest.setVisible(true);
    run.ConnectState = kWaiting;
    w.mnuStart.setChecked(true);
    w.mnuStop.setChecked(false);

    s.LocalIP = thisPcAddress();
    profiles::ShowLocalAddress(ctx_.profile, "");

    for (int r = 0; r <= profiles::MaxTestRow; ++r) {
        w.Status[r].setVisible(false);
        w.Passes[r].setVisible(false);
        w.Help1[r].setVisible(false);
    }
    w.Results1.setVisible(false);
    ctx_.pump.repaint();

    run.PassCount = run.PassCount + 1 > 999 ? 0 : run.PassCount + 1;
    w.Passes[profiles::CheckerControls::kRunNumberSlot].setText(passesText(run.PassCount));
    setBox(w.TestStatus, "Running", ui::kMagenta);

    const std::string started =
        std::string(kCrLf) + "   TESTS STARTED   " + ui::generalDate(ctx_.clock.localNow()) + kCrLf;
    if (!w.ContinuousLog.value())
        w.Results1.setText(kCrLf);
    if (!w.Timer2.enabled())
        ctx_.results.ShowResult(started, false, true);
    if (w.ContinuousLog.value()) {
        ctx_.results.ShowResult("---- PASS --- " + std::to_string(run.PassCount) + kCrLf,
                                w.ErrorsOnly.value(), true);
    }

    ctx_.pump.repaint();
    if (run.RunSource != "Timer") {
        run.BalloonShown = false;
        run.FailureRepeated = false;
    } else {
        run.RunSource.clear();
    }
    run.RunSummary =
        w.current_ip.text() == profiles::msg::kNoAddressCaption ? "No IP address " : "";
    failedList_.clear();
    problemList_.clear();
    outcomes_.fill(RowOutcome::NotRun);
}

Engine::Walk Engine::runRow(int row, Flight& flight, ItemEvaluation& items) {
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    const std::string name = s.Table.at(s.OfficeIndex, row, 0);

    s.Run.AnyItemFailed = false;
    s.Run.AnyItemPassed = false;
    setBox(w.Status[row], "Running", ui::kBlack);
    const long long count = passesValue(w.Passes[row].text()) + 1;
    w.Passes[row].setText(passesText(count));

    std::string header = "Test " + name;
    if (w.TimeStamps.value()) {
        header += " - Pass " + std::to_string(count) + "  --" +
                  ui::generalDate(ctx_.clock.localNow()) + " ";
    }
    ctx_.results.ShowResult(header, w.ErrorsOnly.value(), false);

    // A row checked while the run was under way goes in flight when its turn comes.
    planRow(flight, row);
    for (const std::size_t item : *flight.rows[row]) {
        const ItemOutcome outcome = items.Evaluate(row, item);
        if (outcome == ItemOutcome::EndOfItems)
            break;
        if (outcome == ItemOutcome::Stop)
            return Walk::Stopped;
        ctx_.pump.processPending();
        if (stopRequested())
            return Walk::Stopped;
    }

    const RowOutcome outcome = classifyRow(row);
    outcomes_.at(static_cast<std::size_t>(row)) = outcome;
    if (!w.ErrorsOnly.value() || outcome == RowOutcome::Failed)
        w.Results1.append(kCrLf);
    return Walk::Completed;
}

RowOutcome Engine::classifyRow(int row) {
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    const std::string& name = s.Table.at(s.OfficeIndex, row, 0);
    const std::string& message = s.Table.at(s.OfficeIndex, row, profiles::MessageField);
    // Only an empty field means no line: the one-space "no message" still gets one.
    const bool hasMessage = !message.empty();

    if (s.Run.AnyItemFailed && s.Run.AnyItemPassed) {
        setBox(w.Status[row], "problem", ui::kOlive);
        if (hasMessage)
            ctx_.results.ShowResult("!!!!!!!!!!! You may not be able to " + message, false, false);
        w.Help1[row].setVisible(true);
        problemList_ += name + "-problem ";
        s.Run.RunSummary += name + "-problem ";
        return RowOutcome::Problem;
    }
    if (s.Run.AnyItemFailed) {
        setBox(w.Status[row], "failed. Click cross", ui::kRed);
        if (hasMessage)
            ctx_.results.ShowResult("******** You can not " + message, false, false);
        w.Help1[row].setVisible(true);
        failedList_ += name + "-failed ";
        s.Run.RunSummary += name + "-failed ";
        beepAndShow(w.BeepIfFailed);
        return RowOutcome::Failed;
    }
    setBox(w.Status[row], "passed", ui::kGreen);
    if (hasMessage)
        ctx_.results.ShowResult("            You can " + message, w.ErrorsOnly.value(), false);
    w.Help1[row].setVisible(false);
    beepAndShow(w.BeepifPassed);
    return RowOutcome::Passed;
}

void Engine::beepAndShow(const ui::CheckBox& option) {
    auto& w = ctx_.controls;
    if (option.value() && w.window.state() == ui::WindowState::Minimised && w.Continuous.value()) {
        ctx_.profile.prompt.beep();
        ctx_.tray.mnuShow_Click();
    }
}

void Engine::endRun() {
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    auto& run = s.Run;

    setBox(w.TestStatus, "COMPLETED", ui::kBlue);
    if (run.RunSummary.starts_with("No IP"))
        run.RunSummary = "No IP Address";
    else if (run.RunSummary.empty())
        run.RunSummary = "Last pass OK";

    std::string state;
    if (w.Continuous.value()) {
        std::string interval = w.RunInterval.text();
        countdownSeconds_ = correctRunInterval(interval);
        w.RunInterval.setText(interval);
        w.Timer2.setInterval(1000);
        w.Timer2.setEnabled(true);
        state = "Running-";
    } else {
        w.btnStopTest.setVisible(false);
        w.mnuStart.setChecked(false);
        w.mnuStop.setChecked(true);
        state = "Stopped-";
    }
    const std::string tip = state + run.RunSummary + " at " + ui::timeOfDay(ctx_.clock.localNow());

    if (!failedList_.empty()) {
        ctx_.tray.SetTrayIcon(kIconFailed, tip);
        if (w.window.state() == ui::WindowState::Minimised) {
            // The balloon comes once per spell of failures; later failing runs only keep the
            // red light (the balloon itself blanked the tip, the icon update restores it).
            if (!run.BalloonShown) {
                ctx_.tray.ShowTrayBalloon("", tip, 1, "Network problem", 3);
                run.BalloonShown = true;
            } else if (!run.FailureRepeated) {
                run.FailureRepeated = true;
            } else {
                ctx_.tray.SetTrayIcon(kIconFailed, tip);
            }
        }
    } else if (problemList_.empty()) {
        ctx_.tray.SetTrayIcon(kIconPassed, tip);
        run.BalloonShown = false;
        run.FailureRepeated = false;
    } else {
        ctx_.tray.SetTrayIcon(kIconProblem, tip);
    }
    finish();
}

void Engine::stopRun(int row) {
    auto& w = ctx_.controls;
    setBox(w.TestStatus, "STOPPED", ui::kRed);
    if (row >= 0) {
        setBox(w.Status[row], "Stopped", ui::kRed);
        outcomes_.at(static_cast<std::size_t>(row)) = RowOutcome::Stopped;
    }
    ctx_.profile.session.Run.ConnectState = kWaiting;
    w.mnuStart.setChecked(false);
    w.mnuStop.setChecked(true);
    finish();
}

void Engine::finish() {
    auto& w = ctx_.controls;
    w.TestStatus.setVisible(true);
    w.Results1.setVisible(true);
    ctx_.pump.repaint();
    if (w.Results1.text().size() > kResultsLimit) {
        ctx_.profile.prompt.tell("The results text box is full.  Will now stop");
        btnStopTest_Click();
    }
    w.Results1.setCaret(w.Results1.text().size());
}

void Engine::btnStopTest_Click() {
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    const std::tm now = ctx_.clock.localNow();
    w.btnStopTest.setVisible(false);
    ctx_.results.ShowResult("TESTS STOPPED   " + ui::generalDate(now), false, true);
    setBox(w.TestStatus, "STOPPED", ui::kRed);
    w.mnuStart.setChecked(false);
    w.mnuStop.setChecked(true);
    ctx_.tray.SetTrayIcon(w.window.icon(),
                          "Stopped-" + s.Run.RunSummary + " at " + ui::timeOfDay(now));
    w.Timer2.setEnabled(false);
    s.Run.ConnectState = kStopRequested;
    // Ends the probe in flight, a pending connect above all, instead of waiting it out.
    stop_.request_stop();
}

void Engine::Timer1_Timer() {
    // The lookup below serves events while it waits; a tick that comes meanwhile is not
    // another watch.
    if (watching_)
        return;
    const FlagGuard watching(watching_);
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    w.current_ip.setVisible(!w.current_ip.visible());
    const std::string address = thisPcAddress();
    s.LocalIP = address;
    ctx_.profile.net.GatherNetParams("Nothing", true);
    if (!address.empty() && address != "127.0.0.1")
        profiles::ShowLocalAddress(ctx_.profile, "     Run Tests again");
}

}  // namespace zelto::run
