#pragma once

#include <QLocale>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netparams/NetSources.h"
#include "netparams/Snapshot.h"

namespace zelto::netparams {

/// What a lookup in the interface table hands back for one adapter.
struct InterfaceStatus {
    std::string adminStatus = kBlank;
    std::string operStatus = kBlank;
    bool receiving = false;
    bool sending = false;
};

/// A hardware address as text: each byte two upper-case hex digits, joined by ":".
std::string physicalAddressText(std::string_view bytes);

/// "Enabled", "Disabled", "Testing", or "" for any other value.
std::string adminStatusText(int adminStatus);

/// "Non-operational" ... "Operational" for 0 to 5, "" for any other value.
std::string operStatusText(int operStatus);

/// The user's locale for numbers; the C locale groups no digits.
QLocale userNumberLocale();

/// A counter in decimal with the digit grouping of `locale`.
std::string groupedNumber(std::uint64_t value, const QLocale& locale);

/// A speed in bits per second as "100Mbs" (above 999 999) or "56Kbs", shortest decimal form.
std::string speedText(std::uint64_t bitsPerSecond);

/// Listing mode: the block of lines of every row after the first, numbered from 1, with a
/// line of 52 "=" between blocks. Only the first row: an empty text.
std::string ReadInterfaceTable(const std::vector<InterfaceRow>& rows, const QLocale& locale);

/// Lookup mode: the status of the first row after the first whose physical address text
/// equals `physicalAddress` and, when `index` is not 0, whose interface index is `index`.
/// No match gives "Blank!" texts and false flags. An empty address never matches unless an
/// index is given, since interfaces without a hardware address (tun, WireGuard) are adapters.
InterfaceStatus ReadInterfaceTable(const std::vector<InterfaceRow>& rows,
                                   const std::string& physicalAddress, int index = 0);

/// The listing as the command line and the Network Parameters screen show it: nothing when the
/// table cannot be read or is empty.
std::optional<std::string> interfaceListing(InterfaceSource& source,
                                            const QLocale& locale = userNumberLocale());

}  // namespace zelto::netparams
