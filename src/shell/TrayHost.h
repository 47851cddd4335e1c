#pragma once

#include <string>

namespace zelto::shell {

/// What the tray record holds: the icon, its tip and, for a balloon, its text, title, time-out
/// and kind. Texts are already cut to the length of their fields.
struct TrayIconData {
    /// The record's flags: icon and tip (kIconFlags), or with a balloon (kBalloonFlags).
    int flags = 0;
    /// Resource number of the icon: 101 red, 102 amber, 103 green; 0 before the first one.
    int iconId = 0;
    std::string tip;
    std::string info;
    /// Balloon time-out as the caller gave it.
    int timeout = 0;
    std::string infoTitle;
    /// Balloon icon kind: 0 none, 1 information, 2 warning, 3 error.
    int infoFlags = 0;

    bool operator==(const TrayIconData&) const = default;
};

/// Flags of an icon update (message, icon, tip) and of a balloon (the same and info).
inline constexpr int kIconFlags = 7;
inline constexpr int kBalloonFlags = 23;
/// The info bit of the flags: the record carries a balloon.
inline constexpr int kInfoFlag = 0x10;

/// Field lengths of the record, each including the terminating NUL.
inline constexpr std::size_t kTipField = 128;
inline constexpr std::size_t kInfoField = 256;
inline constexpr std::size_t kInfoTitleField = 64;

/// Balloon kind with the error icon.
inline constexpr int kBalloonError = 3;

/// What the user did to the tray icon.
enum class Activation { DoubleClick, Context, Other };

/// The desktop's notification area as the tray logic uses it. Refusals are not reported:
/// removing an icon that is not there is harmless.
class TrayHost {
  public:
    virtual ~TrayHost() = default;
    /// Puts the record's icon and tip into the notification area.
    virtual void add(const TrayIconData& record) = 0;
    /// Updates the icon in place; a record with the info flag also raises its balloon.
    virtual void modify(const TrayIconData& record) = 0;
    /// Takes the icon out of the notification area.
    virtual void remove() = 0;
    /// Whether the desktop has a notification area that can show the icon now.
    virtual bool available() const = 0;
    /// Pops up the tray menu at the mouse position.
    virtual void showMenu() = 0;
};

}  // namespace zelto::shell
