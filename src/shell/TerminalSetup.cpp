#include "shell/TerminalSetup.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>

#include "profiles/Startup.h"
#include "screens/Progress.h"
#include "shell/InstallPlaces.h"
#include "system/linux/SystemCalls.h"
#include "ui/TerminalPrompter.h"

namespace zelto::shell {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

/// The installer screen as lines: each repaint prints the lines whose text changed since the
/// last one, in the screen's order, so the terminal reads like the screen's history.
class TerminalScreen {
  public:
    TerminalScreen(const package::Progress& p, std::ostream& out) : progress_(p), out_(out) {}
    void paint() {
        // Headline, the file lines from the left column's top to the right one's end, then
        // the folder line.
        for (std::size_t index : {0, 6, 5, 4, 3, 2, 1, 8}) {
            const ui::Label& label = progress_.FileNam[index];
            if (!label.visible() || label.text().empty() || label.text() == shown_[index])
                continue;
            shown_[index] = label.text();
            out_ << label.text() << '\n';
        }
        out_.flush();
    }

  private:
    const package::Progress& progress_;
    std::ostream& out_;
    std::array<std::string, 9> shown_;
};

}  // namespace

bool hasDisplay() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

std::optional<int> runTerminalSetup(const std::string& exePath, std::istream& in,
                                    std::ostream& out) {
    ui::TerminalPrompter prompt(in, out, ::isatty(STDIN_FILENO) == 0);
    ui::ThrowingProgramEnd end;
    system::SystemCalls& calls = system::realSystemCalls();
    std::unique_ptr<package::Progress> progress;
    std::unique_ptr<TerminalScreen> screen;
    try {
        const int role = profiles::CheckExeName(exePath, prompt, end, [&] {
            progress =
                std::make_unique<package::Progress>(installPlaces(exePath), prompt, end, calls);
            screen = std::make_unique<TerminalScreen>(*progress, out);
            progress->repaint = [&screen] { screen->paint(); };
            progress->ShowAgreement();
        });
        if (role == 0)
            return std::nullopt;
        screen->paint();
        prompt.tell(progress->Agreement.text());
        const bool accepted = prompt.ask(progress->AcceptAgreement.caption(), ui::Buttons::YesNo,
                                         "Go") == ui::Answer::Yes;
        (accepted ? progress->AcceptAgreement : progress->DeclineAgreement).click();
        screen->paint();
        return 0;
    } catch (const ui::ProgramEnded& e) {
        return e.status;
    }
}

}  // namespace zelto::shell
