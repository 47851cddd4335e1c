#pragma once

#include "profiles/Session.h"
#include "run/RunControls.h"

namespace zelto::run {

/// The check boxes that choose which rows run, and the two exclusive beep options.
class TestSelection {
  public:
    TestSelection(RunControls& w, const profiles::Session& s) : controls_(w), session_(s) {}

    void AllTests_Click();
    void CoreTests_Click();
    void Test_Click(int row);
    void BeepifPassed_Click();
    void BeepIfFailed_Click();

  private:
    RunControls& controls_;
    const profiles::Session& session_;
};

}  // namespace zelto::run
