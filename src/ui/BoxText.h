#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelto::ui {

/// How the bytes of a text box are shown and edited. Profiles written on the help desk's PCs
/// are Windows-1252; ones written here are UTF-8. A box keeps the one its text came in, so an
/// edit never changes the bytes of a character the user did not touch.
enum class TextEncoding { Utf8, Windows1252 };

/// Strict UTF-8 (system/Utf8.h): no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

/// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
inline TextEncoding encodingOf(std::string_view bytes) {
    return isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

/// The bytes as UTF-8, for display. The five bytes Windows-1252 leaves undefined become the
/// control characters of the same number, so they survive the way back.
std::string toUtf8(std::string_view bytes, TextEncoding from);

/// Shown UTF-8 text back to bytes; nothing when a character cannot be held in `to`.
std::optional<std::string> fromUtf8(std::string_view utf8, TextEncoding to);

/// The bytes as UTF-8 in the encoding they appear to be in.
inline std::string shownText(std::string_view bytes) {
    return toUtf8(bytes, encodingOf(bytes));
}

}  // namespace zelto::ui
