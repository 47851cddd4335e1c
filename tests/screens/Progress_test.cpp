#include "screens/Progress.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "package/CopyShortCuts.h"
#include "package/PackUnpack.h"
#include "support/FailingCalls.h"
#include "support/TempDir.h"

namespace zelto::package {
namespace {

namespace fs = std::filesystem;
using ui::Answer;
using ui::Buttons;
using ui::Message;

std::string pack(const std::vector<std::string>& files) {
    std::string out;
    for (const std::string& f : files) {
        out += f;
        Trailer t = *WriteLengthTrailer(static_cast<std::uint32_t>(f.size()));
        out.append(t.begin(), t.end());
    }
    return out;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder))
        return names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Installer : public ::testing::Test {
  protected:
    Installer() {
        // A home folder whose name needs quoting in the launcher and in the script.
        home = tmp.path() + "it's my $home/";
        fs::create_directories(home);
        places.package = tmp.write("Setup.run", pack(files));
        places.installDir = home + "Zelto/";
        places.desktopDir = home + "Desktop/";
    }
    std::string installed(std::size_t record) const {
        return slurp(places.installDir + kFileNames[record]);
    }
    std::string desktop(const char* name) const { return home + "Desktop/" + name; }
    Progress& start() {
        model = std::make_unique<Progress>(places, prompt, end, calls);
        model->repaint = [this] {
            // One letter per file line, records in order: Red, Orange or Green.
            std::string line;
            for (std::size_t i = 1; i <= kFileNames.size(); ++i) {
                const ui::Color c = model->FileNam[i].color();
                line += c == ui::kRed ? 'R' : c == kOrange ? 'O' : c == ui::kGreen ? 'G' : '?';
            }
            paints.push_back(line);
        };
        model->ShowAgreement();
        return *model;
    }
    int accept() {
        try {
            model->AcceptAgreement.click();
        } catch (const ui::ProgramEnded& e) {
            return e.status;
        }
        return -1;
    }
    std::vector<std::string> failureTexts(const std::string& path, profiles::FileError e) {
        return {profiles::fileErrorMessage(path, e), kUnpackProblemText};
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const Message& m : prompt.messages)
            t.push_back(m.text);
        return t;
    }

    test::TempDir tmp;
    std::string home;
    InstallPlaces places;
    const std::vector<std::string> files{
        "\x7f"
        "ELF program bytes",
        "[In]\r\n",
        "[Out]\r\n",
        "[Guide]\r\n",
        "[Help]\r\n",
        "\x7f"
        "ELF cli bytes"};
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    test::FailingCalls calls;
    std::unique_ptr<Progress> model;
    std::vector<std::string> paints;
};

TEST_F(Installer, TheAgreementComesFirstAndDecliningInstallsNothing) {
    Progress& p = start();
    EXPECT_TRUE(p.window.visible());
    EXPECT_EQ(p.window.caption(), "Unpack Zelto Files from Setup.run");
    EXPECT_EQ(p.FileNam[0].text(), "Accept or Decline the Zelto Agreement");
    EXPECT_TRUE(p.Agreement.visible());
    EXPECT_NE(p.Agreement.text().find("warranty"), std::string::npos);
    EXPECT_TRUE(p.AcceptAgreement.visible());
    EXPECT_TRUE(p.DeclineAgreement.visible());
    EXPECT_FALSE(p.btnCloseScreen.visible());
    EXPECT_FALSE(p.FileNam[Progress::kFolderLine].visible());
    for (std::size_t i = 1; i <= kFileNames.size(); ++i)
        EXPECT_FALSE(p.FileNam[i].visible()) << i;

    try {
        p.DeclineAgreement.click();
        FAIL() << "declining must end the program";
    } catch (const ui::ProgramEnded& e) {
        EXPECT_EQ(e.status, 0);
    }
    EXPECT_EQ(prompt.messages, (std::vector<Message>{{ui::kAppTitle, kDeclinedText, Buttons::Ok}}));
    EXPECT_FALSE(fs::exists(places.installDir));
    EXPECT_TRUE(namesIn(home).empty());
}

TEST_F(Installer, AFreshInstallUnpacksEveryFileLastFirstAndPutsTheLauncherAndScriptOnTheDesktop) {
    Progress& p = start();
    EXPECT_EQ(accept(), -1);
    EXPECT_TRUE(prompt.messages.empty()) << "a fresh PC asks nothing";
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));

    for (std::size_t r = 0; r < kFileNames.size(); ++r) {
        EXPECT_EQ(installed(r), files[r]) << kFileNames[r];
        EXPECT_EQ(p.FileNam[r + 1].text(), "Unpacked " + places.installDir + kFileNames[r]);
        EXPECT_EQ(p.FileNam[r + 1].color(), ui::kGreen);
    }
    EXPECT_EQ(modeOf(places.installDir + "zelto"), 0755U);
    EXPECT_EQ(modeOf(places.installDir + "zelto-cli"), 0755U);
    EXPECT_EQ(modeOf(places.installDir + "Help.txt"), 0644U);
    EXPECT_EQ(namesIn(places.installDir).size(), kFileNames.size()) << "no temporary is left";

    // Red first, then each file orange and green in turn, from the last record to the first.
    const std::vector<std::string> expectedPaints{
        "RRRRRR", "RRRRRR", "RRRRRR", "RRRRRO", "RRRRRG", "RRRROG", "RRRRGG", "RRROGG", "RRRGGG",
        "RROGGG", "RRGGGG", "ROGGGG", "RGGGGG", "OGGGGG", "GGGGGG", "GGGGGG", "GGGGGG"};
    EXPECT_EQ(paints, expectedPaints);

    const ui::Label& folder = p.FileNam[Progress::kFolderLine];
    EXPECT_TRUE(folder.visible());
    EXPECT_EQ(folder.color(), ui::kGreen);
    EXPECT_NE(folder.text().find(places.installDir), std::string::npos);
    EXPECT_FALSE(p.Agreement.visible());
    EXPECT_FALSE(p.AcceptAgreement.visible());
    EXPECT_TRUE(p.btnCloseScreen.visible());

    EXPECT_EQ(slurp(desktop("Zelto.desktop")), launcherText(places.installDir + "zelto"));
    EXPECT_EQ(modeOf(desktop("Zelto.desktop")), 0755U);
    EXPECT_EQ(slurp(desktop("Zelto_remove.sh")),
              removalScript(places.installDir, desktop("Zelto.desktop")));
    EXPECT_EQ(modeOf(desktop("Zelto_remove.sh")), 0755U);
}

TEST_F(Installer, AnOlderPackageWithoutTheCommandLineCheckerStillInstalls) {
    tmp.write("Setup.run", pack({files.begin(), files.end() - 1}));
    Progress& p = start();
    EXPECT_EQ(accept(), -1);
    EXPECT_TRUE(prompt.messages.empty());
    for (std::size_t r = 0; r + 1 < kFileNames.size(); ++r)
        EXPECT_EQ(installed(r), files[r]) << kFileNames[r];
    EXPECT_FALSE(fs::exists(places.installDir + "zelto-cli"));
    EXPECT_FALSE(p.FileNam[6].visible());
    EXPECT_TRUE(p.btnCloseScreen.visible());
}

TEST_F(Installer, TheFolderLineTellsWhetherTheFolderWasMadeBeforeTheFilesAreCopied) {
    Progress& p = start();
    std::vector<std::string> folderLines;
    p.FileNam[Progress::kFolderLine].changed.connect(
        [&] { folderLines.push_back(p.FileNam[Progress::kFolderLine].text()); });
    accept();
    ASSERT_GE(folderLines.size(), 3U);
    EXPECT_EQ(folderLines[1], "Creating Folder.  " + places.installDir);
    EXPECT_EQ(folderLines[2], "Creating Folder.  " + places.installDir +
                                  ".       zelto and support files will be copied to " +
                                  places.installDir);
}

TEST_F(Installer, OverAnInstallationItAsksFirstAndKeepsTheProfilesTheUserKeeps) {
    fs::create_directories(places.installDir);
    for (std::size_t r = 0; r < kFileNames.size(); ++r)
        tmp.write("it's my $home/Zelto/" + std::string(kFileNames[r]),
                  "old " + std::string(kFileNames[r]));
    fs::create_directories(places.desktopDir);
    tmp.write("it's my $home/Desktop/Zelto_remove.sh", "old script");
    // Continue, keep OutofOffice.ini (asked first: records go last to first), replace InOffice.
    prompt.answers = {Answer::Yes, Answer::Yes, Answer::No};
    Progress& p = start();
    EXPECT_EQ(accept(), -1);

    const std::string dir = places.installDir;
    EXPECT_EQ(prompt.messages,
              (std::vector<Message>{
                  {"Go",
                   "Setup.run will write over existing files in " + dir +
                       ". Do you want to continue (No ends the program)",
                   Buttons::YesNo},
                  {"Go", "Do you want to keep your current OutofOffice.ini", Buttons::YesNo},
                  {"Go", "Do you want to keep your current InOffice.ini", Buttons::YesNo}}));
    EXPECT_EQ(installed(2), "old OutofOffice.ini");
    EXPECT_EQ(p.FileNam[3].text(), "Not Unpacked " + dir + "OutofOffice.ini");
    EXPECT_EQ(p.FileNam[3].color(), ui::kRed);
    for (std::size_t r : {0U, 1U, 3U, 4U, 5U}) {
        EXPECT_EQ(installed(r), files[r]) << kFileNames[r];
        EXPECT_EQ(p.FileNam[r + 1].color(), ui::kGreen);
    }
    EXPECT_EQ(slurp(desktop("Zelto_remove.sh")), removalScript(dir, desktop("Zelto.desktop")));
}

TEST_F(Installer, NoToTheOverwriteQuestionEndsWithEverythingUntouched) {
    fs::create_directories(places.installDir);
    tmp.write("it's my $home/Zelto/zelto", "working program");
    prompt.answers = {Answer::No};
    start();
    EXPECT_EQ(accept(), 0);
    EXPECT_EQ(installed(0), "working program");
    EXPECT_EQ(prompt.messages.size(), 1U);
    EXPECT_FALSE(fs::exists(places.desktopDir));
}

TEST_F(Installer, ADamagedPackageIsRefusedBeforeAnythingIsWritten) {
    const std::string good = pack(files);
    const std::vector<std::pair<const char*, std::string>> damaged{
        {"cut short", good.substr(0, good.size() - 10)},
        {"data appended", good + "appended"},
        {"no package at all",
         "\x7f"
         "ELF just a program"},
    };
    fs::create_directories(places.installDir);
    tmp.write("it's my $home/Zelto/zelto", "working program");
    for (const auto& [what, bytes] : damaged) {
        tmp.write("Setup.run", bytes);
        prompt.messages.clear();
        prompt.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
        start();
        EXPECT_EQ(accept(), 1) << what;
        EXPECT_EQ(
            texts(),
            failureTexts(places.package,
                         {EBADMSG, "The package at the end of this file is damaged or incomplete"}))
            << what;
        EXPECT_EQ(namesIn(places.installDir), std::vector<std::string>{"zelto"}) << what;
        EXPECT_EQ(installed(0), "working program") << what;
        EXPECT_FALSE(fs::exists(places.desktopDir)) << what;
    }

    places.package = tmp.path() + "missing.run";
    prompt.messages.clear();
    start();
    EXPECT_EQ(accept(), 1);
    EXPECT_EQ(texts(), failureTexts(places.package, profiles::systemError(ENOENT)));
}

TEST_F(Installer, AWriteThatFailsEndsWithTheTwoMessagesKeepingWhatWasWritten) {
    fs::create_directories(places.installDir);
    tmp.write("it's my $home/Zelto/InOffice.ini", "old in");
    prompt.answers = {Answer::Yes, Answer::No};
    // zelto-cli, Help.txt, UserGuide.txt and OutofOffice.ini fit; InOffice.ini does not.
    calls.writeBudget = files[5].size() + files[4].size() + files[3].size() + files[2].size() + 2;
    start();
    EXPECT_EQ(accept(), 1);
    const std::string dir = places.installDir;
    ASSERT_EQ(prompt.messages.size(), 4U);
    EXPECT_EQ(prompt.messages[2].text,
              profiles::fileErrorMessage(dir + "InOffice.ini", profiles::systemError(ENOSPC)));
    EXPECT_EQ(prompt.messages[3].text, kUnpackProblemText);
    EXPECT_EQ(prompt.busyChanges.back(), false);
    EXPECT_EQ(installed(4), files[4]);
    EXPECT_EQ(installed(2), files[2]);
    EXPECT_EQ(installed(1), "old in") << "the old file stays whole";
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"Help.txt", "InOffice.ini", "OutofOffice.ini",
                                                      "UserGuide.txt", "zelto-cli"}));
}

TEST_F(Installer, ClosingTheWindowEndsTheInstallerOnlyWhenItIsNotWriting) {
    Progress& p = start();
    bool triedDuringUnpack = false;
    p.repaint = [&] {
        if (triedDuringUnpack || !p.FileNam[6].text().starts_with("Unpacking"))
            return;
        triedDuringUnpack = true;
        p.Form_Unload();  // must return: the unpacking goes on
    };
    EXPECT_EQ(accept(), -1);
    EXPECT_TRUE(triedDuringUnpack);
    EXPECT_EQ(installed(0), files[0]);
    EXPECT_THROW(p.Form_Unload(), ui::ProgramEnded);
}

std::string shellWord(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The removal script is run by /bin/sh with answers on its input.
int runScript(const std::string& script, const std::string& answers) {
    const std::string command = "printf '" + answers + "' | sh '" + script + "' >/dev/null";
    return std::system(command.c_str());
}

TEST_F(Installer, TheRemovalScriptRemovesWhatWasInstalledAfterAskingAndNothingElse) {
    start();
    ASSERT_EQ(accept(), -1);
    tmp.write("it's my $home/Zelto/RunLog.Txt", "a log the program wrote");
    tmp.write("it's my $home/ZeltoOther.txt", "a neighbour");
    tmp.write("it's my $home/Desktop/Other.desktop", "another launcher");
    const std::string script = tmp.path() + "remove.sh";
    fs::copy_file(desktop("Zelto_remove.sh"), script);

    ASSERT_EQ(runScript(script, "n\\nn\\n\\n"), 0);
    EXPECT_EQ(namesIn(places.installDir).size(), kFileNames.size() + 1) << "No keeps it all";
    EXPECT_TRUE(fs::exists(desktop("Zelto.desktop")));

    ASSERT_EQ(runScript(script, "y\\ny\\n\\n"), 0);
    EXPECT_FALSE(fs::exists(places.installDir));
    EXPECT_EQ(namesIn(home), (std::vector<std::string>{"Desktop", "ZeltoOther.txt"}));
    EXPECT_EQ(namesIn(places.desktopDir),
              (std::vector<std::string>{"Other.desktop", "Zelto_remove.sh"}));
}

TEST_F(Installer, TheRemovalScriptStartedWithoutATerminalReopensInOneOrSaysItNeedsOne) {
    start();
    ASSERT_EQ(accept(), -1);
    const std::string script = desktop("Zelto_remove.sh");
    // What a file manager gives a double-clicked script: no terminal, input from /dev/null.
    struct Case {
        const char* tool;
        int status;
        std::string recorded;
    };
    const std::vector<Case> cases{
        {"x-terminal-emulator", 0, "-e /bin/sh " + script + "\n"},
        {"notify-send", 1,
         "Zelto Zelto_remove.sh needs a terminal for its questions and none was found. Open a "
         "terminal and type: sh '" +
             script + "'\n"},
    };
    for (const Case& c : cases) {
        const std::string bin = tmp.path() + c.tool + "-bin/";
        fs::create_directories(bin);
        tmp.write(std::string(c.tool) + "-bin/" + c.tool,
                  "#!/bin/sh\necho \"$@\" > '" + bin + "args'\n");
        fs::permissions(bin + c.tool, fs::perms::owner_all);
        const std::string command =
            "PATH='" + bin + "' /bin/sh " + shellWord(script) + " </dev/null >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(status), c.status) << c.tool;
        EXPECT_EQ(slurp(bin + "args"), c.recorded) << c.tool;
        EXPECT_TRUE(fs::exists(places.installDir + "zelto")) << c.tool;
    }
}

TEST(Launcher, StartsTheInstalledProgramEvenFromAFolderWithAwkwardCharacters) {
    const std::string text = launcherText("/home/a b/100%\"$x\\/Zelto/zelto");
    EXPECT_EQ(text.substr(0, 16), "[Desktop Entry]\n");
    for (const char* line :
         {"\nType=Application\n", "\nName=Zelto\n", "\nComment=Zelto\n", "\nIcon=network-wired\n",
          "\nExec=\"/home/a b/100%%\\\\\"\\\\$x\\\\\\\\/Zelto/zelto\"\n",
          "\nPath=/home/a b/100%\"$x\\\\/Zelto/\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace zelto::package
