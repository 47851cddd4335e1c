#pragma once

#include <deque>
#include <string>
#include <vector>

namespace zelto::ui {

/// The title a message box carries when none is stated.
inline constexpr const char* kAppTitle = "Zelto";

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

/// Message boxes, the busy pointer and the beep: everything that talks to the user out of band.
class Prompter {
  public:
    virtual ~Prompter() = default;
    /// Shows `text` and waits for the answer; Ok boxes answer Answer::Ok.
    virtual Answer ask(const std::string& text, Buttons buttons, const std::string& title) = 0;
    /// Shows an OK box with the program's title.
    void tell(const std::string& text) { ask(text, Buttons::Ok, kAppTitle); }
    virtual void beep() {}
    virtual void setBusy(bool /*busy*/) {}
};

/// One message as a Prompter saw it.
struct Message {
    std::string title;
    std::string text;
    Buttons buttons;
    bool operator==(const Message&) const = default;
};

/// Records every message and answers Yes/No questions from a script (No when it runs dry).
class ScriptedPrompter : public Prompter {
  public:
    Answer ask(const std::string& text, Buttons buttons, const std::string& title) override {
        messages.push_back({title, text, buttons});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (answers.empty())
            return Answer::No;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void beep() override { ++beeps; }
    void setBusy(bool busy) override { busyChanges.push_back(busy); }

    std::deque<Answer> answers;
    std::vector<Message> messages;
    std::vector<bool> busyChanges;
    int beeps = 0;
};

/// Shows the hourglass for the lifetime of the guard, whatever way the scope is left.
class BusyPointer {
  public:
    explicit BusyPointer(Prompter& p) : prompter_(p) { prompter_.setBusy(true); }
    ~BusyPointer() { prompter_.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    Prompter& prompter_;
};

}  // namespace zelto::ui
