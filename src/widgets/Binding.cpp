#include "widgets/Binding.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <memory>

#include "ui/BoxText.h"

namespace zelto::widgets {

namespace {

// Texts from profiles and help files may be Windows-1252 rather than UTF-8.
QString qs(const std::string& s) {
    return QString::fromStdString(ui::shownText(s));
}

// Captions come from profile files; a lone '&' must show as itself, not as a shortcut mark.
QString literalCaption(const std::string& s) {
    return qs(s).replace('&', "&&");
}

QString displayText(const std::string& s) {
    QString t = qs(s);
    t.replace("\r\n", "\n");
    t.replace('\r', '\n');
    return t;
}

void setTextColor(QWidget* w, ui::Color c) {
    QPalette pal = w->palette();
    QColor color = toQColor(c, w);
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::Text, color);
    pal.setColor(QPalette::ButtonText, color);
    w->setPalette(pal);
}

void syncCommon(QWidget* w, const ui::Control& m) {
    if (w->isHidden() == m.visible())
        w->setVisible(m.visible());
    w->setEnabled(m.enabled());
    w->setToolTip(qs(m.toolTip()));
}

// A widget may go before its model (a screen closed, a window torn down at exit); the model's
// later changes must not reach it.
template <class Sync>
void follow(QObject* widget, ui::Control& model, Sync sync) {
    model.changed.connect([guard = QPointer<QObject>(widget), sync] {
        if (guard)
            sync();
    });
}

}  // namespace

QColor toQColor(ui::Color c, const QWidget* w) {
    if (ui::isSystemColor(c))
        return w->palette().color(QPalette::ButtonText);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

void bind(QWidget* top, ui::Window& model) {
    auto sync = [top, &model] {
        top->setWindowTitle(qs(model.caption()));
        Qt::WindowStates wanted = Qt::WindowNoState;
        if (model.state() == ui::WindowState::Minimised)
            wanted = Qt::WindowMinimized;
        if (model.state() == ui::WindowState::Maximised)
            wanted = Qt::WindowMaximized;
        if (top->windowState() != wanted)
            top->setWindowState(wanted);
        if (top->isVisible() != model.visible())
            top->setVisible(model.visible());
    };
    follow(top, model, sync);
    sync();
}

ui::WindowState windowStateOf(const QWidget* top) {
    if (top->windowState() & Qt::WindowMinimized)
        return ui::WindowState::Minimised;
    if (top->windowState() & Qt::WindowMaximized)
        return ui::WindowState::Maximised;
    return ui::WindowState::Normal;
}

void bindVisibility(QWidget* widget, ui::Control& model) {
    auto sync = [widget, &model] { syncCommon(widget, model); };
    follow(widget, model, sync);
    sync();
}

void bind(QLabel* label, ui::TextBox& model) {
    auto sync = [label, &model] {
        syncCommon(label, model);
        label->setText(qs(model.text()));
        setTextColor(label, model.color());
    };
    follow(label, model, sync);
    sync();
}

void bind(QLineEdit* edit, ui::TextBox& model) {
    // The box edits in the encoding its text came in, and keeps it while the user types.
    struct State {
        ui::TextEncoding encoding = ui::TextEncoding::Utf8;
        bool typing = false;
    };
    auto state = std::make_shared<State>();
    auto shown = [&model, state] {
        return QString::fromStdString(ui::toUtf8(model.text(), state->encoding));
    };
    auto sync = [edit, &model, state, shown] {
        syncCommon(edit, model);
        if (!state->typing)
            state->encoding = ui::encodingOf(model.text());
        if (edit->text() != shown())
            edit->setText(shown());
        setTextColor(edit, model.color());
    };
    follow(edit, model, sync);
    QObject::connect(edit, &QLineEdit::textEdited, [edit, &model, state, shown](const QString& t) {
        const std::optional<std::string> bytes = ui::fromUtf8(t.toStdString(), state->encoding);
        if (!bytes) {
            const QString before = shown();
            const int cursor = edit->cursorPosition() - static_cast<int>(t.size() - before.size());
            edit->setText(before);
            edit->setCursorPosition(std::clamp(cursor, 0, static_cast<int>(before.size())));
            QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())),
                               "This text is kept in the Windows-1252 character set of its "
                               "profile, which cannot hold that character.",
                               edit);
            return;
        }
        state->typing = true;
        model.setText(*bytes);
        state->typing = false;
    });
    sync();
}

void bind(QPlainTextEdit* edit, ui::TextBox& model) {
    // Lines are appended one at a time during a run: append the new tail instead of replacing
    // up to 60000 characters on every line.
    auto shown = std::make_shared<std::string>();
    auto sync = [edit, &model, shown] {
        syncCommon(edit, model);
        setTextColor(edit, model.color());
        const std::string& text = model.text();
        if (text == *shown) {
        } else if (text.size() > shown->size() && text.compare(0, shown->size(), *shown) == 0 &&
                   (shown->empty() || shown->back() != '\r')) {
            QTextCursor cursor(edit->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(displayText(text.substr(shown->size())));
            *shown = text;
        } else {
            edit->setPlainText(displayText(text));
            *shown = text;
        }
        if (model.caret() >= text.size()) {
            edit->moveCursor(QTextCursor::End);
            edit->ensureCursorVisible();
        }
    };
    follow(edit, model, sync);
    sync();
}

void bind(QCheckBox* box, ui::CheckBox& model) {
    auto sync = [box, &model] {
        syncCommon(box, model);
        box->setText(literalCaption(model.caption()));
        if (box->isChecked() != model.value())
            box->setChecked(model.value());
    };
    follow(box, model, sync);
    QObject::connect(box, &QCheckBox::clicked, [box, &model](bool checked) {
        model.setValue(checked);
        // A handler may have refused or changed the value: show what the model holds.
        if (box->isChecked() != model.value())
            box->setChecked(model.value());
    });
    sync();
}

void bind(QRadioButton* button, ui::OptionGroup& model, int index) {
    auto sync = [button, &model, index] {
        syncCommon(button, model);
        button->setText(qs(model.captions().at(index)));
        if (static_cast<std::size_t>(index) < model.toolTips.size()) {
            button->setToolTip(qs(model.toolTips[index]));
        }
        button->setChecked(model.selected() == index);
    };
    follow(button, model, sync);
    QObject::connect(button, &QRadioButton::clicked, [&model, index] { model.select(index); });
    sync();
}

void bind(QAbstractButton* button, ui::Button& model, bool showCaption) {
    auto sync = [button, &model, showCaption] {
        syncCommon(button, model);
        if (showCaption)
            button->setText(qs(model.caption()));
    };
    follow(button, model, sync);
    QObject::connect(button, &QAbstractButton::clicked, [&model] { model.click(); });
    sync();
}

void bind(QAction* action, ui::MenuItem& model) {
    action->setCheckable(true);
    auto sync = [action, &model] {
        action->setText(qs(model.caption()));
        action->setChecked(model.checked());
        action->setEnabled(model.enabled());
    };
    follow(action, model, sync);
    QObject::connect(action, &QAction::triggered, [action, &model] {
        action->setChecked(model.checked());  // the mark follows the run state, not the click
        model.click();
    });
    sync();
}

void bind(QObject* owner, ui::Timer& model) {
    auto* timer = new QTimer(owner);  // owned by `owner` through Qt's parent tree
    auto sync = [timer, &model] {
        if (model.enabled() && model.interval() > 0) {
            if (!timer->isActive() || timer->interval() != model.interval()) {
                timer->start(model.interval());
            }
        } else {
            timer->stop();
        }
    };
    follow(timer, model, sync);
    QObject::connect(timer, &QTimer::timeout, [&model] { model.tick(); });
    sync();
}

}  // namespace zelto::widgets
