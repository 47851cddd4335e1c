#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/Colors.h"
#include "ui/Signal.h"

namespace zelto::ui {

/// Properties every control has; `changed` fires after any of them changes.
class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    bool visible() const { return visible_; }
    void setVisible(bool v) { assign(visible_, v); }
    bool enabled() const { return enabled_; }
    void setEnabled(bool e) { assign(enabled_, e); }
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string t) { assign(toolTip_, std::move(t)); }

    Signal changed;

  protected:
    template <class T>
    void assign(T& field, T value) {
        if (field == value)
            return;
        field = std::move(value);
        changed.notify();
    }

  private:
    bool visible_ = true;
    bool enabled_ = true;
    std::string toolTip_;
};

/// A label or text box: text with a foreground colour.
class TextBox : public Control {
  public:
    TextBox() = default;
    explicit TextBox(std::string text) : text_(std::move(text)) {}

    const std::string& text() const { return text_; }
    void setText(std::string t) { assign(text_, std::move(t)); }
    void append(const std::string& more) {
        if (more.empty())
            return;
        text_ += more;
        changed.notify();
    }
    Color color() const { return color_; }
    void setColor(Color c) { assign(color_, c); }
    /// Caret position for multi-line boxes; the widget scrolls it into view.
    std::size_t caret() const { return caret_; }
    void setCaret(std::size_t pos) { assign(caret_, pos); }

  private:
    std::string text_;
    Color color_ = kBlack;
    std::size_t caret_ = 0;
};

using Label = TextBox;

/// A check box. A new value, from code or from the user, runs `onClick` exactly as a user's
/// click does; setting the value it already has does nothing.
class CheckBox : public Control {
  public:
    CheckBox() = default;
    explicit CheckBox(std::string caption) : caption_(std::move(caption)) {}

    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { assign(caption_, std::move(c)); }
    bool value() const { return value_; }
    void setValue(bool v) {
        if (v == value_)
            return;
        value_ = v;
        changed.notify();
        if (onClick)
            onClick();
    }
    /// What a user's click does: toggles the value.
    void click() { setValue(!value_); }

    std::function<void()> onClick;

  private:
    std::string caption_;
    bool value_ = false;
};

/// A set of option buttons of which one is selected; selecting a new one runs `onClick`.
class OptionGroup : public Control {
  public:
    explicit OptionGroup(std::vector<std::string> captions) : captions_(std::move(captions)) {}

    const std::vector<std::string>& captions() const { return captions_; }
    int selected() const { return selected_; }
    void select(int index) {
        if (index == selected_)
            return;
        selected_ = index;
        changed.notify();
        if (onClick)
            onClick(index);
    }

    std::vector<std::string> toolTips;
    std::function<void(int)> onClick;

  private:
    std::vector<std::string> captions_;
    int selected_ = 0;
};

/// A push button, a picture button or a menu item; `checked` serves menu items.
class Button : public Control {
  public:
    Button() = default;
    explicit Button(std::string caption) : caption_(std::move(caption)) {}

    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { assign(caption_, std::move(c)); }
    bool checked() const { return checked_; }
    void setChecked(bool c) { assign(checked_, c); }
    void click() {
        if (enabled() && onClick)
            onClick();
    }

    std::function<void()> onClick;

  private:
    std::string caption_;
    bool checked_ = false;
};

/// A picture (tick, cross); clickable pictures use `onClick`.
using Picture = Button;
using MenuItem = Button;

/// A line shape, in window pixels.
class Line : public Control {
  public:
    int x1 = 0, y1 = 0;
    int x2() const { return x2_; }
    int y2() const { return y2_; }
    void setEnd(int x, int y) {
        if (x == x2_ && y == y2_)
            return;
        x2_ = x;
        y2_ = y;
        changed.notify();
    }
    Color color() const { return color_; }
    void setColor(Color c) { assign(color_, c); }

  private:
    int x2_ = 0, y2_ = 0;
    Color color_ = kBlack;
};

using Shape = Control;

/// A periodic timer. Whoever drives time (a QTimer, a test) calls tick() while enabled.
class Timer : public Control {
  public:
    Timer() { setEnabled(false); }
    int interval() const { return interval_; }
    void setInterval(int ms) { assign(interval_, ms); }
    void tick() {
        if (enabled() && onTick)
            onTick();
    }

    std::function<void()> onTick;

  private:
    int interval_ = 0;
};

enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

/// A top-level window: caption, state and icon. A state change runs `onResize`.
class Window : public Control {
  public:
    explicit Window(std::string caption = {}) : caption_(std::move(caption)) {}

    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { assign(caption_, std::move(c)); }
    WindowState state() const { return state_; }
    void setState(WindowState s) {
        if (s == state_)
            return;
        state_ = s;
        changed.notify();
        if (onResize)
            onResize();
    }
    int icon() const { return icon_; }
    void setIcon(int id) { assign(icon_, id); }

    std::function<void()> onResize;

  private:
    std::string caption_;
    WindowState state_ = WindowState::Normal;
    int icon_ = 0;
};

}  // namespace zelto::ui
