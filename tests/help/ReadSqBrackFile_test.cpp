#include "help/ReadSqBrackFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "profiles/TextFile.h"
#include "support/TempDir.h"

namespace zelto::help {
namespace {

// A help file as a help desk might write it: text before the first header, a header with a
// trailing space that is no header, blank lines in a body, a last section without a line end.
const std::vector<std::string> kLines{"Northgate help, edited 6 December",
                                      "[Loop Back]",
                                      "Restart your PC.",
                                      "",
                                      "Then run the tests again.",
                                      "[Gateway]",
                                      "Check the cable.",
                                      "[Gateway] ",
                                      "(the line above is text)",
                                      "[DNS]",
                                      "[gateway]",
                                      "A second Gateway section is never reached.",
                                      "[All]",
                                      "The section named All.",
                                      "[ Mail ]",
                                      "Spaces inside brackets belong to the name.",
                                      "[]",
                                      "The section with no name.",
                                      "[Intranet]",
                                      "Connect the VPN.",
                                      "Last line."};

struct Case {
    const char* section;
    const char* expected;
};

class SectionText : public ::testing::TestWithParam<Case> {};

TEST_P(SectionText, FindsTheFirstMatchingHeaderAndCollectsToTheNextOne) {
    EXPECT_EQ(sectionText(kLines, GetParam().section), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SectionText,
    ::testing::Values(
        Case{"Loop Back", "Restart your PC.\r\n\r\nThen run the tests again.\r\n"},
        // Case does not matter, and the first match wins over the later "[gateway]".
        Case{"gateway", "Check the cable.\r\n[Gateway] \r\n(the line above is text)\r\n"},
        Case{"GATEWAY", "Check the cable.\r\n[Gateway] \r\n(the line above is text)\r\n"},
        // A header followed at once by the next header has an empty body.
        Case{"DNS", ""},
        // "All" is an ordinary section; only "all" asks for the whole file.
        Case{"All", "The section named All.\r\n"},
        Case{" Mail ", "Spaces inside brackets belong to the name.\r\n"}, Case{"Mail", ""},
        Case{"", "The section with no name.\r\n"},
        // The last section runs to the end, and its last line gets CR LF too.
        Case{"intranet", "Connect the VPN.\r\nLast line.\r\n"}, Case{"Printer", ""},
        // Text before the first header belongs to no section.
        Case{"Northgate help, edited 6 December", ""}));

TEST(SectionText, AllIsTheWholeFileWithItsHeaders) {
    std::string whole;
    for (const std::string& line : kLines)
        whole += line + "\r\n";
    EXPECT_EQ(sectionText(kLines, "all"), whole);
    EXPECT_EQ(sectionText({}, "all"), "");
}

TEST(HeaderName, OnlyABracketFirstAndLastMakesAHeader) {
    EXPECT_EQ(headerName("[Gateway]"), "Gateway");
    EXPECT_EQ(headerName("[]"), "");
    EXPECT_EQ(headerName("[Gateway] "), std::nullopt);
    EXPECT_EQ(headerName(" [Gateway]"), std::nullopt);
    EXPECT_EQ(headerName("["), std::nullopt);
    EXPECT_EQ(headerName("]"), std::nullopt);
    EXPECT_EQ(headerName(""), std::nullopt);
}

class ReadFile : public ::testing::Test {
  protected:
    ReadFile() { session.InstallDir = dir.path(); }

    test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
};

TEST_F(ReadFile, AcceptsEveryLineEndAndNamesTheFile) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
        const std::string e = end;
        dir.write(kHelpFile, "[DHCP]" + e + "Renew." + e + "[DNS]" + e + "Look up." + e);
        session.FilePath.clear();
        EXPECT_EQ(ReadSqBrackFile(session, prompt, kHelpFile, "dhcp"), "Renew.\r\n") << e.size();
        EXPECT_EQ(session.FilePath, dir.path() + "Help.txt");
    }
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(ReadFile, AMissingFileIsReportedOnceAndLeavesTheTextAsItWas) {
    std::string text = "kept";
    ReadSqBrackFile(session, prompt, kUserGuideFile, "Purpose", text);
    EXPECT_EQ(text, "kept");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].title, "Zelto");
    EXPECT_EQ(prompt.messages[0].text,
              profiles::fileErrorMessage(dir.path() + "UserGuide.txt", profiles::systemError(2)));
    EXPECT_EQ(prompt.messages[0].text, "Error for Zelto: File error for " + dir.path() +
                                           "UserGuide.txt . Description=No such file or "
                                           "directory - Error number=2");
}

TEST_F(ReadFile, AMissingSectionIsNoErrorAndAnEditShowsAtOnce) {
    dir.write(kHelpFile, "[Mail]\r\nCheck the VPN.\r\n");
    EXPECT_EQ(ReadSqBrackFile(session, prompt, kHelpFile, "Intranet"), "");
    dir.write(kHelpFile, "[Mail]\r\nCheck the VPN.\r\n[Intranet]\r\nCall us.\r\n");
    EXPECT_EQ(ReadSqBrackFile(session, prompt, kHelpFile, "Intranet"), "Call us.\r\n");
    EXPECT_TRUE(prompt.messages.empty());
}

// The bundled texts must answer every lookup the program makes for the bundled profiles.
class BundledTexts : public ::testing::Test {
  protected:
    BundledTexts() { session.InstallDir = std::string(ZELTO_DATA_DIR) + "/"; }

    std::vector<std::string> profileTestNames(const std::string& file) {
        const profiles::ReadLinesResult read = profiles::readLines(session.InstallDir + file);
        EXPECT_FALSE(read.error) << file;
        std::vector<std::string> names;
        for (std::size_t i = 2; i < read.lines.size(); ++i) {
            if (std::optional<std::string> name = headerName(read.lines[i]))
                names.push_back(*name);
        }
        return names;
    }

    profiles::Session session;
    ui::ScriptedPrompter prompt;
};

TEST_F(BundledTexts, HelpHasEveryTestOfBothProfilesAndEveryAdviceSection) {
    std::vector<std::string> topics{"Loop Back", "IPAddress", "No Network Adapters",
                                    "Reboot Check Adapters", "No IP and DHCP Disabled"};
    for (const char* profile : {"OutofOffice.ini", "InOffice.ini"}) {
        const std::vector<std::string> names = profileTestNames(profile);
        EXPECT_GE(names.size(), 3u) << profile;
        topics.insert(topics.end(), names.begin(), names.end());
    }
    for (const std::string& topic : topics)
        EXPECT_NE(ReadSqBrackFile(session, prompt, kHelpFile, topic), "") << topic;
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(BundledTexts, GuideHasEveryChapterAndBothFilesEndEveryLineWithCrLf) {
    for (const char* chapter : {"Purpose", "Using Zelto", "Installation", "Configuration",
                                "Configuration File Layout", "Contact/Cost", "License warranty"}) {
        EXPECT_NE(ReadSqBrackFile(session, prompt, kUserGuideFile, chapter), "") << chapter;
    }
    for (const char* file : {kHelpFile, kUserGuideFile}) {
        const profiles::ReadLinesResult read = profiles::readLines(session.InstallDir + file);
        std::string crlf;
        for (const std::string& line : read.lines)
            crlf += line + "\r\n";
        EXPECT_EQ(ReadSqBrackFile(session, prompt, file, "all"), crlf) << file;
        // As bytes the file must be exactly that: no lone LF left by an editor.
        std::ifstream in(session.InstallDir + file, std::ios::binary);
        const std::string raw((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        EXPECT_EQ(raw, crlf) << file;
    }
    EXPECT_TRUE(prompt.messages.empty());
}

}  // namespace
}  // namespace zelto::help
