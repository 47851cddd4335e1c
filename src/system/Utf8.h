#pragma once

#include <cstddef>
#include <string_view>

namespace zelto::system::utf8 {

/// Length of the valid UTF-8 sequence at the start of `text` (1 for ASCII), 0 when it is not
/// one. Overlong forms, surrogates and code points above U+10FFFF are not valid.
std::size_t sequenceLength(std::string_view text);

/// Number of characters: every byte that does not continue a sequence starts one.
std::size_t characterCount(std::string_view text);

/// The first `count` characters of `text`, never splitting a sequence.
std::string_view firstCharacters(std::string_view text, std::size_t count);

/// `text` cut to at most `limit` bytes. A valid sequence that would be split goes whole, so
/// the cut never shows a replacement sign; bytes that are not UTF-8 are cut at the limit.
std::string_view cutToBytes(std::string_view text, std::size_t limit);

}  // namespace zelto::system::utf8
