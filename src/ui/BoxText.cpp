#include "ui/BoxText.h"

#include <array>
#include <cstdint>

#include "system/Utf8.h"

namespace zelto::ui {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the byte is undefined (kept as U+0080 + n).
constexpr std::array<char32_t, 32> kHigh{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

/// Decodes one character at `i` and moves past it; nothing when the bytes there are not UTF-8.
std::optional<char32_t> nextUtf8(std::string_view s, std::size_t& i) {
    const std::size_t length = system::utf8::sequenceLength(s.substr(i));
    if (length == 0)
        return std::nullopt;
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[i + k]); };
    char32_t cp = length == 1 ? byte(0) : byte(0) & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
        cp = (cp << 6) | (byte(k) & 0x3F);
    i += length;
    return cp;
}

std::optional<char> toWindows1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t n = 0; n < kHigh.size(); ++n) {
        const char32_t shown = kHigh[n] != 0 ? kHigh[n] : 0x80 + n;
        if (shown == cp)
            return static_cast<char>(0x80 + n);
    }
    return std::nullopt;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = system::utf8::sequenceLength(bytes.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string toUtf8(std::string_view bytes, TextEncoding from) {
    if (from == TextEncoding::Utf8)
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        const bool high = b >= 0x80 && b < 0xA0;
        appendUtf8(out, high && kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : char32_t{b});
    }
    return out;
}

std::optional<std::string> fromUtf8(std::string_view utf8, TextEncoding to) {
    if (to == TextEncoding::Utf8)
        return std::string(utf8);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> cp = nextUtf8(utf8, i);
        const std::optional<char> byte = cp ? toWindows1252(*cp) : std::nullopt;
        if (!byte)
            return std::nullopt;
        out += *byte;
    }
    return out;
}

}  // namespace zelto::ui
