#include "netparams/AdpaterStatus.h"

#include <gtest/gtest.h>

#include "FakeSources.h"

namespace zelto::netparams {
namespace {

using test::ethernetRow;
using test::loopbackRow;

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

TEST(InterfaceListing, BlockOfARowIsExact) {
    InterfaceRow row = ethernetRow(2, "eth0", "", "");
    row.physAddress = std::string("\x00\x0c\x29\x1a\x2b\x3c", 6);
    row.speed = 100000000;
    row.inOctets = 1234567;
    row.inUcastPkts = 1001;
    row.inNUcastPkts = 2;
    row.inDiscards = 3;
    row.inErrors = 4;
    row.inUnknownProtos = 5;
    row.outOctets = 5000000000;  // beyond 32 bits: no wrap
    row.outUcastPkts = 6;
    row.outNUcastPkts = 7;
    row.outDiscards = 8;
    row.outErrors = 9;
    EXPECT_EQ(ReadInterfaceTable({loopbackRow(), row}, kUs),
              "Network Adpater #1\r\n"
              " Desc: ......eth0 (Ethernet)\r\n"
              " Type: ......Ethernet\r\n"
              " MTU: .......1,500\r\n"
              " Speed: .... 100Mbs\r\n"
              " Physical address: 00:0C:29:1A:2B:3C\r\n"
              " Status: ..........Enabled - Operational\r\n"
              "\r\n"
              " Data received (octets): .....1,234,567\r\n"
              " Packets\r\n"
              "  Received unicast: ..........1,001\r\n"
              "  Received non-unicast: ......2\r\n"
              "  Discarded: .................3\r\n"
              "  Discarded with errors: .....4\r\n"
              "  Discarded unknown protocol: 5\r\n"
              "\r\n"
              " Data sent (octets): .........5,000,000,000\r\n"
              " Packets\r\n"
              "  Sent unicast: ..............6\r\n"
              "  Sent non-unicast: ..........7\r\n"
              "  Discarded no errors: .......8\r\n"
              "  Discarded with errors: .....9\r\n"
              "\r\n");
}

TEST(InterfaceListing, RowsAfterTheFirstAreNumberedFromOneWithSeparators) {
    EXPECT_EQ(ReadInterfaceTable({loopbackRow()}, kUs), "");
    EXPECT_EQ(ReadInterfaceTable(std::vector<InterfaceRow>{}, kUs), "");
    const std::string text = ReadInterfaceTable(
        {loopbackRow(), ethernetRow(2, "eth0", "", ""), ethernetRow(3, "eth1", "", "")}, kUs);
    EXPECT_EQ(text.rfind("Network Adpater #1\r\n", 0), 0u);
    const std::string between = "\r\n\r\n" + std::string(52, '=') + "\r\nNetwork Adpater #2\r\n";
    EXPECT_NE(text.find(between), std::string::npos);
    EXPECT_EQ(text.find("lo (Loopback)"), std::string::npos);
    EXPECT_EQ(text.find("#3"), std::string::npos);
}

TEST(InterfaceListing, NumbersFollowTheLocale) {
    EXPECT_EQ(groupedNumber(1234567, QLocale(QLocale::German, QLocale::Germany)), "1.234.567");
    EXPECT_EQ(groupedNumber(1234567, QLocale::c()), "1234567");
    EXPECT_EQ(groupedNumber(18446744073709551615u, kUs), "18,446,744,073,709,551,615");
}

TEST(InterfaceListing, SpeedInShortestForm) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {56000, "56Kbs"},
        {999999, "999.999Kbs"},
        {1000000, "1Mbs"},
        {11500000, "11.5Mbs"},
        {10000000000, "10000Mbs"},
        {0, "0Kbs"},
        {100000000000000, "100000000Mbs"},
    };
    for (const auto& [bits, text] : cases)
        EXPECT_EQ(speedText(bits), text) << bits;
}

TEST(InterfaceLookup, FindsTheRowByItsPhysicalAddressText) {
    InterfaceRow listening = ethernetRow(3, "eth1", "", "");
    listening.inOctets = 10;
    listening.outOctets = 0;
    listening.operStatus = kOperConnecting;
    const std::vector<InterfaceRow> rows = {loopbackRow(), ethernetRow(2, "eth0", "", ""),
                                            listening};
    const InterfaceStatus found = ReadInterfaceTable(rows, "02:00:00:00:00:03");
    EXPECT_EQ(found.adminStatus, "Enabled");
    EXPECT_EQ(found.operStatus, "Connecting");
    EXPECT_TRUE(found.receiving);
    EXPECT_FALSE(found.sending);

    for (const std::string& missing : {std::string("02:00:00:00:00:09"), std::string(),
                                       std::string("00:00:00:00:00:00") /* the first row */,
                                       std::string("02:00:00:00:00:03:")}) {
        const InterfaceStatus none = ReadInterfaceTable(rows, missing);
        EXPECT_EQ(none.adminStatus, "Blank!") << missing;
        EXPECT_EQ(none.operStatus, "Blank!");
        EXPECT_FALSE(none.receiving);
        EXPECT_FALSE(none.sending);
    }
    // The index narrows the match: the row with that address and index, or none.
    EXPECT_EQ(ReadInterfaceTable(rows, "02:00:00:00:00:03", 2).adminStatus, "Blank!");
    EXPECT_TRUE(ReadInterfaceTable(rows, "02:00:00:00:00:03", 3).receiving);
}

TEST(InterfaceLookup, ListingOfAnUnreadableTableIsNothing) {
    test::FakeInterfaces source;
    EXPECT_EQ(interfaceListing(source, kUs), std::nullopt);
    source.table.rows = {loopbackRow()};
    EXPECT_EQ(interfaceListing(source, kUs), "");
    source.table.error = 4;
    EXPECT_EQ(interfaceListing(source, kUs), std::nullopt);
}

}  // namespace
}  // namespace zelto::netparams
