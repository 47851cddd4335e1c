#include "screens/User_Guide.h"

#include <algorithm>

#include "help/ReadSqBrackFile.h"
#include "system/Utf8.h"

namespace zelto::help {

namespace {

constexpr int kLineTwips = 300;
constexpr int kCharactersPerLine = 70;
constexpr int kMaxTextHeight = 8000;
// Below 35 characters the rule gives no line at all, which would hide a short help text and
// the not-found message; three lines keep them readable.
constexpr int kMinTextHeight = 3 * kLineTwips;

}  // namespace

std::string helpTopic(int index, const std::string& displayName, bool loopBackCrossVisible,
                      bool addressCrossVisible) {
    // A broken network stack explains every other failure, and a missing address comes next.
    if (loopBackCrossVisible)
        return "Loop Back";
    if (addressCrossVisible || index == 8)
        return "IPAddress";
    return profiles::bareName(displayName);
}

int helpTextHeight(std::size_t characters) {
    // Whole part of (characters / 70 + 0.5) in integers: (2c + 70) / 140.
    const std::size_t lines =
        (2 * characters + kCharactersPerLine) / (std::size_t{2} * kCharactersPerLine);
    const std::size_t height =
        std::min<std::size_t>(lines * kLineTwips, static_cast<std::size_t>(kMaxTextHeight));
    return std::max(static_cast<int>(height), kMinTextHeight);
}

User_Guide::User_Guide(profiles::Session& session, ui::Prompter& prompt)
    : session_(session), prompt_(prompt) {
    window.setVisible(false);
    window.setSize(kHelpWidth, textHeight_ + kFrameHeight);
    for (int i = 0; i < static_cast<int>(GuideText.size()); ++i)
        GuideText[i].onClick = [this, i] { GuideText_click(i); };
    NetParmsH.onClick = [this] { NetParmsH_Click(); };
}

void User_Guide::HelpScreen(const std::string& topic) {
    window.load();
    window.setCaption("Help on " + topic);
    for (ui::Button& b : GuideText)
        b.setVisible(false);
    NetParmsH.setVisible(true);
    window.show();
    const std::string text = ReadSqBrackFile(session_, prompt_, kHelpFile, topic);
    User_Guide_Text.setText(text.empty() ? "Unable to find help on " + topic : text);
    textWidth_ = kTextWidth;
    textHeight_ = helpTextHeight(system::utf8::characterCount(text));
    window.setSize(kHelpWidth, textHeight_ + kFrameHeight);
}

void User_Guide::ReadUserGuide(const std::string& chapter) {
    window.load();
    window.setCaption("User Guide: " + chapter);
    NetParmsH.setVisible(false);
    window.show();
    const std::string text = ReadSqBrackFile(session_, prompt_, kUserGuideFile, chapter);
    User_Guide_Text.setText(text.empty() ? "Unable to find documentation on " + chapter : text);
}

void User_Guide::Open_UserGuide_Click() {
    window.load();
    for (ui::Button& b : GuideText)
        b.setVisible(true);
    window.show();
    ReadUserGuide("Using Zelto");
}

void User_Guide::GuideText_click(int index) {
    if (index < 0 || index >= static_cast<int>(GuideText.size()))
        return;
    ReadUserGuide(GuideText[index].caption());
}

void User_Guide::NetParmsH_Click() {
    if (openNetParms)
        openNetParms();
}

}  // namespace zelto::help
