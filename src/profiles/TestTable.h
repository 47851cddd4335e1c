#pragma once

#include <array>
#include <string>

namespace zelto::profiles {

inline constexpr int MaxTestRow = 7;
inline constexpr int MaxItemField = 4;
inline constexpr int MessageField = 5;
inline constexpr int SlotCount = 3;

/// Marks an empty name, item or snapshot slot; it ends the list it stands in.
inline constexpr const char* kBlank = "Blank!";
/// A message of one space means "no message".
inline constexpr const char* kNoMessage = " ";

/// Text values by profile slot (0 Out of Office, 1 In Office, 2 never used), row (0 Loop Back,
/// 1-7 tests) and field (0 display name, 1-4 items, 5 message; row 0 field 4 the banner).
class TestTable {
  public:
    std::string& at(int slot, int row, int field) { return cells_.at(slot).at(row).at(field); }
    const std::string& at(int slot, int row, int field) const {
        return cells_.at(slot).at(row).at(field);
    }

  private:
    std::array<std::array<std::array<std::string, MessageField + 1>, MaxTestRow + 1>, SlotCount>
        cells_{};
};

/// The test name of a display name: everything after the number, ")" and the space.
inline std::string bareName(const std::string& displayName) {
    return displayName.size() > 3 ? displayName.substr(3) : std::string();
}

/// Lower-case copy of a text (ASCII only: keywords and test names are ASCII).
std::string lower(std::string text);

/// A profile line without its leading and trailing spaces (tabs stay), as the loader reads it.
std::string trimSpaces(const std::string& line);

/// Whether a trimmed profile line opens a test: it begins with "[" and ends with "]".
inline bool isHeader(const std::string& trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

}  // namespace zelto::profiles
