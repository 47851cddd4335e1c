#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/Prompter.h"

namespace zelto::widgets {

/// Message boxes, the wait pointer and the beep of the desktop.
class QtPrompter : public ui::Prompter {
  public:
    /// Boxes are centred on `parent` once it is set and visible.
    void setParent(QWidget* parent) { parent_ = parent; }
    ui::Answer ask(const std::string& text, ui::Buttons buttons, const std::string& title) override;
    void beep() override;
    void setBusy(bool busy) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace zelto::widgets
