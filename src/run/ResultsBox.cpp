#include "run/ResultsBox.h"

#include <string_view>

namespace zelto::run {

namespace {

constexpr const char* kCrLf = "\r\n";

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

ResultsBox::ResultsBox(ui::TextBox& results1, const ui::CheckBox& errorsOnly,
                       const ui::CheckBox& simpleMessage)
    : results1_(results1), errorsOnly_(errorsOnly), simpleMessage_(simpleMessage) {}

void ResultsBox::ShowResult(const std::string& line, bool skipLine, bool detailLine) {
    const bool shown = !skipLine && !(simpleMessage_.value() && detailLine);
    if (errorsOnly_.value()) {
        // A header is held so it can introduce a later failure. A header that is shown itself
        // replaces the held one of its kind instead, or it would appear twice in a row.
        if (startsWith(line, "----")) {
            heldPassLine_ = shown ? std::string() : line + kCrLf;
        } else if (startsWith(line, "Test")) {
            heldTestLine_ = shown ? std::string() : line + kCrLf;
        }
    }
    if (startsWith(line, "TESTS STOPPED")) {
        heldPassLine_.clear();
        heldTestLine_.clear();
    }
    if (!shown)
        return;
    // One append per line: the box may hold 60000 characters, and rebuilding its text for
    // every line of a long continuous log would grow quadratically.
    std::string out;
    out.reserve(heldPassLine_.size() + heldTestLine_.size() + line.size() + 2);
    out += heldPassLine_;
    out += heldTestLine_;
    out += line;
    out += kCrLf;
    results1_.append(out);
    heldPassLine_.clear();
    heldTestLine_.clear();
}

void btnClearResults_Click(RunControls& w, profiles::Session& s) {
    w.Results1.setText("");
    s.Run.PassCount = 0;
    for (std::size_t r = 0; r <= 7; ++r)
        w.Passes[r].setText("0");
    w.Passes[profiles::CheckerControls::kRunNumberSlot].setText("0");
}

}  // namespace zelto::run
