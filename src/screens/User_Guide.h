#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>

#include "profiles/Session.h"
#include "ui/Controls.h"
#include "ui/Prompter.h"
#include "ui/ScreenWindow.h"

namespace zelto::help {

/// The help topic of the main window's cross `index` (0-7 test rows, 8 the address line):
/// the Loop Back cross, when shown, wins over the address cross, which wins over the test.
std::string helpTopic(int index, const std::string& displayName, bool loopBackCrossVisible,
                      bool addressCrossVisible);

/// Height in twips of the help text box for a text of `characters` characters: one 300-twip
/// line per 70 characters, to the nearest line, at most 8000, at least three lines.
int helpTextHeight(std::size_t characters);

/// The help and user guide screen as a model: help on a topic from Help.txt, or a chapter of
/// UserGuide.txt with the chapter buttons.
class User_Guide {
  public:
    static constexpr int kHelpWidth = 9255;
    static constexpr int kTextWidth = 7500;
    /// Height beyond the text box: the NetParmsH button and the window's edges.
    static constexpr int kFrameHeight = 900;
    /// Chapter buttons top to bottom, as indexes of `GuideText`.
    static constexpr std::array<int, 7> kChapterOrder{1, 2, 0, 3, 4, 5, 6};

    User_Guide(profiles::Session& session, ui::Prompter& prompt);
    User_Guide(const User_Guide&) = delete;
    User_Guide& operator=(const User_Guide&) = delete;

    ui::ScreenWindow window{"User Guide"};
    ui::TextBox User_Guide_Text;
    std::array<ui::Button, 7> GuideText{ui::Button{"Installation"},
                                        ui::Button{"Purpose"},
                                        ui::Button{"Using Zelto"},
                                        ui::Button{"Configuration"},
                                        ui::Button{"Configuration File Layout"},
                                        ui::Button{"Contact/Cost"},
                                        ui::Button{"License warranty"}};
    ui::Button NetParmsH{"Network Parameters/ Help"};
    /// Width in twips of the text box; its height is `textHeight()`.
    int textWidth() const { return textWidth_; }
    int textHeight() const { return textHeight_; }

    /// Shows the help screen on `topic` ("all" for the whole help file), sized to the text.
    void HelpScreen(const std::string& topic);
    /// Shows `chapter` of the user guide; the size stays as it is.
    void ReadUserGuide(const std::string& chapter);
    /// The main window's "User Guide" button: the guide with its chapter buttons.
    void Open_UserGuide_Click();
    void GuideText_click(int index);
    void NetParmsH_Click();

    /// Opens the Network Parameters screen beside this one; set by whoever owns both screens.
    std::function<void()> openNetParms;

  private:
    profiles::Session& session_;
    ui::Prompter& prompt_;
    int textWidth_ = kTextWidth;
    int textHeight_ = 6000;
};

}  // namespace zelto::help
