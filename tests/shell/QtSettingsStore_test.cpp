#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include "shell/SettingsStore.h"
#include "support/TempDir.h"

namespace zelto::shell {
namespace {

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
