#include "widgets/QtPrompter.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/BoxText.h"

namespace zelto::widgets {

ui::Answer QtPrompter::ask(const std::string& text, ui::Buttons buttons, const std::string& title) {
    QWidget* parent = parent_ != nullptr && parent_->isVisible() ? parent_.data() : nullptr;
    QMessageBox box(
        buttons == ui::Buttons::YesNo ? QMessageBox::Question : QMessageBox::Information,
        // Messages quote test names, which may be Windows-1252.
        QString::fromStdString(ui::shownText(title)), QString::fromStdString(ui::shownText(text)),
        buttons == ui::Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
        parent);
    // A question asked while the wait pointer shows must still be answerable with the mouse.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    int r = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    if (buttons == ui::Buttons::Ok)
        return ui::Answer::Ok;
    return r == QMessageBox::Yes ? ui::Answer::Yes : ui::Answer::No;
}

void QtPrompter::beep() {
    QApplication::beep();
}

void QtPrompter::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace zelto::widgets
