#include "system/Utf8.h"

namespace zelto::system::utf8 {

namespace {

bool continues(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::size_t sequenceLength(std::string_view text) {
    if (text.empty())
        return 0;
    const auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b = at(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b < 0x80) {
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!continues(text[i]))
            return 0;
    }
    return length;
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
