#pragma once

#include <functional>
#include <string>

#include "ui/Controls.h"
#include "ui/Signal.h"

namespace zelto::ui {

/// Twips per inch: the screens' sizes and places are given in twips.
inline constexpr int kTwipsPerInch = 1440;

/// A secondary screen's window: created on first use and reused, placed and sized in twips.
class ScreenWindow : public Window {
  public:
    using Window::Window;

    /// Creates the screen on first use: runs `onLoad` once (the desktop makes its widget).
    void load() {
        if (loaded_)
            return;
        loaded_ = true;
        if (onLoad)
            onLoad();
    }
    bool loaded() const { return loaded_; }

    /// Loads the screen if need be, shows it in normal state and brings it to the front.
    void show() {
        load();
        setVisible(true);
        setState(WindowState::Normal);
        raised.notify();
    }
    /// The user closed the screen: hidden, and in normal state when it is next shown.
    void unload() {
        setVisible(false);
        setState(WindowState::Normal);
    }

    /// Left edge in twips from the left of the screen, as last placed.
    int left() const { return left_; }
    /// Places the left edge; `placed` fires even for the same value, since the user may have
    /// moved the window meanwhile.
    void setLeft(int twips) {
        left_ = twips;
        placed.notify();
    }
    int width() const { return width_; }
    int height() const { return height_; }
    /// Sizes the window; `resized` fires even for the same size, for the same reason.
    void setSize(int widthTwips, int heightTwips) {
        width_ = widthTwips;
        height_ = heightTwips;
        resized.notify();
    }

    std::function<void()> onLoad;
    Signal raised;
    Signal placed;
    Signal resized;

  private:
    bool loaded_ = false;
    int left_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace zelto::ui
