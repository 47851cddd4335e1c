#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

using test::ProfileFixture;

constexpr const char* kIniProblem =
    "Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end";

struct LoadProfileTest : ProfileFixture {};

TEST_F(LoadProfileTest, ReadsBannerHeadersMessagesAndItemsInFileOrder) {
    writeProfile("OutofOffice.ini", {"whatever heading", "  Help desk 555 1234  ", "  [Gateway]  ",
                                     "  msg kept  ", "  10.0.0.1  ", "host.example:80", "",
                                     "AutoConfig", "[ Mail Server ]", "[x]", "[]", " "});
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(cell(0, 0, 0), "1) Loop Back");
    EXPECT_EQ(cell(0, 0, 1), "127.0.0.1");
    EXPECT_EQ(cell(0, 0, 4), "  Help desk 555 1234  ");  // banner untrimmed
    EXPECT_EQ(cell(0, 0, 5), "use your network device for TCP/IP networking");
    EXPECT_EQ(cell(0, 1, 0), "2) Gateway");
    EXPECT_EQ(cell(0, 1, 5), "  msg kept  ");  // message line untrimmed
    EXPECT_EQ(cell(0, 1, 1), "10.0.0.1");
    EXPECT_EQ(cell(0, 1, 2), "host.example:80");
    EXPECT_EQ(cell(0, 1, 3), "");            // a blank line is an empty item
    EXPECT_EQ(cell(0, 1, 4), "AutoConfig");  // keyword case kept
    // The line after a header is its message, even when it looks like a header.
    EXPECT_EQ(cell(0, 2, 0), "3)  Mail Server ");
    EXPECT_EQ(cell(0, 2, 5), "[x]");
    EXPECT_EQ(cell(0, 3, 0), "4) ");
    EXPECT_EQ(cell(0, 3, 5), " ");
    EXPECT_EQ(cell(0, 4, 0), "Blank!");
    EXPECT_EQ(cell(0, 2, 1), "Blank!");
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(session.TestCount, 4);
    EXPECT_EQ(w.Banner.text(), "Configured by   Help desk 555 1234  ");
}

TEST_F(LoadProfileTest, AcceptsLfOnlyAndLoneCrLineEndsAndANoEolLastLine) {
    for (const char* eol : {"\n", "\r"}) {
        writeProfile("OutofOffice.ini", {"[Configured By]", "Desk", "[DNS]", "m", "1.1.1.1"}, eol);
        ASSERT_FALSE(loadEnds()) << "eol " << static_cast<int>(eol[0]);
        EXPECT_EQ(cell(0, 1, 0), "2) DNS");
        EXPECT_EQ(cell(0, 1, 1), "1.1.1.1");
        EXPECT_EQ(cell(0, 1, 2), "Blank!");
    }
    dir.write("OutofOffice.ini", "[Configured By]\r\nDesk\r\n[DNS]\r\nm\r\n8.8.8.8");
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(cell(0, 1, 1), "8.8.8.8");
}

TEST_F(LoadProfileTest, ItemsBeforeTheFirstHeaderReplaceTheLoopBackAddress) {
    writeProfile("OutofOffice.ini", {"h", "b", "127.0.0.2", "[Gateway]", "m"});
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(cell(0, 0, 1), "127.0.0.2");
    EXPECT_EQ(cell(0, 1, 1), "Blank!");
}

TEST_F(LoadProfileTest, TwoLinesOnlyGiveTheLoopBackTestAlone) {
    writeProfile("OutofOffice.ini", {"h", "b"});
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(session.TestCount, 1);
    EXPECT_TRUE(w.Test[0].visible());
    EXPECT_FALSE(w.Test[1].visible());
}

TEST_F(LoadProfileTest, SevenTestsLoad) {
    std::vector<std::string> lines{"h", "b"};
    for (int i = 1; i <= 7; ++i) {
        lines.push_back("[T" + std::to_string(i) + "]");
        lines.push_back("m");
        lines.push_back("10.0.0." + std::to_string(i));
    }
    writeProfile("OutofOffice.ini", lines);
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(cell(0, 7, 0), "8) T7");
    EXPECT_EQ(session.TestCount, 8);
}

// What stands where the profile should be: its lines, nothing, or no regular file at all.
enum class Place { Lines, Missing, Folder, Fifo };

struct BrokenProfile {
    const char* name;
    std::vector<std::string> lines;
    Place place;
    std::string firstMessage;  // after "Error for Zelto: File error for <path> "
};

struct LoadFailureTest : ProfileFixture, ::testing::WithParamInterface<BrokenProfile> {};

TEST_P(LoadFailureTest, EndsTheProgramWithTheTwoMessagesAndShowsNothing) {
    const BrokenProfile& p = GetParam();
    const std::string path = dir.path() + "OutofOffice.ini";
    if (p.place == Place::Lines) {
        writeProfile("OutofOffice.ini", p.lines);
    } else if (p.place == Place::Folder) {
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    } else if (p.place == Place::Fifo) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);  // must be refused, not waited on
    }
    ASSERT_TRUE(loadEnds());
    EXPECT_NE(endStatus, 0);
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(prompt.messages[0].title, "Zelto");
    EXPECT_EQ(prompt.messages[0].text,
              "Error for Zelto: File error for " + path + " . Description=" + p.firstMessage);
    EXPECT_EQ(prompt.messages[1].text, kIniProblem);
    EXPECT_EQ(prompt.messages[1].buttons, ui::Buttons::Ok);
    EXPECT_FALSE(w.window.visible());
    EXPECT_EQ(w.Banner.text(), "");
    EXPECT_TRUE(net.modes.empty());  // never got as far as showing the tests
}

std::vector<std::string> eightTests() {
    std::vector<std::string> lines{"h", "b"};
    for (int i = 1; i <= 8; ++i) {
        lines.push_back("[T" + std::to_string(i) + "]");
        lines.push_back("m");
    }
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFailureTest,
    ::testing::Values(
        BrokenProfile{"Missing", {}, Place::Missing, "No such file or directory - Error number=2"},
        BrokenProfile{"Folder", {}, Place::Folder, "Is a directory - Error number=21"},
        BrokenProfile{"Fifo", {}, Place::Fifo, "Invalid argument - Error number=22"},
        BrokenProfile{
            "OneLine", {"only"}, Place::Lines, "Input past end of file - Error number=62"},
        BrokenProfile{"HeaderLast",
                      {"h", "b", "[Gateway]"},
                      Place::Lines,
                      "Input past end of file - Error number=62"},
        BrokenProfile{"EighthHeader", eightTests(), Place::Lines,
                      "Subscript out of range - Error number=9"}),
    [](const auto& p) { return p.param.name; });

TEST_F(LoadProfileTest, AFifthItemEndsTheProgramWithTheProblemMessage) {
    writeProfile("InOffice.ini", {"h", "b", "[Mail]", "m", "a", "", "c", "d", "e"});
    ASSERT_TRUE(loadEnds(1));
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "Check the InOffice.ini file.  It has a problem");
    EXPECT_EQ(prompt.messages[0].title, "Zelto");
    EXPECT_FALSE(w.window.visible());
}

TEST_F(LoadProfileTest, AReloadRebuildsTheWholeSlot) {
    writeProfile("OutofOffice.ini", {"h", "b", "[A]", "m", "1.1.1.1", "[B]", "m", "2.2.2.2"});
    ASSERT_FALSE(loadEnds());
    writeProfile("OutofOffice.ini", {"h", "b2", "[A]", "m"});
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(cell(0, 1, 1), "Blank!");
    EXPECT_EQ(cell(0, 2, 0), "Blank!");
    EXPECT_EQ(cell(0, 0, 4), "b2");
}

}  // namespace
}  // namespace zelto::profiles
