// The main window model and its parts: start-up, the stored settings record, the check boxes
// that choose the rows, and the tray.

#include <QSettings>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

/// Out of Office with Gateway, Web, DNS and Mail; In the Office with Mail.
struct Main : test::MainFixture {
    void SetUp() override {
        writeProfile("OutofOffice.ini",
                     {"h", "Out desk", "[Gateway]", "m", "10.0.0.1", "[Web]", "m", "10.0.0.2:80",
                      "[DNS]", "m", "10.0.0.3", "[Mail]", "m", "10.0.0.4:25"});
        writeProfile("InOffice.ini", {"h", "In desk", "[Mail]", "m", "10.0.0.4:25"});
    }
    void store(const std::string& record) { settings.write("Zelto", "Codes", "Settings", record); }
    std::string stored() { return settings.read("Zelto", "Codes", "Settings", "<none>"); }
};

// A one-character interval is stored with a leading zero, an empty one as the default: either
// would otherwise shorten the record and spoil the next start.
TEST_F(Main, FirstRunStartsFromTheDefaultsAndTheIntervalIsStoredInTwoCharacters) {
    ASSERT_FALSE(startEnds());
    EXPECT_TRUE(c.window.visible());
    EXPECT_EQ(texts(), std::vector<std::string>{kFirstRunText});
    EXPECT_EQ(SettingsRecord(c), "O11111000002000000");
    for (const auto& [typed, record] :
         {std::pair{"7", "O11111000000700000"}, {"", "O11111000002000000"}}) {
        c.RunInterval.setText(typed);
        EXPECT_THROW(main.Form_Unload(), ui::ProgramEnded);
        EXPECT_EQ(stored(), record);
    }
}

TEST_F(Main, OutOfOfficeIsLoadedFirstEvenWhenTheSettingsPickInOffice) {
    std::filesystem::remove(dir.path() + "OutofOffice.ini");
    store("I10000000002000000");
    ASSERT_TRUE(startEnds());
    EXPECT_NE(prompt.messages.at(0).text.find("OutofOffice.ini"), std::string::npos);
}

// InOffice.ini is read on the first switch to it, and only then; every display of a profile
// resets the run display and asks for a fresh snapshot.
TEST_F(Main, InOfficeIsReadOnceOnTheFirstSwitchAndEverySwitchResetsTheRunDisplay) {
    ASSERT_FALSE(startEnds());
    c.Status[1].setText("failed. Click cross");
    c.Results1.setText("old");
    c.TestStatus.setText("COMPLETED");
    c.Timer2.setEnabled(true);
    c.Test[1].setValue(false);
    c.OfficeOption.select(1);
    std::filesystem::remove(dir.path() + "InOffice.ini");
    c.OfficeOption.select(0);
    EXPECT_EQ(c.Status[1].text() + "|" + c.TestStatus.text(), "not run|Not run");
    EXPECT_EQ(c.Results1.text(), "");
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_TRUE(c.Test[1].value());
    EXPECT_FALSE(c.Test[5].visible());
    EXPECT_EQ(net.modes.back(), "Nothing");
    c.OfficeOption.select(1);  // from memory: the file is gone and nothing fails
    EXPECT_EQ(c.Banner.text(), "Configured by In desk");
}

// A signal or the session's end during start-up must not replace the user's record with the
// start-up defaults; once the record is on the window, as it was saved, the end saves as Exit
// does.
TEST_F(Main, TheRecordComesBackAndTheSystemsEndSavesOnlyOnceItIsRestored) {
    const std::string record = "I10000000100710010";  // minimised, every 07, Beep if passed
    store(record);
    main.showChecker();
    c.ErrorsOnly.setValue(true);
    main.commitData();
    EXPECT_THROW(main.endBySystem(), ui::ProgramEnded);
    EXPECT_EQ(stored(), record);

    ASSERT_FALSE(startEnds());
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(c.window.state(), ui::WindowState::Minimised);
    EXPECT_FALSE(c.Test[1].value());
    EXPECT_TRUE(c.BeepifPassed.value());
    c.ErrorsOnly.setValue(true);
    main.commitData();
    EXPECT_EQ(stored(), "I10000000100711010");
    c.TimeStamps.setValue(true);
    EXPECT_THROW(main.endBySystem(), ui::ProgramEnded);
    EXPECT_EQ(stored(), "I10000000100711110");
}

// A record cut short or bad in its last position gives the first-run message after the steps
// already applied.
TEST_F(Main, ABadRecordGivesTheFirstRunMessage) {
    for (const char* bad : {"I1100", "I11000000002000007"}) {
        prompt.messages.clear();
        store(bad);
        c.OfficeOption.select(0);
        LoadSettings(c, settings, prompt);
        EXPECT_EQ(session.OfficeIndex, 1) << bad;  // position 1 was applied
        EXPECT_EQ(texts(), std::vector<std::string>{kFirstRunText});
    }
}

// The desktop store: a QSettings file under the user's configuration folder. A folder that
// cannot be made loses the write without harm to what stands in its way.
TEST(QtSettingsStore, WhatIsWrittenReadsBackFromTheFileAndAFailedSyncKeepsNothing) {
    test::TempDir dir;
    auto useConfigFolder = [](const std::string& folder) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(folder));
    };
    useConfigFolder(dir.path());
    QtSettingsStore store;
    store.write("Zelto", "Options", "Continuous", "1");
    EXPECT_EQ(store.read("Zelto", "Options", "Continuous", "0"), "1");
    EXPECT_NE(dir.read("Zelto/Zelto.conf").find("[Options]\nContinuous=1"), std::string::npos);

    dir.write("blocked", "a file, not a folder");
    useConfigFolder(dir.path() + "blocked/");
    store.write("Zelto", "Options", "Continuous", "1");
    EXPECT_EQ(store.read("Zelto", "Options", "Continuous", "0"), "0");
    EXPECT_EQ(dir.read("blocked"), "a file, not a folder");
}

// The boxes cascade through each other's handlers (setting a box from code runs its handler as
// a click does); each case is clicked through the window's own wiring.
using Selection = Main;

TEST_F(Selection, ClicksCascadeAsTheRowsAndOptionsRequire) {
    ASSERT_FALSE(startEnds());
    // All Tests, Core Tests, Beep if passed, Beep if failed, or a row by its number.
    auto box = [this](char b) -> ui::CheckBox& {
        const std::string options = "ACPF";
        ui::CheckBox* boxes[] = {&c.AllTests, &c.CoreTests, &c.BeepifPassed, &c.BeepIfFailed};
        return options.find(b) != std::string::npos ? *boxes[options.find(b)] : c.Test[b - '1'];
    };
    // Rows as Y/N, then the four options.
    auto state = [&] {
        std::string s;
        for (const char b : std::string("12345 A C P F"))
            s += b == ' ' ? ' ' : box(b).value() ? 'Y' : 'N';
        return s;
    };
    const std::vector<std::pair<std::string, std::string>> cases{
        {"A", "YYYYY Y N N N"},
        {"AA", "NNNNN N N N N"},
        // Core rows are Loop Back, Gateway and DNS; the others follow the opposite value.
        {"C", "YYNYN N Y N N"},
        {"CC", "NNYNY N N N N"},
        // Ticking Core while All is ticked clears All, whose handler clears every row first.
        {"AC", "YYNYN N Y N N"},
        {"CA", "YYYYY Y N N N"},
        // Unticking one row while All is ticked leaves only that row.
        {"A3", "NNYNN N N N N"},
        {"PF", "NNNNN N N N Y"},
        {"FP", "NNNNN N N Y N"},
    };
    for (const auto& [clicks, after] : cases) {
        for (const char b : std::string("ACPF12345"))
            box(b).setValue(false);
        for (const char click : clicks)
            box(click).click();
        EXPECT_EQ(state(), after) << clicks;
    }
    // All Tests is ignored while the tests are being set up.
    session.SettingUpTests = true;
    c.AllTests.click();
    EXPECT_EQ(state(), "NNNNN Y N Y N");
}

struct TrayTest : ::testing::Test {
    TrayTest() {
        window.setVisible(true);
        window.onResize = [this] { tray.Form_Resize(); };  // as the main window wires it
    }
    void minimise() { window.setState(ui::WindowState::Minimised); }

    ui::Window window;
    test::RecordingTrayHost host;
    Tray tray{window, host};
};

using Ops = std::vector<std::string>;

// Icon updates reach the tray only while minimised; a double click brings the window back in
// normal state even from maximised.
TEST_F(TrayTest, MinimiseGoesToTheTrayAndDoubleClickComesBack) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    window.setState(ui::WindowState::Maximised);
    minimise();
    EXPECT_FALSE(window.visible());
    tray.activated(Activation::Context);
    tray.activated(Activation::DoubleClick);
    EXPECT_EQ(window.state(), ui::WindowState::Normal);
    EXPECT_TRUE(window.visible());
    tray.Form_Unload();  // no icon left to remove
    minimise();
    tray.SetTrayIcon(102, "problem");
    EXPECT_EQ(window.icon(), 102);
    tray.Form_Unload();
    EXPECT_EQ(host.calls, (Ops{"add Zelto Stopped", "menu", "remove", "add Zelto Stopped",
                               "modify 102 problem|", "remove"}));
}

// A balloon is handed on even while shown; the next icon update brings the tip back.
TEST_F(TrayTest, BalloonKeepsTheIconAndLeavesTheTipBlankUntilTheNextIcon) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    tray.ShowTrayBalloon("", "failed", 1, "Network problem", kBalloonError);
    EXPECT_EQ(tray.record(), (TrayIconData{kBalloonFlags, 101, "", "failed", 1, "Network problem",
                                           kBalloonError}));
    minimise();
    tray.SetTrayIcon(101, "failed");
    EXPECT_EQ(tray.record(), (TrayIconData{kIconFlags, 101, "failed", "", 0, "", 0}));
    EXPECT_EQ(host.calls, (Ops{"modify 101 |failed", "add ", "modify 101 failed|"}));
}

// Without a notification area the window stays on the task bar; the icon is still added in
// case a tray turns up, and goes when the window is restored from the task bar.
TEST_F(TrayTest, WithoutANotificationAreaTheWindowStaysOnTheTaskBar) {
    host.present = false;
    minimise();
    EXPECT_TRUE(window.visible());
    window.setState(ui::WindowState::Normal);
    EXPECT_EQ(host.calls, (Ops{"add ", "remove"}));
}

// The texts are cut to their fields, never inside a UTF-8 character.
TEST_F(TrayTest, TextsAreCutToTheirFields) {
    const std::string longText(300, 'x');
    tray.ShowTrayBalloon(longText, longText, 1, longText, 3);
    EXPECT_EQ(tray.record().tip, std::string(127, 'x'));
    EXPECT_EQ(tray.record().info, std::string(255, 'x'));
    EXPECT_EQ(tray.record().infoTitle, std::string(63, 'x'));
    EXPECT_EQ(cutToField("abcdef\xC3\xBC", 8), "abcdef");          // "ü" across the end
    EXPECT_EQ(cutToField("abcde\xC3\xBCz", 8), "abcde\xC3\xBC");   // "ü" fits
    EXPECT_EQ(cutToField("abcd\xF0\x9F\x98\x80", 8), "abcd");      // an emoji
    EXPECT_EQ(cutToField("abcdef\xFC\xFC\xFC", 8), "abcdef\xFC");  // Latin-1 is no UTF-8
}

}  // namespace
}  // namespace zelto::shell
