#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "ui/Prompter.h"

namespace zelto::ui {

/// Message boxes held as a dialogue on a terminal: each message is printed, each Yes/No
/// question is asked as a "(y/n)" prompt and answered by a line read from `in`. The end of the
/// input answers No, so a script that runs out of answers changes nothing.
class TerminalPrompter : public Prompter {
  public:
    /// `echoAnswers`: print each answer read, for input that is not typed on the terminal
    /// (piped in), so the output still reads as a dialogue.
    TerminalPrompter(std::istream& in, std::ostream& out, bool echoAnswers)
        : in_(in), out_(out), echo_(echoAnswers) {}
    Answer ask(const std::string& text, Buttons buttons, const std::string& title) override;

  private:
    std::istream& in_;
    std::ostream& out_;
    bool echo_;
};

}  // namespace zelto::ui
