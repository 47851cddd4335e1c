#pragma once

#include "profiles/ProfileContext.h"
#include "run/ResultsBox.h"
#include "run/RunControls.h"
#include "run/TrayActions.h"
#include "ui/Clock.h"
#include "ui/EventPump.h"

namespace zelto::run {

/// What a run works on and talks through; every member outlives the engine.
struct RunContext {
    profiles::ProfileContext& profile;
    /// The same window's controls as the profile's, with those only a run touches.
    RunControls& controls;
    ResultsBox& results;
    TrayActions& tray;
    ui::EventPump& pump;
    const ui::Clock& clock;
};

}  // namespace zelto::run
