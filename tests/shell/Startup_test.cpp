#include <gtest/gtest.h>

#include <filesystem>

#include "profiles/Startup.h"
#include "shell/Settings.h"
#include "support/MainFixture.h"

namespace zelto::shell {
namespace {

using test::MainFixture;

struct Role {
    const char* path;
    int result;          // 0 checker, 1 installer, -1 ended
    bool asksToInstall;  // the "Go" question
};

class CheckExeNameTest : public ::testing::TestWithParam<Role> {};

TEST_P(CheckExeNameTest, RoleComesFromTheExecutableNameAlone) {
    const Role& r = GetParam();
    ui::ScriptedPrompter prompt;
    prompt.answers = {ui::Answer::Yes};
    ui::ThrowingProgramEnd end;
    bool installed = false;
    int result = -1;
    try {
        result = profiles::CheckExeName(r.path, prompt, end, [&] { installed = true; });
    } catch (const ui::ProgramEnded&) {
        result = -1;
    }
    EXPECT_EQ(result, r.result);
    EXPECT_EQ(installed, r.result == 1);
    if (r.asksToInstall) {
        ASSERT_EQ(prompt.messages.size(), 1U);
        EXPECT_EQ(prompt.messages[0].title, "Go");
        EXPECT_EQ(prompt.messages[0].text, "Do you want to install Zelto (No ends the program)");
    } else if (r.result == -1) {
        ASSERT_EQ(prompt.messages.size(), 1U);
        EXPECT_EQ(prompt.messages[0].text, profiles::kWrongNameText);
    } else {
        EXPECT_TRUE(prompt.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, CheckExeNameTest,
    ::testing::Values(Role{"/opt/x/zelto", 0, false}, Role{"/opt/x/ZELTO", 0, false},
                      Role{"/opt/x/Zelto.exe", 0, false}, Role{"/home/u/SETUP.RUN", 1, true},
                      Role{"setup", 1, true}, Role{"/opt/x/zelto (2)", -1, false},
                      Role{"/opt/x/zelto2", -1, false}, Role{"/opt/x/setup-copy.run", -1, false}));

TEST(CheckExeName, DecliningToInstallEndsWithoutInstalling) {
    ui::ScriptedPrompter prompt;  // answers No
    ui::ThrowingProgramEnd end;
    bool installed = false;
    EXPECT_THROW(profiles::CheckExeName("Setup.run", prompt, end, [&] { installed = true; }),
                 ui::ProgramEnded);
    EXPECT_FALSE(installed);
}

TEST(ProgramFolder, IsTheExecutablesFolderWithATrailingSlash) {
    EXPECT_EQ(profiles::programFolder("/home/u/Zelto/zelto"), "/home/u/Zelto/");
    EXPECT_EQ(profiles::programFolder("zelto"), "./");
}

struct StartupTest : MainFixture {
    void writeBoth() {
        writeProfile("OutofOffice.ini", {"h", "Out desk", "[Gateway]", "gw", "10.0.0.1"});
        writeProfile("InOffice.ini", {"h", "In desk", "[Mail]", "mail", "mail.example:25",
                                      "files.example:445", "10.1.1.1", "10.1.1.2"});
    }
};

TEST_F(StartupTest, FirstRunShowsTheWindowWithDefaultsAndTheFirstRunMessage) {
    writeBoth();
    ASSERT_FALSE(startEnds());
    EXPECT_TRUE(c.window.visible());
    EXPECT_EQ(c.window.caption(), "Zelto 1.9 - Out of Office Tests");
    EXPECT_EQ(c.window.icon(), 101);
    EXPECT_EQ(texts(), std::vector<std::string>{kFirstRunText});
    EXPECT_EQ(c.RunInterval.text(), "20");
    EXPECT_TRUE(c.AllTests.value());
    EXPECT_FALSE(c.BeepifPassed.visible());
    EXPECT_EQ(c.Banner.text(), "Configured by Out desk");
    EXPECT_EQ(SettingsRecord(c), "O11000000002000000");
}

TEST_F(StartupTest, OutOfOfficeIsLoadedFirstEvenWhenTheSettingsPickInOffice) {
    writeProfile("InOffice.ini", {"h", "In desk"});
    settings.write("Zelto", "Codes", "Settings", "I100000000020000000");
    ASSERT_TRUE(startEnds());  // OutofOffice.ini is missing
    EXPECT_EQ(prompt.messages.at(0).text.find("OutofOffice.ini") != std::string::npos, true);
    EXPECT_FALSE(c.window.visible());
}

TEST_F(StartupTest, InOfficeIsReadOnceAcrossSwitches) {
    writeBoth();
    ASSERT_FALSE(startEnds());
    c.OfficeOption.select(1);
    EXPECT_EQ(c.window.caption(), "Zelto 1.9 - In the Office Tests");
    EXPECT_EQ(c.Test[1].caption(), "2) Mail");
    // Items 1 to 3 each followed by two spaces; the fourth is not in the tooltip.
    EXPECT_EQ(c.Test[1].toolTip(), "mail.example:25  files.example:445  10.1.1.1  ");
    std::filesystem::remove(dir.path() + "InOffice.ini");
    c.OfficeOption.select(0);
    EXPECT_EQ(c.Banner.text(), "Configured by Out desk");
    c.OfficeOption.select(1);  // from memory: the file is gone and nothing fails
    EXPECT_EQ(c.Banner.text(), "Configured by In desk");
    EXPECT_EQ(session.OfficeIndex, 1);
}

TEST_F(StartupTest, AMissingInOfficeIsOnlyNoticedOnTheFirstSwitch) {
    writeProfile("OutofOffice.ini", {"h", "Out desk"});
    ASSERT_FALSE(startEnds());
    EXPECT_THROW(c.OfficeOption.select(1), ui::ProgramEnded);
    EXPECT_EQ(prompt.messages.back().text,
              "Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end");
}

TEST_F(StartupTest, ShowTestSetupResetsTheRunDisplay) {
    writeBoth();
    ASSERT_FALSE(startEnds());
    c.Status[1].setText("failed. Click cross");
    c.Passes[1].setText(" 4");
    c.Passes[10].setText(" 4");
    c.Results1.setText("old");
    c.Help1[1].setVisible(true);
    c.Timer2.setEnabled(true);
    c.Test[1].setValue(false);
    c.OfficeOption.select(1);
    c.OfficeOption.select(0);
    EXPECT_EQ(c.Status[1].text(), "not run");
    EXPECT_EQ(c.Status[1].color(), ui::kBlack);
    EXPECT_EQ(c.Passes[1].text(), "0");
    EXPECT_EQ(c.Passes[10].text(), "0");
    EXPECT_EQ(c.Results1.text(), "");
    EXPECT_EQ(c.TestStatus.text(), "Not run");
    EXPECT_FALSE(c.Help1[1].visible());
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_TRUE(c.Test[1].value());
    EXPECT_FALSE(c.Test[2].visible());
    EXPECT_FALSE(c.Status[2].visible());
    EXPECT_EQ(c.Test[0].toolTip(), "127.0.0.1  ");
    // Every display asks for a fresh snapshot to refresh the adapter indicator.
    EXPECT_EQ(net.modes.back(), "Nothing");
    EXPECT_TRUE(net.explanations.back());
}

TEST_F(StartupTest, NoUsableAddressShowsTheBlankCaptionInRedAndStartsTheWatch) {
    writeBoth();
    probes.names[" "] = "127.0.0.1";
    ASSERT_FALSE(startEnds());
    EXPECT_EQ(c.current_ip.text(), "Blank! Press cross for help");
    EXPECT_EQ(c.current_ip.color(), ui::kRed);
    EXPECT_TRUE(c.Help1[8].visible());
    EXPECT_FALSE(c.IP_Check.visible());
    EXPECT_TRUE(c.Timer1.enabled());
    EXPECT_EQ(c.Timer1.interval(), 1000);
    EXPECT_EQ(session.LocalIP, "Blank!");
}

TEST_F(StartupTest, AnAddressShowsInButtonTextColourWithTheTick) {
    writeBoth();
    ASSERT_FALSE(startEnds());
    EXPECT_EQ(c.current_ip.text(), "192.0.2.10");
    EXPECT_EQ(c.current_ip.color(), ui::kButtonText);
    EXPECT_TRUE(c.IP_Check.visible());
    EXPECT_FALSE(c.Help1[8].visible());
    EXPECT_FALSE(c.Timer1.enabled());
}

}  // namespace
}  // namespace zelto::shell
