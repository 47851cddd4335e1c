#include "screens/User_Guide.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace zelto::help {
namespace {

TEST(HelpTopic, LoopBackWinsOverTheAddressWhichWinsOverTheTest) {
    EXPECT_EQ(helpTopic(2, "3) DNS", false, false), "DNS");
    EXPECT_EQ(helpTopic(0, "1) Loop Back", false, false), "Loop Back");
    EXPECT_EQ(helpTopic(8, "", false, false), "IPAddress");
    EXPECT_EQ(helpTopic(3, "4) Mail", false, true), "IPAddress");
    EXPECT_EQ(helpTopic(3, "4) Mail", true, true), "Loop Back");
    EXPECT_EQ(helpTopic(8, "", true, false), "Loop Back");
}

TEST(HelpTextHeight, OneLinePerSeventyCharactersToTheNearestCappedAndNeverUnreadable) {
    EXPECT_EQ(helpTextHeight(700), 3000);  // ten 300-twip lines
    EXPECT_EQ(helpTextHeight(734), 3000);
    EXPECT_EQ(helpTextHeight(735), 3300);
    EXPECT_EQ(helpTextHeight(1855), 8000);
    EXPECT_EQ(helpTextHeight(34), 900);  // the rule's zero lines: three readable ones
}

TEST(User_Guide, HelpAndGuideModesShareOneScreen) {
    test::TempDir dir;
    profiles::Session s;
    s.InstallDir = dir.path();
    ui::ScriptedPrompter p;
    User_Guide guide(s, p);
    int loads = 0;
    guide.window.onLoad = [&] { ++loads; };
    auto chapterButtons = [&] {
        std::vector<bool> v;
        for (const ui::Button& b : guide.GuideText)
            v.push_back(b.visible());
        return v;
    };
    dir.write("Help.txt", "[DNS]\r\n" + std::string(698, 'x') + "\r\n");
    dir.write("UserGuide.txt", "[Using Zelto]\r\nPress Run Tests.\r\n[Purpose]\r\nChecks.\r\n");

    guide.HelpScreen("dns");
    EXPECT_EQ(guide.window.caption(), "Help on dns");
    EXPECT_EQ(guide.User_Guide_Text.text(), std::string(698, 'x') + "\r\n");
    EXPECT_EQ(chapterButtons(), std::vector<bool>(7, false));
    EXPECT_TRUE(guide.NetParmsH.visible());
    EXPECT_EQ(guide.window.width(), 9255);
    EXPECT_EQ(guide.window.height(), 3900);
    guide.HelpScreen("Printer");
    EXPECT_EQ(guide.User_Guide_Text.text(), "Unable to find help on Printer");

    guide.window.setState(ui::WindowState::Minimised);
    guide.Open_UserGuide_Click();
    EXPECT_EQ(guide.window.state(), ui::WindowState::Normal);
    EXPECT_EQ(guide.window.caption(), "User Guide: Using Zelto");
    EXPECT_EQ(chapterButtons(), std::vector<bool>(7, true));
    EXPECT_FALSE(guide.NetParmsH.visible());
    EXPECT_EQ(guide.window.height(), 1800);  // the guide keeps the size it has
    std::vector<std::string> column;
    for (int index : User_Guide::kChapterOrder)
        column.push_back(guide.GuideText[index].caption());
    EXPECT_EQ(column, (std::vector<std::string>{"Purpose", "Using Zelto", "Installation",
                                                "Configuration", "Configuration File Layout",
                                                "Contact/Cost", "License warranty"}));
    guide.GuideText[1].click();
    EXPECT_EQ(guide.window.caption(), "User Guide: Purpose");
    EXPECT_EQ(guide.User_Guide_Text.text(), "Checks.\r\n");
    guide.GuideText[0].click();
    EXPECT_EQ(guide.User_Guide_Text.text(), "Unable to find documentation on Installation");
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(p.messages.empty());
}

}  // namespace
}  // namespace zelto::help
