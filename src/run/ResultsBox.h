#pragma once

#include <string>

#include "profiles/Session.h"
#include "run/RunControls.h"
#include "ui/Controls.h"

namespace zelto::run {

/// The results box: every result line reaches Results1 through ShowResult, which applies the
/// "Errors Only" and "Simple Results" options and holds back header lines while errors only
/// are shown, so a failure still appears under its headers.
class ResultsBox {
  public:
    ResultsBox(ui::TextBox& results1, const ui::CheckBox& errorsOnly,
               const ui::CheckBox& simpleMessage);

    /// Shows `line` (CR LF appended) unless `skipLine`, or `detailLine` with Simple Results on;
    /// held header lines go in front of the next line shown.
    void ShowResult(const std::string& line, bool skipLine, bool detailLine);

    /// The pass header held back, with its CR LF ("" when none).
    const std::string& heldPassLine() const { return heldPassLine_; }
    /// The test header held back, with its CR LF ("" when none).
    const std::string& heldTestLine() const { return heldTestLine_; }

  private:
    ui::TextBox& results1_;
    const ui::CheckBox& errorsOnly_;
    const ui::CheckBox& simpleMessage_;
    std::string heldPassLine_;
    std::string heldTestLine_;
};

/// "Clear Results": empties Results1, sets the run number to 0 and every run count to "0".
void btnClearResults_Click(RunControls& w, profiles::Session& s);

}  // namespace zelto::run
