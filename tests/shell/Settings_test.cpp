#include "shell/Settings.h"

#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include "shell/SettingsStore.h"
#include "support/MainFixture.h"
#include "support/TempDir.h"

namespace zelto::shell {
namespace {

struct SettingsTest : test::MainFixture {
    void SetUp() override {
        writeProfile("OutofOffice.ini",
                     {"h", "Out", "[Gateway]", "m", "10.0.0.1", "[DNS]", "m", "10.0.0.2"});
        writeProfile("InOffice.ini", {"h", "In", "[Mail]", "m", "10.0.0.3"});
    }
    void store(const std::string& record) { settings.write("Zelto", "Codes", "Settings", record); }
    std::string stored() { return settings.read("Zelto", "Codes", "Settings", "<none>"); }
};

TEST_F(SettingsTest, ARecordComesBackAsItWasSaved) {
    store("I10000000000710010");
    ASSERT_FALSE(startEnds());
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(session.OfficeIndex, 1);
    EXPECT_EQ(c.RunInterval.text(), "07");
    EXPECT_FALSE(c.Test[1].value());
    EXPECT_TRUE(c.BeepifPassed.value());
    EXPECT_EQ(SettingsRecord(c), "I10000000000710010");
}

TEST_F(SettingsTest, ARecordSavedWhileMinimisedRestartsMinimised) {
    store("O11000000120000000");
    ASSERT_FALSE(startEnds());
    EXPECT_EQ(c.window.state(), ui::WindowState::Minimised);
}

// A one-character interval is stored with a leading zero, an empty one as the default: either
// would otherwise shorten the record and spoil the next start.
TEST_F(SettingsTest, TheIntervalAlwaysTakesTwoCharacters) {
    ASSERT_FALSE(startEnds());
    for (const auto& [typed, kept] : {std::pair{"7", "07"}, {"", "20"}}) {
        c.RunInterval.setText(typed);
        EXPECT_THROW(main.Form_Unload(), ui::ProgramEnded);
        EXPECT_EQ(stored().substr(11, 2), kept);
        EXPECT_EQ(stored().size(), 18U);
    }
}

// A signal or the session's end during start-up must not replace the user's record with the
// start-up defaults; once the record is on the window, the end saves as Exit does.
TEST_F(SettingsTest, TheSystemsEndSavesOnlyOnceTheRecordIsRestored) {
    store("I10000000000710010");
    main.showChecker();
    c.ErrorsOnly.setValue(true);
    main.commitData();
    EXPECT_THROW(main.endBySystem(), ui::ProgramEnded);
    EXPECT_EQ(stored(), "I10000000000710010");

    ASSERT_FALSE(startEnds());
    c.ErrorsOnly.setValue(true);
    main.commitData();
    EXPECT_EQ(stored(), "I10000000000711010");
    c.TimeStamps.setValue(true);
    EXPECT_THROW(main.endBySystem(), ui::ProgramEnded);
    EXPECT_EQ(stored(), "I10000000000711110");
}

// A bad record gives the first-run message after the steps already applied.
TEST_F(SettingsTest, ABadRecordGivesTheFirstRunMessage) {
    for (const char* bad : {"Ix1000000020000000", "I1100", "I11000000020000007"}) {
        prompt.messages.clear();
        store(bad);
        c.OfficeOption.select(0);
        LoadSettings(c, settings, prompt);
        EXPECT_EQ(session.OfficeIndex, 1) << bad;  // position 1 was applied
        EXPECT_EQ(texts(), std::vector<std::string>{kFirstRunText});
    }
}

// The desktop store: a QSettings file under the user's configuration folder.
void useConfigFolder(const std::string& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder));
}

TEST(QtSettingsStore, WhatIsWrittenReadsBackFromTheFileAndAFailedSyncKeepsNothing) {
    test::TempDir dir;
    useConfigFolder(dir.path());
    QtSettingsStore store;
    EXPECT_EQ(store.read("Zelto", "Options", "Continuous", "0"), "0");
    store.write("Zelto", "Options", "Continuous", "1");
    store.write("Zelto", "Place", "Top", "-40");
    EXPECT_EQ(store.read("Zelto", "Options", "Continuous", "0"), "1");
    EXPECT_EQ(store.read("Zelto", "Place", "Top", "0"), "-40");
    EXPECT_NE(dir.read("Zelto/Zelto.conf").find("[Options]\nContinuous=1"), std::string::npos);

    // A folder that cannot be made: the write is lost without harm to what stands in its way.
    dir.write("blocked", "a file, not a folder");
    useConfigFolder(dir.path() + "blocked/");
    store.write("Zelto", "Options", "Continuous", "1");
    EXPECT_EQ(store.read("Zelto", "Options", "Continuous", "0"), "0");
    EXPECT_EQ(dir.read("blocked"), "a file, not a folder");
}

}  // namespace
}  // namespace zelto::shell
