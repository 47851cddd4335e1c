#include "help/ReadSqBrackFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "profiles/TextFile.h"
#include "support/TempDir.h"

namespace zelto::help {
namespace {

TEST(SectionText, MatchesHeadersExactlyButWithoutRegardToCase) {
    const std::vector<std::string> lines{"Text before any header",
                                         "[Gateway]",
                                         "Check the cable.",
                                         "",
                                         "[Gateway] ",
                                         "[DNS]",
                                         "[gateway]",
                                         "Never reached.",
                                         "[All]",
                                         "Named All.",
                                         "[ Mail ]",
                                         "Spaced.",
                                         "[Intranet]",
                                         "Connect the VPN.",
                                         "Last line."};
    const std::vector<std::pair<std::string, std::string>> cases{
        // Blank lines and a header with a trailing space are body; the first match wins.
        {"GATEWAY", "Check the cable.\r\n\r\n[Gateway] \r\n"},
        {"DNS", ""},
        {"All", "Named All.\r\n"},  // only "all" means the whole file
        {" Mail ", "Spaced.\r\n"},
        {"Mail", ""},
        {"intranet", "Connect the VPN.\r\nLast line.\r\n"},  // CR LF after the last line too
        {"Text before any header", ""},
        {"Printer", ""}};
    for (const auto& [section, text] : cases)
        EXPECT_EQ(sectionText(lines, section), text) << section;
    std::string whole;
    for (const std::string& line : lines)
        whole += line + "\r\n";
    EXPECT_EQ(sectionText(lines, "all"), whole);
}

TEST(ReadSqBrackFile, ReadsAnyLineEndAndReportsAnUnreadableFileOnce) {
    test::TempDir dir;
    profiles::Session s;
    s.InstallDir = dir.path();
    ui::ScriptedPrompter p;
    for (const std::string e : {"\r\n", "\n", "\r"}) {
        dir.write(kHelpFile, "[DHCP]" + e + "Renew." + e + "[DNS]" + e);
        EXPECT_EQ(ReadSqBrackFile(s, p, kHelpFile, "dhcp"), "Renew.\r\n") << e.size();
    }
    EXPECT_TRUE(p.messages.empty());

    std::string text = "kept";
    ReadSqBrackFile(s, p, kUserGuideFile, "Purpose", text);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(s.FilePath, dir.path() + "UserGuide.txt");
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text, "Error for Zelto: File error for " + dir.path() +
                                      "UserGuide.txt . Description=No such file or directory - "
                                      "Error number=2");

    // A folder of the name opens but cannot be read: the same message, no crash.
    ASSERT_EQ(::mkdir((dir.path() + kUserGuideFile).c_str(), 0755), 0);
    p.messages.clear();
    EXPECT_EQ(ReadSqBrackFile(s, p, kUserGuideFile, "Purpose"), "");
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text, "Error for Zelto: File error for " + dir.path() +
                                      "UserGuide.txt . Description=Is a directory - Error "
                                      "number=21");
}

// The bundled texts answer every lookup the program makes, and keep CR LF line ends.
TEST(BundledTexts, HaveEverySectionTheProgramAsksFor) {
    profiles::Session s;
    s.InstallDir = std::string(ZELTO_DATA_DIR) + "/";
    ui::ScriptedPrompter p;
    std::vector<std::string> topics{"Loop Back", "IPAddress", "No Network Adapters",
                                    "Reboot Check Adapters", "No IP and DHCP Disabled"};
    for (const char* profile : {"OutofOffice.ini", "InOffice.ini"}) {
        const profiles::ReadLinesResult read = profiles::readLines(s.InstallDir + profile);
        for (std::size_t i = 2; i < read.lines.size(); ++i) {
            if (std::optional<std::string> name = headerName(read.lines[i]))
                topics.push_back(*name);
        }
    }
    EXPECT_GE(topics.size(), 10u);
    for (const std::string& topic : topics)
        EXPECT_NE(ReadSqBrackFile(s, p, kHelpFile, topic), "") << topic;
    for (const char* chapter : {"Purpose", "Using Zelto", "Installation", "Configuration",
                                "Configuration File Layout", "Contact/Cost", "License warranty"})
        EXPECT_NE(ReadSqBrackFile(s, p, kUserGuideFile, chapter), "") << chapter;
    for (const char* file : {kHelpFile, kUserGuideFile}) {
        std::ifstream in(s.InstallDir + file, std::ios::binary);
        const std::string raw((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        EXPECT_EQ(raw, ReadSqBrackFile(s, p, file, "all")) << file;  // no lone LF or CR
    }
    EXPECT_TRUE(p.messages.empty());
}

}  // namespace
}  // namespace zelto::help
