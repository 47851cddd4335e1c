#include "cli/CliPrompter.h"

namespace zelto::cli {

std::string oneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            // A monitoring system or a log reads one message per line.
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            line += ' ';
        } else {
            line += ch;
        }
    }
    return line;
}

ui::Answer CliPrompter::ask(const std::string& text, ui::Buttons buttons,
                            const std::string& title) {
    ++told_;
    out_ << oneLine(title) << ": " << oneLine(text) << '\n';
    out_.flush();
    return buttons == ui::Buttons::Ok ? ui::Answer::Ok : ui::Answer::No;
}

}  // namespace zelto::cli
