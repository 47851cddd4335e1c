#pragma once

#include <ostream>
#include <string>

#include "ui/Prompter.h"

namespace zelto::cli {

/// Message boxes for a terminal: each one becomes the line "title: text" on the given stream
/// (standard error). Questions are answered No, so nothing is written unless a user could say
/// yes; OK boxes are just printed.
class CliPrompter : public ui::Prompter {
  public:
    explicit CliPrompter(std::ostream& out) : out_(out) {}
    ui::Answer ask(const std::string& text, ui::Buttons buttons, const std::string& title) override;
    /// How many messages were shown so far.
    int told() const { return told_; }

  private:
    std::ostream& out_;
    int told_ = 0;
};

/// `text` on one line: every line break (CR LF, CR or LF) becomes one space.
std::string oneLine(const std::string& text);

}  // namespace zelto::cli
