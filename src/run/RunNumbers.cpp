#include "run/RunNumbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

namespace zelto::run {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A plain decimal number: sign, digits with an optional fraction, optional exponent. Hex,
// "inf" and "nan" are not what anyone types for a number of seconds.
std::optional<double> decimalNumber(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !(isDigit(text.front()) || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

std::string passesText(long long count) {
    return count >= 0 ? " " + std::to_string(count) : std::to_string(count);
}

long long passesValue(const std::string& text) {
    std::string_view rest = text;
    while (!rest.empty() && isBlank(rest.front()))
        rest.remove_prefix(1);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    long long value = 0;
    constexpr long long kMax = std::numeric_limits<long long>::max() / 10 - 9;
    for (char c : rest) {
        if (!isDigit(c) || value > kMax)
            break;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

int correctRunInterval(std::string& text) {
    const std::optional<double> value = decimalNumber(text);
    if (!value) {
        text = "30";
        return 30;
    }
    if (*value > 65) {
        text = "65";
        return 65;
    }
    // A negative interval would turn the countdown backwards so that no run ever comes, and
    // one that rounds to 0 seconds would divide the countdown's turn by zero: both are
    // refused like 0 itself.
    const double seconds = std::nearbyint(*value);
    if (seconds < 1) {
        text = "30";
        return 30;
    }
    return static_cast<int>(seconds);
}

}  // namespace zelto::run
