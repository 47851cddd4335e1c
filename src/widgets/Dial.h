#pragma once

#include <QWidget>

#include "ui/Controls.h"

namespace zelto::widgets {

/// The countdown dial: a circle and the clock hand whose end point the model computes.
class Dial : public QWidget {
  public:
    Dial(ui::Shape& circle, ui::Line& hand, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {44, 44}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ui::Shape& circle_;
    ui::Line& hand_;
};

}  // namespace zelto::widgets
