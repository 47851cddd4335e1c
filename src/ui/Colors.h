#pragma once

#include <cstdint>

namespace zelto::ui {

/// Colours are kept as 0x00BBGGRR values, the form every stored and compared colour takes.
using Color = std::uint32_t;

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x008000;
inline constexpr Color kBrightGreen = 0x00FF00;
inline constexpr Color kOlive = 0x008080;
inline constexpr Color kMagenta = 0xFF00FF;
inline constexpr Color kDarkGrey = 0x404040;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kDarkRed = 0x0000C0;
/// The system's button-text colour: a system colour index, resolved by the widget layer.
inline constexpr Color kButtonText = 0x80000012;

inline constexpr bool isSystemColor(Color c) {
    return (c & 0x80000000U) != 0;
}

}  // namespace zelto::ui
