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
    return system::utf8::isValid(bytes);
}

std::string toUtf8(std::string_view bytes, TextEncoding from) {
    if (from == TextEncoding::Utf8)
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        const bool high = b >= 0x80 && b < 0xA0;
        system::utf8::append(out, high && kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : char32_t{b});
    }
    return out;
}

std::optional<std::string> fromUtf8(std::string_view utf8, TextEncoding to) {
    if (to == TextEncoding::Utf8)
        return std::string(utf8);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> cp = system::utf8::decode(utf8, i);
        const std::optional<char> byte = cp ? toWindows1252(*cp) : std::nullopt;
        if (!byte)
            return std::nullopt;
        out += *byte;
    }
    return out;
}

}  // namespace zelto::ui
