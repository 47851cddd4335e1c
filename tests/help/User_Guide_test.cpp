#include "help/User_Guide.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace zelto::help {
namespace {

struct TopicCase {
    int index;
    const char* displayName;
    bool loopBackCross;
    bool addressCross;
    const char* topic;
};

class HelpTopic : public ::testing::TestWithParam<TopicCase> {};

TEST_P(HelpTopic, LoopBackWinsOverTheAddressWhichWinsOverTheTest) {
    const TopicCase& c = GetParam();
    EXPECT_EQ(helpTopic(c.index, c.displayName, c.loopBackCross, c.addressCross), c.topic);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HelpTopic,
    ::testing::Values(TopicCase{2, "3) DNS", false, false, "DNS"},
                      TopicCase{0, "1) Loop Back", false, false, "Loop Back"},
                      TopicCase{1, "2) Mail server", false, false, "Mail server"},
                      TopicCase{8, "", false, false, "IPAddress"},
                      TopicCase{8, "", false, true, "IPAddress"},
                      TopicCase{3, "4) Mail", false, true, "IPAddress"},
                      TopicCase{3, "4) Mail", true, false, "Loop Back"},
                      TopicCase{3, "4) Mail", true, true, "Loop Back"},
                      TopicCase{8, "", true, true, "Loop Back"},
                      // An empty header gives a display name with nothing after the prefix.
                      TopicCase{1, "2) ", false, false, ""}));

TEST(HelpTextHeight, OneLinePerSeventyCharactersToTheNearestLineCappedAndNeverUnreadable) {
    EXPECT_EQ(helpTextHeight(700), 3000);   // ten 300-twip lines
    EXPECT_EQ(helpTextHeight(734), 3000);   // 10.49 lines
    EXPECT_EQ(helpTextHeight(735), 3300);   // 10.5 lines round up
    EXPECT_EQ(helpTextHeight(1855), 8000);  // 27 lines would be 8100
    EXPECT_EQ(helpTextHeight(100000), 8000);
    // The rule gives no line below 35 characters; three lines stay readable.
    EXPECT_EQ(helpTextHeight(0), 900);
    EXPECT_EQ(helpTextHeight(34), 900);
    EXPECT_EQ(helpTextHeight(245), 1200);
}

class GuideScreen : public ::testing::Test {
  protected:
    GuideScreen() {
        session.InstallDir = dir.path();
        guide.window.onLoad = [this] { ++loads; };
    }
    std::vector<bool> chapterButtonsVisible() const {
        std::vector<bool> v;
        for (const ui::Button& b : guide.GuideText)
            v.push_back(b.visible());
        return v;
    }

    test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    User_Guide guide{session, prompt};
    int loads = 0;
};

TEST_F(GuideScreen, HelpModeShowsTheTopicWithOnlyTheNetworkButtonAndSizesToTheText) {
    dir.write("Help.txt", "[DNS]\r\n" + std::string(698, 'x') + "\r\n");
    guide.HelpScreen("dns");
    EXPECT_EQ(guide.window.caption(), "Help on dns");
    EXPECT_EQ(guide.User_Guide_Text.text(), std::string(698, 'x') + "\r\n");
    EXPECT_EQ(chapterButtonsVisible(), std::vector<bool>(7, false));
    EXPECT_TRUE(guide.NetParmsH.visible());
    EXPECT_TRUE(guide.window.visible());
    EXPECT_EQ(guide.textHeight(), 3000);
    EXPECT_EQ(guide.textWidth(), 7500);
    EXPECT_EQ(guide.window.width(), 9255);
    EXPECT_EQ(guide.window.height(), 3900);
    EXPECT_EQ(loads, 1);
}

TEST_F(GuideScreen, UnknownTopicsAndAMissingFileShowTheNotFoundText) {
    dir.write("Help.txt", "[DNS]\r\nLook up.\r\n");
    guide.HelpScreen("Printer");
    EXPECT_EQ(guide.User_Guide_Text.text(), "Unable to find help on Printer");
    EXPECT_EQ(guide.textHeight(), 900);
    EXPECT_TRUE(prompt.messages.empty());

    test::TempDir empty;
    session.InstallDir = empty.path();
    guide.ReadUserGuide("Purpose");
    EXPECT_EQ(guide.User_Guide_Text.text(), "Unable to find documentation on Purpose");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find(empty.path() + "UserGuide.txt"), std::string::npos);
}

TEST_F(GuideScreen, GuideModeOpensOnUsingZeltoAndEachButtonShowsItsChapter) {
    std::string file;
    for (const char* chapter : {"Purpose", "Using Zelto", "Installation", "Configuration",
                                "Configuration File Layout", "Contact/Cost", "License warranty"}) {
        file += std::string("[") + chapter + "]\r\nAbout " + chapter + ".\r\n";
    }
    dir.write("UserGuide.txt", file);
    dir.write("Help.txt", "[DNS]\r\n" + std::string(2000, 'y') + "\r\n");
    guide.HelpScreen("DNS");
    const int helpHeight = guide.window.height();

    guide.Open_UserGuide_Click();
    EXPECT_EQ(guide.window.caption(), "User Guide: Using Zelto");
    EXPECT_EQ(guide.User_Guide_Text.text(), "About Using Zelto.\r\n");
    EXPECT_EQ(chapterButtonsVisible(), std::vector<bool>(7, true));
    EXPECT_FALSE(guide.NetParmsH.visible());
    EXPECT_EQ(guide.window.height(), helpHeight);  // the guide keeps the size it has

    // Top to bottom the buttons read in the guide's own order.
    std::vector<std::string> column;
    for (int index : User_Guide::kChapterOrder)
        column.push_back(guide.GuideText[index].caption());
    EXPECT_EQ(column, (std::vector<std::string>{"Purpose", "Using Zelto", "Installation",
                                                "Configuration", "Configuration File Layout",
                                                "Contact/Cost", "License warranty"}));
    for (ui::Button& b : guide.GuideText) {
        b.click();
        EXPECT_EQ(guide.window.caption(), "User Guide: " + b.caption());
        EXPECT_EQ(guide.User_Guide_Text.text(), "About " + b.caption() + ".\r\n");
    }
    EXPECT_EQ(loads, 1);  // one screen, reused
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(GuideScreen, AClosedOrMinimisedScreenComesBackNormalAndTheNetworkButtonIsForwarded) {
    dir.write("Help.txt", "[DNS]\r\nLook up.\r\n");
    guide.HelpScreen("DNS");
    guide.window.setState(ui::WindowState::Minimised);
    guide.HelpScreen("DNS");
    EXPECT_EQ(guide.window.state(), ui::WindowState::Normal);
    guide.window.unload();
    EXPECT_FALSE(guide.window.visible());
    guide.HelpScreen("DNS");
    EXPECT_TRUE(guide.window.visible());

    int opened = 0;
    guide.NetParmsH.click();  // nobody to open the screen yet: nothing happens
    guide.openNetParms = [&] { ++opened; };
    guide.NetParmsH.click();
    EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace zelto::help
