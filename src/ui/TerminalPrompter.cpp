#include "ui/TerminalPrompter.h"

namespace zelto::ui {

namespace {

// Message texts end their lines in CR LF, as the files they come from; a terminal wants LF.
std::string terminalText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i] == '\r' ? '\n' : text[i];
    }
    return out;
}

std::string lowered(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r')
            continue;
        out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

}  // namespace

Answer TerminalPrompter::ask(const std::string& text, Buttons buttons, const std::string&) {
    if (buttons == Buttons::Ok) {
        out_ << terminalText(text) << '\n';
        out_.flush();
        return Answer::Ok;
    }
    // A few unclear answers are asked again; a stream of them (`yes maybe`) must still end.
    for (int attempt = 0; attempt < 3; ++attempt) {
        out_ << terminalText(text) << " (y/n) ";
        out_.flush();
        std::string line;
        if (!std::getline(in_, line)) {
            out_ << "\n";
            break;
        }
        if (echo_)
            out_ << line << '\n';
        const std::string answer = lowered(line);
        if (answer == "y" || answer == "yes")
            return Answer::Yes;
        if (answer == "n" || answer == "no")
            return Answer::No;
    }
    out_.flush();
    return Answer::No;
}

}  // namespace zelto::ui
