#include "probes/SplitPort.h"

namespace zelto::probes {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool SplitPort(std::string& item, int& targetPort) {
    const auto colon = item.find(':');
    if (colon == std::string::npos || item.empty() || !isDigit(item.back()))
        return true;
    // Every digit after the first colon counts, whatever stands between them (":8a0" is 80).
    // The value saturates just above the limit so a long run of digits cannot overflow.
    constexpr long kMaxPort = 65535;
    long value = 0;
    for (auto i = colon + 1; i < item.size(); ++i) {
        if (!isDigit(item[i]))
            continue;
        value = value * 10 + (item[i] - '0');
        if (value > kMaxPort)
            value = kMaxPort + 1;
    }
    if (value < 1 || value > kMaxPort)
        return true;
    item.erase(colon);
    targetPort = static_cast<int>(value);
    return false;
}

}  // namespace zelto::probes
