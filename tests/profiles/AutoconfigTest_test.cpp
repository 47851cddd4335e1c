#include <gtest/gtest.h>

#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

struct AutoconfigFill : test::ProfileFixture {
    /// Puts a test named `name` with `items` into row 1 of slot 0.
    void row(const std::string& name, std::vector<std::string> items) {
        session.Table.at(0, 1, 0) = "2) " + name;
        for (int f = 1; f <= 4; ++f) {
            session.Table.at(0, 1, f) =
                f <= static_cast<int>(items.size()) ? items[f - 1] : std::string(kBlank);
        }
    }
    std::vector<std::string> items() {
        std::vector<std::string> out;
        for (int f = 1; f <= 4; ++f)
            out.push_back(session.Table.at(0, 1, f));
        return out;
    }
    void fill() { AutoconfigTest(ctx, 1); }
};

using Items = std::vector<std::string>;

TEST_F(AutoconfigFill, GatewaysComeInAdapterThenGatewayOrderAtMostFour) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1", "10.0.0.254"});
    row("Gateway", {"autoconfig"});
    fill();
    EXPECT_EQ(items(), (Items{"10.0.0.1", "10.0.0.254", "Blank!", "Blank!"}));
    EXPECT_EQ(net.modes, Items{"gateway"});
    EXPECT_FALSE(session.Learnt);  // autoconfig leaves nothing learnt
    EXPECT_TRUE(prompt.messages.empty());

    net.adapter(2, "192.168.1.9", {"192.168.1.1"});
    net.adapter(3, "", {"172.16.0.1"});  // no address: skipped
    row("GATEWAY", {"autoconfig"});
    fill();
    EXPECT_EQ(items(), (Items{"10.0.0.1", "10.0.0.254", "192.168.1.1", "Blank!"}));

    net.adapter(1, "10.0.0.5", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
    net.adapter(2, "192.168.1.9", {"192.168.1.1", "192.168.1.2"});
    row("gateway", {"autoconfig"});
    fill();
    EXPECT_EQ(items(), (Items{"10.0.0.1", "10.0.0.2", "10.0.0.3", "192.168.1.1"}));

    // A route straight onto a VPN link has no address to ping: the item stays empty.
    net.adapter(1, "10.64.0.2", {"wg0 (direct link)"});
    net.adapter(2, "", {});
    row("Gateway", {"autoconfig"});
    fill();
    EXPECT_EQ(items(), (Items{"Blank!", "Blank!", "Blank!", "Blank!"}));
}

TEST_F(AutoconfigFill, DhcpCopiesTheServerEvenWhenNoneIsReported) {
    net.adapter(1, "10.0.0.5", {}, "10.0.0.1");
    net.adapter(2, "10.9.0.5", {}, "Blank!");
    net.adapter(3, "", {}, "10.7.0.1");  // enabled but no address
    row("Dhcp", {"learn&save"});
    fill();
    EXPECT_EQ(items(), (Items{"10.0.0.1", "Blank!", "Blank!", "Blank!"}));
    EXPECT_TRUE(session.Learnt);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].title, "Learn&Save for test 2) Dhcp");
    EXPECT_EQ(prompt.messages[0].text,
              "Zelto has learnt IP addresse(s) for test #2) Dhcp for Out of Office");
}

TEST_F(AutoconfigFill, DnsSkipsBlankSlots) {
    net.snap.DnsServers = {"3", "Blank!", "1.1.1.1", "9.9.9.9", "8.8.8.8"};
    row("dns", {"autoconfig", "x", "y", "z"});
    fill();
    EXPECT_EQ(items(), (Items{"1.1.1.1", "9.9.9.9", "Blank!", "z"}));
}

TEST_F(AutoconfigFill, NothingToLearnGivesTheUnableMessageWithTheProfileLabel) {
    session.OfficeIndex = 1;
    session.Table.at(1, 1, 0) = "2) DNS";
    session.Table.at(1, 1, 1) = "LEARN&SAVE";
    AutoconfigTest(ctx, 1);
    EXPECT_FALSE(session.Learnt);
    EXPECT_EQ(session.FilePath, "In Office");
    // The keyword stays, so a run fails the row instead of passing it with nothing tested.
    EXPECT_EQ(session.Table.at(1, 1, 1), "LEARN&SAVE");
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text,
              "Zelto was unable to learn the IP address for test #2) DNS for In Office");
}

TEST_F(AutoconfigFill, UnknownNamesAreRefusedWithoutGathering) {
    for (const char* name : {"Mail", "Gateway ", " DNS"}) {
        SCOPED_TRACE(name);
        prompt.messages.clear();
        net.modes.clear();
        row(name, {"learn&save", "a", "b", "c"});
        fill();
        EXPECT_TRUE(net.modes.empty());
        EXPECT_EQ(items(), (Items{"learn&save", "a", "b", "c"}));
        ASSERT_EQ(prompt.messages.size(), 2U);
        EXPECT_EQ(prompt.messages[0].text.rfind("Zelto was unable to learn", 0), 0U);
        EXPECT_EQ(prompt.messages[1].title, "Zelto");
        EXPECT_EQ(prompt.messages[1].text,
                  "I can not autoconfig or Learn&Save '" + lower(name) +
                      "'. I only know DHCP, Gateway or DNS. You must use 'Configure Tests' and "
                      "change the test name to 'DHCP', 'Gateway' or 'DNS' or clear test number 2");
    }
}

TEST_F(AutoconfigFill, AnAutoconfigKeywordAfterTheFirstItemFillsInLearnAndSaveMode) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1"});
    row("Gateway", {"10.1.1.1", "autoconfig"});
    fill();
    EXPECT_EQ(items(), (Items{"10.0.0.1", "Blank!", "Blank!", "Blank!"}));
    EXPECT_TRUE(session.Learnt);
    EXPECT_EQ(prompt.messages.size(), 1U);
}

struct LearnAtLoad : test::ProfileFixture {};

TEST_F(LearnAtLoad, OffersToSaveWhenTheLastLearnAndSaveTestLearnt) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1"});
    writeProfile("OutofOffice.ini",
                 {"h", "b", "[DNS]", "m", "learn&save", "[Gateway]", "m", "Learn&Save"});
    ASSERT_FALSE(loadEnds());
    ASSERT_EQ(prompt.messages.size(), 3U);
    EXPECT_EQ(prompt.messages[0].text.rfind("Zelto was unable", 0), 0U);
    EXPECT_EQ(prompt.messages[1].text.rfind("Zelto has learnt", 0), 0U);
    EXPECT_EQ(prompt.messages[2].title, "Update Out of Office");
    EXPECT_EQ(prompt.messages[2].text,
              "Zelto has learnt and loaded some of your basic network parameters for Out of "
              "Office.  Do you want to permanently save these values?");
    EXPECT_EQ(prompt.messages[2].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(cell(0, 2, 1), "10.0.0.1");
}

TEST_F(LearnAtLoad, NoOfferWhenTheLastLearnAndSaveTestLearntNothing) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1"});
    writeProfile("OutofOffice.ini",
                 {"h", "b", "[Gateway]", "m", "learn&save", "[DNS]", "m", "Learn&Save"});
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(cell(0, 2, 1), "Learn&Save");
    EXPECT_EQ(cell(0, 2, 2), "Blank!");
}

TEST_F(LearnAtLoad, ItemsAfterTheKeywordOverwriteFilledValuesFromTheNextField) {
    net.adapter(1, "10.0.0.5", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
    writeProfile("OutofOffice.ini", {"h", "b", "[Gateway]", "m", "learn&save", "10.9.9.9"});
    ASSERT_FALSE(loadEnds());
    EXPECT_EQ(cell(0, 1, 1), "10.0.0.1");
    EXPECT_EQ(cell(0, 1, 2), "10.9.9.9");
    EXPECT_EQ(cell(0, 1, 3), "10.0.0.3");
}

}  // namespace
}  // namespace zelto::profiles
