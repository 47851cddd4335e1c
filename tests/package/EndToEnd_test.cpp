#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "package/CopyShortCuts.h"
#include "package/MakeSetup.h"
#include "package/PackUnpack.h"
#include "package/Progress.h"
#include "support/TempDir.h"

namespace zelto::package {
namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The built program and the bundled files go through Make Setup and the installer exactly as
// a help desk and a user would use them; nothing is started, so no probe can leave this PC.
TEST(EndToEnd, ASetupMadeFromTheBuiltProgramInstallsEveryFileByteForByte) {
    const std::string built = std::string(ZELTO_BIN_DIR) + "/zelto";
    ASSERT_TRUE(fs::exists(built)) << built << " is missing: build the zelto target first";

    test::TempDir tmp;
    const std::string program = tmp.path() + "program/";
    fs::create_directories(program);
    fs::copy_file(built, program + "zelto");
    for (std::size_t i = 1; i + 1 < kFileNames.size(); ++i)
        fs::copy_file(std::string(ZELTO_DATA_DIR) + "/" + kFileNames[i], program + kFileNames[i]);
    fs::copy_file(std::string(ZELTO_BIN_DIR) + "/zelto-cli", program + "zelto-cli");

    profiles::Session session;
    session.InstallDir = program;
    ui::ScriptedPrompter prompt;
    system::SystemCalls calls;
    const bool made = MakeSetup(session, program + "zelto", prompt, calls);
    if (fs::file_size(built) > kMaxRecordLength ||
        fs::file_size(program + "zelto-cli") > kMaxRecordLength) {
        // Sanitizer builds outgrow what a trailer can describe: the build must say so.
        EXPECT_FALSE(made);
        ASSERT_FALSE(prompt.messages.empty());
        EXPECT_EQ(prompt.messages[0].text, kTooBigText);
        EXPECT_FALSE(fs::exists(program + kSetupName));
        return;
    }
    ASSERT_TRUE(made) << (prompt.messages.empty() ? "" : prompt.messages.front().text);
    std::uintmax_t total = 0;
    for (const char* name : kFileNames)
        total += fs::file_size(program + name) + kTrailerSize;
    EXPECT_EQ(fs::file_size(program + kSetupName), total);
    EXPECT_EQ(slurp(program + kSetupName).substr(0, fs::file_size(built)), slurp(built))
        << "the package starts with the program, so it runs as the program";

    // The user gets Setup.run somewhere else and installs into a home folder of their own.
    const std::string downloads = tmp.path() + "downloads/";
    fs::create_directories(downloads);
    fs::copy_file(program + kSetupName, downloads + kSetupName);
    InstallPlaces places;
    places.package = downloads + kSetupName;
    places.installDir = tmp.path() + "home/Zelto/";
    places.desktopDir = tmp.path() + "home/Desktop";
    ui::ScriptedPrompter userPrompt;
    ui::ThrowingProgramEnd end;
    Progress installer(places, userPrompt, end, calls);
    installer.ShowAgreement();
    installer.AcceptAgreement.click();

    EXPECT_TRUE(userPrompt.messages.empty());
    for (const char* name : kFileNames)
        EXPECT_EQ(slurp(places.installDir + name), slurp(program + name)) << name;
    struct stat st {};
    ASSERT_EQ(::stat((places.installDir + "zelto").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755U);
    EXPECT_EQ(slurp(places.desktopDir + "/Zelto.desktop"),
              launcherText(places.installDir + "zelto"));
    EXPECT_TRUE(fs::exists(places.desktopDir + "/Zelto_remove.sh"));
}

}  // namespace
}  // namespace zelto::package
