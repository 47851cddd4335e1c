// Loading, learning into and saving a profile, against a temporary program folder.

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

using Texts = std::vector<std::string>;

/// A profile of `n` tests T1 to Tn with LF line ends, test i pinging 10.0.0.i.
std::string numbered(int n) {
    std::string text = "h\nb\n";
    for (int i = 1; i <= n; ++i)
        text += "[T" + std::to_string(i) + "]\nm\n10.0.0." + std::to_string(i) + "\n";
    return text;
}

struct Profile : test::ProfileFixture {
    /// Every box shown since the last call, as "title: text".
    Texts said() {
        Texts out;
        for (const ui::Message& m : prompt.messages)
            out.push_back(m.title + ": " + m.text);
        prompt.messages.clear();
        return out;
    }
    /// Puts a test named `name` with `items` into row 1 and fills it; its items afterwards.
    Texts autoconfig(const std::string& name, const Texts& items) {
        session.Table.at(0, 1, 0) = "2) " + name;
        for (std::size_t f = 1; f <= 4; ++f)
            session.Table.at(0, 1, f) = f <= items.size() ? items[f - 1] : kBlank;
        net.modes.clear();
        AutoconfigTest(ctx, 1);
        return {cell(0, 1, 1), cell(0, 1, 2), cell(0, 1, 3), cell(0, 1, 4)};
    }
    const std::string unable = "Zelto was unable to learn the IP address for test #2) ";
};

// One fixture for all: every load also has to replace what the load before it left.
TEST_F(Profile, LoadsBannerHeadersMessagesAndItemsWhateverTheLineEnds) {
    const auto rows = [this] {  // rows 1 to 7, fields joined by "|"
        Texts out(7);
        for (int r = 1; r <= 7; ++r)
            for (int f = 0; f <= 5; ++f)
                out[r - 1] += (f > 0 ? "|" : "") + cell(0, r, f);
        return out;
    };
    Texts seven;
    for (const std::string i : {"1", "2", "3", "4", "5", "6", "7"})
        seven.push_back(std::to_string(std::stoi(i) + 1) + ") T" + i + "|10.0.0." + i +
                        "|Blank!|Blank!|Blank!|m");
    // A profile; Loop Back's address and the banner; its rows from row 1 on, all further
    // rows empty.
    const std::vector<std::tuple<std::string, std::string, Texts>> cases{
        // Banner and messages untrimmed, headers and items trimmed, a blank line an empty
        // item, and the line after a header its message even when it looks like a header.
        {"heading\r\n  Help desk 555  \r\n  [Gateway]  \r\n  msg kept  \r\n  10.0.0.1  \r\n"
         "host.example:80\r\n\r\nAutoConfig\r\n[ Mail Server ]\r\n[x]\r\n[]\r\n \r\n",
         "127.0.0.1|  Help desk 555  ",
         {"2) Gateway|10.0.0.1|host.example:80||AutoConfig|  msg kept  ",
          "3)  Mail Server |Blank!|Blank!|Blank!|Blank!|[x]", "4) |Blank!|Blank!|Blank!|Blank!| "}},
        {"h\rb\r[DNS]\rm\r8.8.8.8", "127.0.0.1|b", {"2) DNS|8.8.8.8|Blank!|Blank!|Blank!|m"}},
        // Items before the first header replace the Loop Back address.
        {"h\r\nb\r\n127.0.0.2\r\n[A]\r\nm\r\n",
         "127.0.0.2|b",
         {"2) A|Blank!|Blank!|Blank!|Blank!|m"}},
        {numbered(7), "127.0.0.1|b", seven},
        {"h\r\nb\r\n", "127.0.0.1|b", {}},
    };
    for (const auto& [text, loopBack, filled] : cases) {
        dir.write("OutofOffice.ini", text);
        ASSERT_FALSE(loadEnds()) << text;
        EXPECT_EQ(said(), Texts{}) << text;
        EXPECT_EQ(session.TestCount, static_cast<int>(filled.size()) + 1) << text;
        EXPECT_EQ(cell(0, 0, 1) + "|" + cell(0, 0, 4), loopBack) << text;
        Texts expected = filled;
        expected.resize(7, "Blank!|Blank!|Blank!|Blank!|Blank!| ");
        EXPECT_EQ(rows(), expected) << text;
    }
    EXPECT_TRUE(w.Test[0].visible() && !w.Test[1].visible());
}

TEST_F(Profile, ABrokenProfileEndsTheProgramWithItsMessagesAndShowsNothing) {
    const std::string path = dir.path() + "OutofOffice.ini";
    const auto fileError = [&](const std::string& description) {
        return Texts{
            "Zelto: Error for Zelto: File error for " + path + " . Description=" + description,
            "Zelto: Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end"};
    };
    // What stands where the profile should be: nothing, a folder, a FIFO, or these lines.
    const std::vector<std::pair<std::string, Texts>> cases{
        {"", fileError("No such file or directory - Error number=2")},
        {"folder", fileError("Is a directory - Error number=21")},
        {"fifo", fileError("Invalid argument - Error number=22")},  // refused, not waited on
        {"only\n", fileError("Input past end of file - Error number=62")},
        {"h\nb\n[Gateway]\n", fileError("Input past end of file - Error number=62")},
        {numbered(8), fileError("Subscript out of range - Error number=9")},
        {"h\nb\n[Mail]\nm\na\n\nc\nd\ne\n",
         {"Zelto: Check the OutofOffice.ini file.  It has a problem"}},
    };
    for (const auto& [content, messages] : cases) {
        std::filesystem::remove(path);
        if (content == "folder")
            ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
        else if (content == "fifo")
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        else if (!content.empty())
            dir.write("OutofOffice.ini", content);
        ASSERT_TRUE(loadEnds()) << content;
        EXPECT_NE(endStatus, 0);
        EXPECT_EQ(said(), messages) << content;
        // Never got as far as showing the tests.
        EXPECT_TRUE(!w.window.visible() && w.Banner.text().empty() && net.modes.empty());
    }
}

TEST_F(Profile, AutoconfigFillsGatewaysDhcpAndDnsAndRefusesOtherNames) {
    // Gateways in adapter then gateway order, at most four; none from an adapter without an
    // address nor from a route straight onto a link (it has no address to ping).
    net.adapter(1, "10.0.0.5", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}, "10.0.0.1");
    net.adapter(2, "192.168.1.9", {"wg0 (direct link)", "192.168.1.1", "192.168.1.2"}, kBlank);
    net.adapter(3, "", {"172.16.0.1"}, "10.7.0.1");
    net.snap.DnsServers = {"3", kBlank, "1.1.1.1", "9.9.9.9", "8.8.8.8"};
    const Texts gateways{"10.0.0.1", "10.0.0.2", "10.0.0.3", "192.168.1.1"};
    struct Case {
        std::string name;
        Texts items, filled;
        std::size_t told;  // 1: learnt; 2: unable and refused
    };
    const std::vector<Case> cases{
        {"GATEWAY", {"autoconfig"}, gateways, 0},
        {"Dhcp", {"learn&save"}, {"10.0.0.1", kBlank, kBlank, kBlank}, 1},
        {"dns", {"autoconfig", "x", "y", "z"}, {"1.1.1.1", "9.9.9.9", kBlank, "z"}, 0},
        // After the first item the keyword fills in learn&save mode.
        {"Gateway", {"10.1.1.1", "autoconfig"}, gateways, 1},
        {" DNS", {"learn&save"}, {"learn&save", kBlank, kBlank, kBlank}, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(autoconfig(c.name, c.items), c.filled) << c.name;
        EXPECT_EQ(said().size(), c.told) << c.name;
        EXPECT_EQ(net.modes, c.told == 2 ? Texts{} : Texts{lower(c.name)}) << c.name;
    }
    // Nothing to learn keeps the keyword, so that a run fails the row instead of passing it
    // with nothing tested.
    net.snap.DnsServers = {"0", kBlank, kBlank, kBlank, kBlank};
    EXPECT_EQ(autoconfig("DNS", {"LEARN&SAVE"}), (Texts{"LEARN&SAVE", kBlank, kBlank, kBlank}));
    EXPECT_FALSE(session.Learnt);
    EXPECT_EQ(said(), Texts{"Learn&Save for test 2) DNS: " + unable + "DNS for Out of Office"});
}

TEST_F(Profile, LearnAndSaveAtLoadOffersToSaveWhenTheLastSuchTestLearnt) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
    // Items after the keyword overwrite the learnt values from the next field on.
    writeProfile("OutofOffice.ini", {"h", "b", "[DNS]", "m", "learn&save", "[Gateway]", "m",
                                     "Learn&Save", "10.9.9.9"});
    prompt.answers = {ui::Answer::Yes, ui::Answer::Yes};  // the offer, then the save question
    ASSERT_FALSE(loadEnds());
    // Unable for DNS, learnt for Gateway, the offer, the save question.
    EXPECT_EQ(said().at(2),
              "Update Out of Office: Zelto has learnt and loaded some of your basic network "
              "parameters for Out of Office.  Do you want to permanently save these values?");
    EXPECT_EQ(dir.read("OutofOffice.ini"),
              "[Configured By]\r\nb\r\n[DNS]\r\nm\r\nlearn&save\r\n[Gateway]\r\nm\r\n10.0.0.1\r\n"
              "10.9.9.9\r\n10.0.0.3\r\n");
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(said().size(), 1U) << "the DNS test alone is left to learn";

    // A folder that is gone: the two messages, and the program ends.
    session.InstallDir = dir.path() + "gone/";
    prompt.answers = {ui::Answer::Yes};
    EXPECT_THROW(SaveProfileFile(ctx), ui::ProgramEnded);
    const Texts failed = said();
    EXPECT_EQ(failed.back(),
              "Zelto: Problems with ini file, Office.ini or OutOfOffice.ini.  Progam will end");
    EXPECT_THAT(failed.at(1),
                ::testing::HasSubstr(dir.path() + "gone/OutofOffice.ini . Description=No such"));

    // No offer when the last Learn&Save test learnt nothing.
    writeProfile("OutofOffice.ini",
                 {"h", "b", "[Gateway]", "m", "learn&save", "[DNS]", "m", "Learn&Save"});
    session.InstallDir = dir.path();
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(said().size(), 2U);
    EXPECT_EQ(cell(0, 2, 1), "Learn&Save");
}

}  // namespace
}  // namespace zelto::profiles
