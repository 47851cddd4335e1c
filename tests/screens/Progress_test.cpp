#include "screens/Progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
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

std::string pack(const Texts& files) {
    std::string out;
    for (const std::string& f : files) {
        const Trailer t = *WriteLengthTrailer(static_cast<std::uint32_t>(f.size()));
        out += f + std::string(t.begin(), t.end());
    }
    return out;
}

unsigned modeOf(const std::string& path) {
    return static_cast<unsigned>(fs::status(path).permissions());
}

Texts namesIn(const std::string& folder) {
    Texts names;
    std::error_code missing;
    for (const auto& e : fs::directory_iterator(folder, missing))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Installer : ::testing::Test {
    Installer() {
        fs::create_directories(home);
        places.package = tmp.write("Setup.run", pack(files));
    }
    std::string installed(std::size_t r) const {
        return tmp.read(kHome + "Zelto/" + kFileNames[r]);
    }
    /// Opens the installer on its agreement and clicks `button`: the status it ended with, or -1.
    int click(ui::Button Progress::*button) {
        model = std::make_unique<Progress>(places, prompt, end, calls);
        model->ShowAgreement();
        try {
            ((*model).*button).click();
        } catch (const ui::ProgramEnded& e) {
            return e.status;
        }
        return -1;
    }
    Texts texts() const {
        Texts t;
        for (const ui::Message& m : prompt.messages)
            t.push_back(m.text);
        return t;
    }

    test::TempDir tmp;
    std::string home = tmp.path() + kHome;
    InstallPlaces places{"", home + "Zelto/", home + "Desktop/"};
    const Texts files{"program", "[In]\r\n", "[Out]\r\n", "[Guide]\r\n", "[Help]\r\n", "cli"};
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    test::FailingCalls calls;
    std::unique_ptr<Progress> model;
};

TEST_F(Installer, OverAnInstallationItAsksFirstAndKeepsTheProfilesTheUserKeeps) {
    fs::create_directories(places.installDir);
    for (const char* name : kFileNames)
        tmp.write(kHome + "Zelto/" + name, std::string("old ") + name);
    prompt.answers = {Answer::No};
    EXPECT_EQ(click(&Progress::AcceptAgreement), 0);
    EXPECT_EQ(installed(0), "old zelto");
    EXPECT_FALSE(fs::exists(places.desktopDir));

    // Continue, keep OutofOffice.ini (asked first: records go last to first), replace InOffice.
    prompt.messages.clear();
    prompt.answers = {Answer::Yes, Answer::Yes, Answer::No};
    EXPECT_EQ(click(&Progress::AcceptAgreement), -1);
    EXPECT_EQ(texts(), (Texts{"Setup.run will write over existing files in " + places.installDir +
                                  ". Do you want to continue (No ends the program)",
                              "Do you want to keep your current OutofOffice.ini",
                              "Do you want to keep your current InOffice.ini"}));
    for (std::size_t r = 0; r < kFileNames.size(); ++r)
        EXPECT_EQ(installed(r), r == 2 ? "old OutofOffice.ini" : files[r]) << kFileNames[r];
    EXPECT_EQ(model->FileNam[3].color(), ui::kRed);
}

TEST_F(Installer, AWriteThatFailsEndsWithTheTwoMessagesKeepingTheOldFileWhole) {
    fs::create_directories(places.installDir);
    tmp.write(kHome + "Zelto/InOffice.ini", "old in");
    prompt.answers = {Answer::Yes, Answer::No};
    // zelto-cli, Help.txt, UserGuide.txt and OutofOffice.ini fit; InOffice.ini does not.
    calls.writeBudget = files[5].size() + files[4].size() + files[3].size() + files[2].size() + 2;
    EXPECT_EQ(click(&Progress::AcceptAgreement), 1);
    const Texts said = texts();
    ASSERT_EQ(said.size(), 4U);
    EXPECT_EQ(said[2], profiles::fileErrorMessage(places.installDir + "InOffice.ini",
                                                  profiles::systemError(ENOSPC)));
    EXPECT_EQ(said[3], kUnpackProblemText);
    EXPECT_EQ(prompt.busyChanges.back(), false);
    EXPECT_EQ(installed(1), "old in");
    EXPECT_EQ(namesIn(places.installDir),
              (Texts{"Help.txt", "InOffice.ini", "OutofOffice.ini", "UserGuide.txt", "zelto-cli"}));
}

// The removal script run by /bin/sh, after `before` (its input, its PATH).
int runScript(const std::string& script, const std::string& before) {
    const std::string quoted = "'" + std::regex_replace(script, std::regex("'"), "'\\''") + "'";
    return std::system((before + " /bin/sh " + quoted + " >/dev/null 2>&1").c_str());
}

// A fresh install asks nothing and unpacks every file whole with its mode, no temporary left;
// its removal script asks before removing and finds a terminal when double-clicked.
TEST_F(Installer, AFreshInstallAndItsRemovalScript) {
    ASSERT_EQ(click(&Progress::AcceptAgreement), -1);
    EXPECT_TRUE(prompt.messages.empty());
    for (std::size_t r = 0; r < kFileNames.size(); ++r) {
        EXPECT_EQ(installed(r), files[r]) << kFileNames[r];
        const bool program = r == 0 || r + 1 == kFileNames.size();
        EXPECT_EQ(modeOf(places.installDir + kFileNames[r]), program ? 0755U : 0644U) << r;
    }
    EXPECT_EQ(namesIn(places.installDir).size(), kFileNames.size());
    EXPECT_TRUE(model->btnCloseScreen.visible());
    EXPECT_EQ(modeOf(places.desktopDir + "Zelto.desktop"), 0755U);
    EXPECT_EQ(modeOf(places.desktopDir + "Zelto_remove.sh"), 0755U);
    tmp.write(kHome + "Zelto/RunLog.Txt", "a log the program wrote");
    tmp.write(kHome + "ZeltoOther.txt", "a neighbour");
    tmp.write(kHome + "Desktop/Other.desktop", "another launcher");
    const std::string script = places.desktopDir + "Zelto_remove.sh";

    // What a file manager gives a double-clicked script: no terminal, input from /dev/null.
    struct Case {
        const char* tool;
        int status;
        std::string recorded;
    };
    for (const Case& k : std::vector<Case>{
             {"x-terminal-emulator", 0, "-e /bin/sh " + script + "\n"},
             {"notify-send", 1,
              "Zelto Zelto_remove.sh needs a terminal for its questions and none was found. Open "
              "a terminal and type: sh '" +
                  script + "'\n"}}) {
        const std::string bin = tmp.path() + k.tool + "-bin/";
        fs::create_directories(bin);
        tmp.write(std::string(k.tool) + "-bin/" + k.tool,
                  "#!/bin/sh\necho \"$@\" > '" + bin + "args'\n");
        fs::permissions(bin + k.tool, fs::perms::owner_all);
        EXPECT_EQ(WEXITSTATUS(runScript(script, "PATH='" + bin + "' </dev/null")), k.status);
        EXPECT_EQ(tmp.read(std::string(k.tool) + "-bin/args"), k.recorded) << k.tool;
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
