#pragma once

#include <gtest/gtest.h>

#include "run/Engine.h"
#include "shell/FrmMainControls.h"
#include "support/Fakes.h"

namespace zelto::test {

/// A headless pump that plays the user: an action given to `during` runs on the waiting thread
/// once its delay has passed, inside whatever wait or processPending comes next.
class ScriptedPump : public ui::EventPump {
  public:
    void during(std::chrono::milliseconds after, std::function<void()> action) {
        due_ = std::chrono::steady_clock::now() + after;
        action_ = std::move(action);
    }
    void processPending() override {
        if (action_ && std::chrono::steady_clock::now() >= due_)
            std::exchange(action_, nullptr)();
    }
    void waitUntil(const std::function<bool()>& done) override {
        for (processPending(); !done(); processPending())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void wake() override {}

  private:
    std::chrono::steady_clock::time_point due_;
    std::function<void()> action_;
};

/// The tray as the engine sees it, writing down every call; Show restores the window.
class RecordingTray : public run::TrayActions {
  public:
    explicit RecordingTray(ui::Window& w) : window(w) {}
    void SetTrayIcon(int iconId, const std::string& tip) override {
        calls.push_back("icon " + std::to_string(iconId) + " " + tip);
    }
    void ShowTrayBalloon(const std::string& tip, const std::string& info, int timeout,
                         const std::string& title, int infoFlags) override {
        calls.push_back("balloon [" + tip + "] [" + info + "] " + std::to_string(timeout) + " [" +
                        title + "] " + std::to_string(infoFlags));
    }
    void mnuShow_Click() override {
        calls.push_back("show");
        window.setState(ui::WindowState::Normal);
    }

    ui::Window& window;
    std::vector<std::string> calls;
};

/// One row of a test profile: bare name, items (at most four) and message.
struct Row {
    std::string name;
    std::vector<std::string> items;
    std::string message = " ";
    bool checked = true;
};

/// An engine over a fresh window model with the given probes and pump and a fixed clock: the
/// one rig of the run tests, the responsiveness tests and the engine benchmark.
template <class Probes, class Pump = ScriptedPump>
struct EngineRig {
    /// Puts `rows` into slot 0 (display names numbered as the loader numbers them).
    void profile(const std::vector<Row>& rows) {
        for (int r = 0; r <= profiles::MaxTestRow; ++r) {
            for (int f = 0; f <= profiles::MessageField; ++f)
                session.Table.at(0, r, f) = profiles::kBlank;
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const int row = static_cast<int>(r);
            session.Table.at(0, row, 0) = std::to_string(r + 1) + ") " + rows[r].name;
            for (std::size_t k = 0; k < rows[r].items.size(); ++k)
                session.Table.at(0, row, static_cast<int>(k) + 1) = rows[r].items[k];
            session.Table.at(0, row, profiles::MessageField) = rows[r].message;
            w.Test[r].setValue(rows[r].checked);
            w.Passes[r].setText("0");
        }
        session.TestCount = static_cast<int>(rows.size());
    }
    std::string now() const { return ui::generalDate(clock.localNow()); }
    std::string time() const { return ui::timeOfDay(clock.localNow()); }

    profiles::Session session;
    shell::FrmMainControls w;
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    FakeGatherer net;
    Probes probes;
    profiles::ProfileContext ctx{session, w, prompt, end, net, probes};
    run::ResultsBox results{w.Results1, w.ErrorsOnly, w.SimpleMessage};
    RecordingTray tray{w.window};
    Pump pump;
    ui::FixedClock clock{ui::makeLocalTime(2008, 3, 7, 14, 5, 9)};
    run::Engine engine{{ctx, w, results, tray, pump, clock}};
};

/// The engine against scripted probes.
struct EngineFixture : ::testing::Test, EngineRig<FakeNetworkServices> {};

}  // namespace zelto::test
