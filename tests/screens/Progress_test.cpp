#include "screens/Progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "package/CopyShortCuts.h"
#include "support/FailingCalls.h"
#include "support/TempDir.h"

namespace zelto::package {
namespace {

namespace fs = std::filesystem;
using ui::Answer;
using Texts = std::vector<std::string>;

// A home folder whose name needs quoting in the launcher and in the removal script.
const std::string kHome = "it's my $home/";

unsigned modeOf(const std::string& path) {
    return static_cast<unsigned>(fs::status(path).permissions());
}

Texts namesIn(const std::string& folder) {
    Texts names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The removal script run by /bin/sh, after `before` (its input, its PATH).
int runScript(const std::string& script, const std::string& before) {
    ::setenv("REMOVAL_SCRIPT", script.c_str(), 1);  // its name needs no quoting there
    return WEXITSTATUS(
        std::system((before + " /bin/sh \"$REMOVAL_SCRIPT\" >/dev/null 2>&1").c_str()));
}

struct Installer : ::testing::Test {
    Installer() {
        fs::create_directories(home);
        std::string package;
        for (const std::string& f : files) {
            const Trailer t = *WriteLengthTrailer(static_cast<std::uint32_t>(f.size()));
            package += f + std::string(t.begin(), t.end());
        }
        places.package = tmp.write("Setup.run", package);
    }
    std::string installed(std::size_t r) const {
        return tmp.read(kHome + "Zelto/" + kFileNames[r]);
    }
    /// Opens the installer on its agreement and accepts it: the status it ended with, or -1.
    int accept() {
        prompt.messages.clear();
        Progress model(places, prompt, end, calls);
        model.ShowAgreement();
        try {
            model.AcceptAgreement.click();
        } catch (const ui::ProgramEnded& e) {
            return e.status;
        }
        return -1;
    }

    test::TempDir tmp;
    std::string home = tmp.path() + kHome;
    InstallPlaces places{"", home + "Zelto/", home + "Desktop/"};
    const Texts files{"program", "[In]\r\n", "[Out]\r\n", "[Guide]\r\n", "[Help]\r\n", "cli"};
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    test::FailingCalls calls;
};

TEST_F(Installer, OverAnInstallationItAsksKeepsTheProfilesTheUserKeepsAndSurvivesAFullDisk) {
    fs::create_directories(places.installDir);
    for (const char* name : kFileNames)
        tmp.write(kHome + "Zelto/" + name, std::string("old ") + name);
    prompt.answers = {Answer::No};
    EXPECT_EQ(accept(), 0);
    EXPECT_FALSE(fs::exists(places.desktopDir));

    // Continue, keep OutofOffice.ini (asked first: records go last to first), replace InOffice;
    // the disk is full by then: the old file stays whole and the user is told.
    calls.writeBudget = files[5].size() + files[4].size() + files[3].size() + 2;
    prompt.answers = {Answer::Yes, Answer::Yes, Answer::No};
    EXPECT_EQ(accept(), 1);
    ASSERT_EQ(prompt.messages.size(), 5U);
    EXPECT_EQ(prompt.messages[3].text,
              profiles::fileErrorMessage(places.installDir + "InOffice.ini",
                                         profiles::systemError(ENOSPC)));
    EXPECT_EQ(prompt.messages[4].text, kUnpackProblemText);
    EXPECT_EQ(prompt.busyChanges.back(), false);
    EXPECT_EQ(installed(1), "old InOffice.ini");
    EXPECT_EQ(namesIn(places.installDir).size(), kFileNames.size()) << "no temporary left";

    calls.writeBudget = static_cast<std::size_t>(-1);
    prompt.answers = {Answer::Yes, Answer::Yes, Answer::No};
    EXPECT_EQ(accept(), -1);
    EXPECT_EQ(prompt.messages.size(), 3U);
    for (std::size_t r = 0; r < kFileNames.size(); ++r)
        EXPECT_EQ(installed(r), r == 2 ? "old OutofOffice.ini" : files[r]) << kFileNames[r];
}

// A fresh install asks nothing and unpacks every file whole with its mode; its removal script
// asks before removing and finds a terminal when double-clicked.
TEST_F(Installer, AFreshInstallAndItsRemovalScript) {
    ASSERT_EQ(accept(), -1);
    EXPECT_TRUE(prompt.messages.empty());
    for (std::size_t r = 0; r < kFileNames.size(); ++r) {
        EXPECT_EQ(installed(r), files[r]) << kFileNames[r];
        const bool program = r == 0 || r + 1 == kFileNames.size();
        EXPECT_EQ(modeOf(places.installDir + kFileNames[r]), program ? 0755U : 0644U) << r;
    }
    const std::string script = places.desktopDir + "Zelto_remove.sh";
    EXPECT_EQ(modeOf(places.desktopDir + "Zelto.desktop"), 0755U);
    EXPECT_EQ(modeOf(script), 0755U);
    tmp.write(kHome + "Zelto/RunLog.Txt", "a log the program wrote");
    tmp.write(kHome + "ZeltoOther.txt", "a neighbour");
    tmp.write(kHome + "Desktop/Other.desktop", "another launcher");

    // What a file manager gives a double-clicked script: no terminal, input from /dev/null.
    // It opens a terminal, or with none says how to run it.
    for (const std::string tool : {"x-terminal-emulator", "notify-send"}) {
        const std::string bin = tmp.path() + tool + "/";
        fs::create_directories(bin);
        tmp.write(tool + "/" + tool, "#!/bin/sh\necho \"$@\" > '" + bin + "args'\n");
        fs::permissions(bin + tool, fs::perms::owner_all);
        EXPECT_EQ(runScript(script, "PATH='" + bin + "' </dev/null"), tool == "notify-send");
        EXPECT_NE(tmp.read(tool + "/args").find(script), std::string::npos) << tool;
    }

    ASSERT_EQ(runScript(script, "printf 'n\\nn\\n\\n' |"), 0);
    EXPECT_EQ(namesIn(places.installDir).size(), kFileNames.size() + 1) << "No keeps it all";
    EXPECT_TRUE(fs::exists(places.desktopDir + "Zelto.desktop"));
    ASSERT_EQ(runScript(script, "printf 'y\\ny\\n\\n' |"), 0);
    EXPECT_EQ(namesIn(home), (Texts{"Desktop", "ZeltoOther.txt"}));
    EXPECT_EQ(namesIn(places.desktopDir), (Texts{"Other.desktop", "Zelto_remove.sh"}));
}

TEST(Launcher, StartsTheInstalledProgramEvenFromAFolderWithAwkwardCharacters) {
    const std::string text = launcherText("/home/a b/100%\"$x\\/Zelto/zelto");
    for (const char* line : {"\nExec=\"/home/a b/100%%\\\\\"\\\\$x\\\\\\\\/Zelto/zelto\"\n",
                             "\nPath=/home/a b/100%\"$x\\\\/Zelto/\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

}  // namespace
}  // namespace zelto::package
