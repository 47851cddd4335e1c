#pragma once

#include <string>

#include "shell/TrayHost.h"
#include "ui/Controls.h"

namespace zelto::shell {

/// The traffic-light tray icon: the one tray record, the operations that set icon, tip and
/// balloon, and the move between the shown window and the icon in the notification area.
class Tray {
  public:
    Tray(ui::Window& window, TrayHost& host);
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    /// Makes `iconId` the window's icon and fills the record with it and `tip`; the tray shows
    /// them at once only while the window is minimised.
    void SetTrayIcon(int iconId, const std::string& tip);
    /// Fills the record with the current icon, `tip` and a balloon, and always hands it on.
    void ShowTrayBalloon(const std::string& tip, const std::string& info, int timeout,
                         const std::string& title, int infoFlags);
    /// Brings the window back from the tray in normal state and removes the icon.
    void mnuShow_Click();
    /// On every state change of the window: minimised puts it into the tray.
    void Form_Resize();
    /// The window closes: the icon goes.
    void Form_Unload();
    /// A mouse action on the icon: double click shows the window, context pops up the menu.
    void activated(Activation how);

    const TrayIconData& record() const { return record_; }
    /// Whether the icon is in the notification area (added and not removed since).
    bool inTray() const { return inTray_; }

  private:
    void removeIcon();

    ui::Window& window_;
    TrayHost& host_;
    TrayIconData record_;
    bool inTray_ = false;
};

/// `text` cut to fit a field of `field` bytes with its NUL, never inside a UTF-8 character.
std::string cutToField(const std::string& text, std::size_t field);

}  // namespace zelto::shell
