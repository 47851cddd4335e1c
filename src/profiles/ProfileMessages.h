#pragma once

namespace zelto::profiles::msg {

inline constexpr const char* kProfileProblemTail = ".ini file.  It has a problem";
inline constexpr const char* kIniProblem =
    "Problem with ini file, Office.ini or OutOfOffice.ini.  Progam will end";
inline constexpr const char* kIniSaveProblem =
    "Problems with ini file, Office.ini or OutOfOffice.ini.  Progam will end";
inline constexpr const char* kNoAddressCaption = "Blank! Press cross for help";

// Errors of the profile reader itself, numbered as the language run-time numbers them.
inline constexpr int kPastEndNumber = 62;
inline constexpr const char* kPastEnd = "Input past end of file";
inline constexpr int kOutOfRangeNumber = 9;
inline constexpr const char* kOutOfRange = "Subscript out of range";

}  // namespace zelto::profiles::msg
