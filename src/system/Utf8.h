#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelto::system::utf8 {

/// The character at `i`, moving `i` past it; nothing (and `i` unmoved) when the bytes there are
/// not valid UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
std::optional<char32_t> decode(std::string_view text, std::size_t& i);

/// Appends `cp` (at most U+10FFFF) as UTF-8.
void append(std::string& out, char32_t cp);

/// Whether all of `text` is valid UTF-8.
bool isValid(std::string_view text);

/// Length of the valid UTF-8 sequence at the start of `text` (1 for ASCII), 0 when it is not
/// one.
std::size_t sequenceLength(std::string_view text);

/// Number of characters: every byte that does not continue a sequence starts one.
std::size_t characterCount(std::string_view text);

/// The first `count` characters of `text`, never splitting a sequence.
std::string_view firstCharacters(std::string_view text, std::size_t count);

/// `text` cut to at most `limit` bytes. A valid sequence that would be split goes whole, so
/// the cut never shows a replacement sign; bytes that are not UTF-8 are cut at the limit.
std::string_view cutToBytes(std::string_view text, std::size_t limit);

}  // namespace zelto::system::utf8
