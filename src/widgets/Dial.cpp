#include "widgets/Dial.h"

#include <QPainter>

#include "widgets/Binding.h"

namespace zelto::widgets {

Dial::Dial(ui::Shape& circle, ui::Line& hand, QWidget* parent)
    : QWidget(parent), circle_(circle), hand_(hand) {
    setFixedSize(sizeHint());
    auto refresh = [this] {
        setVisible(circle_.visible() || hand_.visible());
        update();
    };
    circle_.changed.connect(refresh);
    hand_.changed.connect(refresh);
    refresh();
}

void Dial::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The hand is laid out around (x1, y1); centre that point in the widget.
    const QPointF offset(width() / 2.0 - hand_.x1, height() / 2.0 - hand_.y1);
    if (circle_.visible()) {
        p.setPen(QPen(palette().color(QPalette::Mid), 2));
        p.drawEllipse(QPointF(width() / 2.0, height() / 2.0), 19, 19);
    }
    if (hand_.visible()) {
        p.setPen(QPen(toQColor(hand_.color(), this), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(hand_.x1, hand_.y1) + offset, QPointF(hand_.x2(), hand_.y2()) + offset);
    }
}

}  // namespace zelto::widgets
