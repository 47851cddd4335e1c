#include "widgets/ScreenWidget.h"

#include "widgets/Binding.h"

#include <QCloseEvent>
#include <QScreen>

#include <cmath>

namespace zelto::widgets {

namespace {

// Where a screen opens vertically before the user has moved it: below the top panel.
constexpr int kFirstTop = 40;

}  // namespace

int twipsToPixels(int twips, const QWidget* widget) {
    const int dpi = widget->logicalDpiX() > 0 ? widget->logicalDpiX() : 96;
    return static_cast<int>(std::lround(twips * dpi / static_cast<double>(ui::kTwipsPerInch)));
}

ScreenWidget::ScreenWidget(ui::ScreenWindow& window)
    : QWidget(nullptr, Qt::Window), window_(window) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

int ScreenWidget::clientWidth(int modelWidthTwips) {
    return twipsToPixels(modelWidthTwips, this);
}

void ScreenWidget::bindWindow() {
    bind(this, window_);
    window_.raised.connect([this] {
        raise();
        activateWindow();
    });
    window_.placed.connect([this] { place(); });
    window_.resized.connect([this] {
        if (window_.width() > 0 && window_.height() > 0)
            resize(clientWidth(window_.width()), twipsToPixels(window_.height(), this));
    });
    if (window_.width() > 0 && window_.height() > 0)
        resize(clientWidth(window_.width()), twipsToPixels(window_.height(), this));
    // Until the model places it, the window system chooses where a screen opens.
}

void ScreenWidget::place() {
    const QScreen* s = screen();
    const QRect area = s != nullptr ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    const int top = isVisible() ? std::max(pos().y(), area.top()) : area.top() + kFirstTop;
    move(area.left() + twipsToPixels(window_.left(), this), top);
}

void ScreenWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    window_.setState(windowStateOf(this));
}

void ScreenWidget::closeEvent(QCloseEvent* event) {
    // Closing only hides the screen: it is reused, with its texts, when next opened.
    event->accept();
    window_.unload();
}

}  // namespace zelto::widgets
