#include "system/Utf8.h"

namespace zelto::system::utf8 {

namespace {

bool continues(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::optional<char32_t> decode(std::string_view text, std::size_t& i) {
    if (i >= text.size())
        return std::nullopt;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return char32_t{lead};
    }
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - i <= extra)
        return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
        if (!continues(text[i + k]))
            return std::nullopt;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    i += extra + 1;
    return cp;
}

void append(std::string& out, char32_t cp) {
    const auto put = [&out](char32_t bits) { out += static_cast<char>(bits); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

bool isValid(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (!decode(text, i))
            return false;
    }
    return true;
}

std::size_t sequenceLength(std::string_view text) {
    std::size_t i = 0;
    return decode(text, i) ? i : 0;
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        count += continues(c) ? 0 : 1;
    return count;
}

std::string_view firstCharacters(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    std::size_t seen = 0;
    for (; end < text.size(); ++end) {
        if (!continues(text[end])) {
            if (seen == count)
                break;
            ++seen;
        }
    }
    return text.substr(0, end);
}

std::string_view cutToBytes(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    // A sequence is at most four bytes: its start is at most three bytes before the cut.
    std::size_t lead = limit;
    while (lead > 0 && limit - lead < 3 && continues(text[lead]))
        --lead;
    const std::size_t length = sequenceLength(text.substr(lead));
    return text.substr(0, lead < limit && length > 1 && lead + length > limit ? lead : limit);
}

}  // namespace zelto::system::utf8
