#include <gtest/gtest.h>

#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

struct SaveProfile : test::ProfileFixture {
    /// Saves slot 0, answering `answer` to the question; true when the program ended.
    bool saveEnds(ui::Answer answer = ui::Answer::Yes) {
        prompt.answers = {answer};
        try {
            SaveProfileFile(ctx);
        } catch (const ui::ProgramEnded& e) {
            endStatus = e.status;
            return true;
        }
        return false;
    }
};

TEST_F(SaveProfile, WritesTheLoadersFormatAfterAskingOnce) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1"});
    writeProfile("OutofOffice.ini",
                 {"old heading", " Desk 1 ", "[ Gateway]", " ", "learn&save", "[Mail]", "",
                  "mail.example:25", "", "10.0.0.9", "10.0.0.10", "[Empty]", "m"});
    ASSERT_FALSE(loadEnds());
    ASSERT_FALSE(saveEnds());
    EXPECT_EQ(dir.read("OutofOffice.ini"),
              "[Configured By]\r\n Desk 1 \r\n[ Gateway]\r\n \r\nlearn&save\r\n[Mail]\r\n\r\n"
              "mail.example:25\r\n\r\n10.0.0.9\r\n10.0.0.10\r\n[Empty]\r\nm\r\n");
    const ui::Message& q = prompt.messages.back();
    EXPECT_EQ(q.title, "Save to File");
    EXPECT_EQ(q.text, "Do you want to update the contents of the " + dir.path() +
                          "OutofOffice.ini configuration file.  This is permanent. ");
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(SaveProfile, LearntAddressesReplaceTheKeywordInTheFile) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1", "10.0.0.2"});
    writeProfile("OutofOffice.ini", {"h", "b", "[Gateway]", "m", "learn&save"});
    prompt.answers = {ui::Answer::Yes, ui::Answer::Yes};  // the offer, then the save question
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(dir.read("OutofOffice.ini"),
              "[Configured By]\r\nb\r\n[Gateway]\r\nm\r\n10.0.0.1\r\n10.0.0.2\r\n");
    prompt.messages.clear();
    ASSERT_FALSE(loadEnds());
    EXPECT_TRUE(prompt.messages.empty());  // nothing left to learn at the next start
}

TEST_F(SaveProfile, NoWritesNothing) {
    writeProfile("OutofOffice.ini", {"h", "b", "[A]", "m", "1.2.3.4"});
    ASSERT_FALSE(loadEnds());
    session.Table.at(0, 1, 1) = "5.6.7.8";
    ASSERT_FALSE(saveEnds(ui::Answer::No));
    EXPECT_EQ(dir.read("OutofOffice.ini"), "h\r\nb\r\n[A]\r\nm\r\n1.2.3.4\r\n");
    EXPECT_TRUE(prompt.busyChanges.empty());
}

TEST_F(SaveProfile, AFolderThatIsGoneGivesTheTwoMessagesAndEnds) {
    writeProfile("InOffice.ini", {"h", "b"});
    ASSERT_FALSE(loadEnds(1));
    session.InstallDir = dir.path() + "gone/";
    prompt.answers = {ui::Answer::Yes};
    EXPECT_THROW(SaveProfileFile(ctx), ui::ProgramEnded);
    ASSERT_EQ(prompt.messages.size(), 3U);
    EXPECT_EQ(prompt.messages[1].text, "Error for Zelto: File error for " + dir.path() +
                                           "gone/InOffice.ini . Description=No such file or "
                                           "directory - Error number=2");
    EXPECT_EQ(prompt.messages[2].text,
              "Problems with ini file, Office.ini or OutOfOffice.ini.  Progam will end");
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace zelto::profiles
