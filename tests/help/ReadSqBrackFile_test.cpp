#include "help/ReadSqBrackFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "profiles/TextFile.h"
#include "support/TempDir.h"
#include "system/linux/WholeFile.h"

namespace zelto::help {
namespace {

TEST(SectionText, MatchesHeadersExactlyButWithoutRegardToCase) {
    const std::vector<std::string> lines{
        "[Gateway]", "Cable.", "",         "[Gateway] ", "[DNS]",      "[gateway]", "Never.",
        "[All]",     "All.",   "[ Mail ]", "Spaced.",    "[Intranet]", "Last."};
    const std::pair<const char*, std::string> cases[] = {
        // Blank lines and a header with a trailing space are body; the first match wins.
        {"GATEWAY", "Cable.\r\n\r\n[Gateway] \r\n"},
        {"All", "All.\r\n"},  // only "all" means the whole file (see BundledTexts)
        {"Mail", ""},
        {"intranet", "Last.\r\n"}};
    for (const auto& [section, text] : cases)
        EXPECT_EQ(sectionText(lines, section), text) << section;
}

TEST(ReadSqBrackFile, ReportsAnUnreadableFileOnceAndKeepsTheText) {
    test::TempDir dir;
    profiles::Session s;
    s.InstallDir = dir.path();
    ui::ScriptedPrompter p;
    // A folder of the name opens but cannot be read.
    std::filesystem::create_directory(dir.path() + kUserGuideFile);
    std::string text = "kept";
    ReadSqBrackFile(s, p, kUserGuideFile, "Purpose", text);
    EXPECT_EQ(text, "kept");
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text,
              "Error for Zelto: File error for " + dir.path() +
                  "UserGuide.txt . Description=Is a directory - Error number=21");
}

// The bundled texts answer every lookup the program makes, and keep CR LF line ends.
TEST(BundledTexts, HaveEverySectionTheProgramAsksFor) {
    profiles::Session s;
    s.InstallDir = std::string(ZELTO_DATA_DIR) + "/";
    ui::ScriptedPrompter p;
    std::vector<std::string> topics{"Loop Back", "IPAddress", "No Network Adapters",
                                    "Reboot Check Adapters", "No IP and DHCP Disabled"};
    for (const char* profile : {"OutofOffice.ini", "InOffice.ini"}) {
        const std::vector<std::string> lines = profiles::readLines(s.InstallDir + profile).lines;
        for (std::size_t i = 2; i < lines.size(); ++i)
            if (const std::optional<std::string> name = headerName(lines[i]))
                topics.push_back(*name);
    }
    for (const std::string& topic : topics)
        EXPECT_NE(ReadSqBrackFile(s, p, kHelpFile, topic), "") << topic;
    for (const char* chapter : {"Purpose", "Using Zelto", "Installation", "Configuration",
                                "Configuration File Layout", "Contact/Cost", "License warranty"})
        EXPECT_NE(ReadSqBrackFile(s, p, kUserGuideFile, chapter), "") << chapter;
    for (const char* file : {kHelpFile, kUserGuideFile})  // no lone LF or CR
        EXPECT_EQ(system::readWholeFile(s.InstallDir + file, 1 << 20).bytes,
                  ReadSqBrackFile(s, p, file, "all"))
            << file;
}

}  // namespace
}  // namespace zelto::help
