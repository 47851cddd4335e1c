#include "shell/Tray.h"

#include "system/Utf8.h"

namespace zelto::shell {

std::string cutToField(const std::string& text, std::size_t field) {
    // The desktop shows a character split at the limit as a replacement sign.
    return std::string(system::utf8::cutToBytes(text, field - 1));
}

Tray::Tray(ui::Window& window, TrayHost& host) : window_(window), host_(host) {}

void Tray::SetTrayIcon(int iconId, const std::string& tip) {
    window_.setIcon(iconId);
    record_ = TrayIconData{};
    record_.flags = kIconFlags;
    record_.iconId = iconId;
    record_.tip = cutToField(tip, kTipField);
    if (window_.state() == ui::WindowState::Minimised)
        host_.modify(record_);
}

void Tray::ShowTrayBalloon(const std::string& tip, const std::string& info, int timeout,
                           const std::string& title, int infoFlags) {
    record_.flags = kBalloonFlags;
    record_.iconId = window_.icon();
    record_.tip = cutToField(tip, kTipField);
    record_.info = cutToField(info, kInfoField);
    record_.timeout = timeout;
    record_.infoTitle = cutToField(title, kInfoTitleField);
    record_.infoFlags = infoFlags;
    host_.modify(record_);
}

void Tray::mnuShow_Click() {
    window_.setState(ui::WindowState::Normal);
    removeIcon();
    window_.setVisible(true);
    // Set once more: showing a window that was maximised before it went to the tray may bring
    // the maximised state back.
    window_.setState(ui::WindowState::Normal);
}

void Tray::Form_Resize() {
    if (window_.state() != ui::WindowState::Minimised) {
        // Back from minimised by other means than the icon (the task bar, the window manager):
        // a shown window has no tray icon.
        removeIcon();
        return;
    }
    host_.add(record_);
    inTray_ = true;
    // Hidden, the window can only come back through the icon. A desktop with no notification
    // area (a stock GNOME session) would leave no way back, so there it stays minimised on
    // the task bar.
    if (host_.available())
        window_.setVisible(false);
}

void Tray::Form_Unload() {
    removeIcon();
}

void Tray::activated(Activation how) {
    switch (how) {
        case Activation::DoubleClick:
            mnuShow_Click();
            break;
        case Activation::Context:
            host_.showMenu();
            break;
        case Activation::Other:
            break;
    }
}

void Tray::removeIcon() {
    if (!inTray_)
        return;
    inTray_ = false;
    host_.remove();
}

}  // namespace zelto::shell
