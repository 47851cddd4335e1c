#include <gtest/gtest.h>

#include <filesystem>

#include "profiles/Startup.h"
#include "shell/Settings.h"
#include "support/MainFixture.h"

namespace zelto::shell {
namespace {

// The role comes from the executable's name alone; the installer asks first, and No ends.
TEST(CheckExeName, TheRoleComesFromTheExecutablesName) {
    struct Role {
        const char* path;
        ui::Answer answer;
        int result;  // 0 checker, 1 installer, -1 ended
        std::string message;
    };
    const std::string go = "Do you want to install Zelto (No ends the program)";
    for (const Role& r :
         {Role{"/opt/x/zelto", ui::Answer::No, 0, ""},
          Role{"/opt/x/Zelto.exe", ui::Answer::No, 0, ""},
          Role{"/home/u/SETUP.RUN", ui::Answer::Yes, 1, go}, Role{"setup", ui::Answer::No, -1, go},
          Role{"/opt/x/zelto (2)", ui::Answer::Yes, -1, profiles::kWrongNameText},
          Role{"/opt/x/setup-copy.run", ui::Answer::Yes, -1, profiles::kWrongNameText}}) {
        ui::ScriptedPrompter prompt;
        prompt.answers = {r.answer};
        ui::ThrowingProgramEnd end;
        bool installed = false;
        int result = -1;
        try {
            result = profiles::CheckExeName(r.path, prompt, end, [&] { installed = true; });
        } catch (const ui::ProgramEnded&) {
        }
        EXPECT_EQ(result, r.result) << r.path;
        EXPECT_EQ(installed, r.result == 1);
        EXPECT_EQ(prompt.messages.empty() ? "" : prompt.messages[0].text, r.message);
    }
    EXPECT_EQ(profiles::programFolder("zelto"), "./");
}

struct StartupTest : test::MainFixture {
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
    EXPECT_EQ(texts(), std::vector<std::string>{kFirstRunText});
    EXPECT_EQ(SettingsRecord(c), "O11000000002000000");
}

TEST_F(StartupTest, OutOfOfficeIsLoadedFirstEvenWhenTheSettingsPickInOffice) {
    writeProfile("InOffice.ini", {"h", "In desk"});
    settings.write("Zelto", "Codes", "Settings", "I100000000020000000");
    ASSERT_TRUE(startEnds());  // OutofOffice.ini is missing
    EXPECT_NE(prompt.messages.at(0).text.find("OutofOffice.ini"), std::string::npos);
}

// InOffice.ini is read on the first switch to it, and only then: a missing one ends there.
TEST_F(StartupTest, InOfficeIsReadOnceOnTheFirstSwitch) {
    writeBoth();
    ASSERT_FALSE(startEnds());
    c.OfficeOption.select(1);
    EXPECT_EQ(c.window.caption(), "Zelto 1.9 - In the Office Tests");
    // Items 1 to 3 each followed by two spaces; the fourth is not in the tooltip.
    EXPECT_EQ(c.Test[1].toolTip(), "mail.example:25  files.example:445  10.1.1.1  ");
    std::filesystem::remove(dir.path() + "InOffice.ini");
    c.OfficeOption.select(0);
    c.OfficeOption.select(1);  // from memory: the file is gone and nothing fails
    EXPECT_EQ(c.Banner.text(), "Configured by In desk");

    test::MainRig<ui::BlockingPump> fresh;
    fresh.writeProfile("OutofOffice.ini", {"h", "Out desk"});
    ASSERT_FALSE(fresh.startEnds());
    EXPECT_THROW(fresh.c.OfficeOption.select(1), ui::ProgramEnded);
    EXPECT_EQ(fresh.prompt.messages.back().text,
              "Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end");
}

// Every display of a profile resets the run display and asks for a fresh snapshot.
TEST_F(StartupTest, ShowTestSetupResetsTheRunDisplay) {
    writeBoth();
    ASSERT_FALSE(startEnds());
    c.Status[1].setText("failed. Click cross");
    c.Results1.setText("old");
    c.Timer2.setEnabled(true);
    c.Test[1].setValue(false);
    c.OfficeOption.select(1);
    c.OfficeOption.select(0);
    EXPECT_EQ(c.Status[1].text(), "not run");
    EXPECT_EQ(c.Results1.text(), "");
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_TRUE(c.Test[1].value());
    EXPECT_FALSE(c.Test[2].visible());
    EXPECT_EQ(net.modes.back(), "Nothing");
}

}  // namespace
}  // namespace zelto::shell
