#include "netparams/AdpaterStatus.h"

#include <charconv>
#include <system_error>

namespace zelto::netparams {

namespace {

const char* typeName(int type) {
    switch (type) {
        case kTypeEthernet:
            return "Ethernet";
        case kTypeTokenRing:
            return "TokenRing";
        case kTypeFddi:
            return "FDDI";
        case kTypePpp:
            return "Point-to-Point";
        case kTypeLoopback:
            return "Loopback";
        case kTypeSlip:
            return "Slip";
        default:
            return "Other";
    }
}

std::string decimalText(double value) {
    char buffer[64];
    // Fixed notation: the plain shortest form would print 100000 as "1e+05".
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc{})
        return "0";
    return std::string(buffer, result.ptr);
}

void appendBlock(std::string& out, const InterfaceRow& row, int number, const QLocale& locale) {
    auto line = [&out](std::string_view label, const std::string& value) {
        out.append(label).append(value).append("\r\n");
    };
    auto count = [&locale](std::uint64_t v) { return groupedNumber(v, locale); };
    line("Network Adpater #", std::to_string(number));
    line(" Desc: ......", row.description);
    line(" Type: ......", typeName(row.type));
    line(" MTU: .......", count(row.mtu));
    line(" Speed: ....", " " + speedText(row.speed));
    line(" Physical address: ", physicalAddressText(row.physAddress));
    line(" Status: ..........",
         adminStatusText(row.adminStatus) + " - " + operStatusText(row.operStatus));
    out.append("\r\n");
    line(" Data received (octets): .....", count(row.inOctets));
    line(" Packets", "");
    line("  Received unicast: ..........", count(row.inUcastPkts));
    line("  Received non-unicast: ......", count(row.inNUcastPkts));
    line("  Discarded: .................", count(row.inDiscards));
    line("  Discarded with errors: .....", count(row.inErrors));
    line("  Discarded unknown protocol: ", count(row.inUnknownProtos));
    out.append("\r\n");
    line(" Data sent (octets): .........", count(row.outOctets));
    line(" Packets", "");
    line("  Sent unicast: ..............", count(row.outUcastPkts));
    line("  Sent non-unicast: ..........", count(row.outNUcastPkts));
    line("  Discarded no errors: .......", count(row.outDiscards));
    line("  Discarded with errors: .....", count(row.outErrors));
    out.append("\r\n");
}

}  // namespace

std::string physicalAddressText(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i > 0)
            text += ':';
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

std::string adminStatusText(int adminStatus) {
    switch (adminStatus) {
        case kAdminUp:
            return "Enabled";
        case kAdminDown:
            return "Disabled";
        case kAdminTesting:
            return "Testing";
        default:
            return "";
    }
}

std::string operStatusText(int operStatus) {
    static constexpr const char* kTexts[] = {"Non-operational", "Unreachable", "Disconnected",
                                             "Connecting",      "Connected",   "Operational"};
    if (operStatus < 0 || operStatus > 5)
        return "";
    return kTexts[operStatus];
}

QLocale userNumberLocale() {
    // Qt's system locale for LANG=C still groups with ","; the C locale itself groups nothing.
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale::c() : system;
}

std::string groupedNumber(std::uint64_t value, const QLocale& locale) {
    return locale.toString(static_cast<qulonglong>(value)).toStdString();
}

std::string speedText(std::uint64_t bitsPerSecond) {
    if (bitsPerSecond > 999999)
        return decimalText(static_cast<double>(bitsPerSecond) / 1000000.0) + "Mbs";
    return decimalText(static_cast<double>(bitsPerSecond) / 1000.0) + "Kbs";
}

std::string ReadInterfaceTable(const std::vector<InterfaceRow>& rows, const QLocale& locale) {
    std::string text;
    // The first row (the loopback, lowest index) is never listed.
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (i >= 2)
            text += std::string(52, '=') + "\r\n";
        appendBlock(text, rows[i], static_cast<int>(i), locale);
    }
    return text;
}

InterfaceStatus ReadInterfaceTable(const std::vector<InterfaceRow>& rows,
                                   const std::string& physicalAddress, int index) {
    if (physicalAddress.empty() && index == 0)
        return {};
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const InterfaceRow& row = rows[i];
        if (index != 0 && row.index != index)
            continue;
        if (physicalAddressText(row.physAddress) != physicalAddress)
            continue;
        return {adminStatusText(row.adminStatus), operStatusText(row.operStatus), row.inOctets > 0,
                row.outOctets > 0};
    }
    return {};
}

std::optional<std::string> interfaceListing(InterfaceSource& source, const QLocale& locale) {
    const InterfaceTable table = source.readInterfaces();
    if (table.sizingError != 0 || table.error != 0 || table.rows.empty())
        return std::nullopt;
    return ReadInterfaceTable(table.rows, locale);
}

}  // namespace zelto::netparams
