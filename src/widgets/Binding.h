#pragma once

#include <QColor>
#include <QObject>

#include "ui/Colors.h"
#include "ui/Controls.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QTimer;
class QWidget;

namespace zelto::widgets {

/// The Qt colour of a stored colour value; system colours come from the widget's palette.
QColor toQColor(ui::Color c, const QWidget* w);

// Each bind() keeps a widget and its model in step: model changes reach the widget at once,
// user input reaches the model (and through it the handlers). The model must outlive the
// widget.
void bind(QLabel* label, ui::TextBox& model);
void bind(QLineEdit* edit, ui::TextBox& model);
void bind(QPlainTextEdit* edit, ui::TextBox& model);
void bind(QCheckBox* box, ui::CheckBox& model);
void bind(QRadioButton* button, ui::OptionGroup& model, int index);
void bind(QAbstractButton* button, ui::Button& model, bool showCaption = true);
void bind(QAction* action, ui::MenuItem& model);
/// Drives a model timer from a QTimer owned by `owner`.
void bind(QObject* owner, ui::Timer& model);
/// Keeps a top-level widget's title, window state and visibility in step with its model.
void bind(QWidget* top, ui::Window& model);
/// The model's state for a top-level widget's window state (for its changeEvent).
ui::WindowState windowStateOf(const QWidget* top);
/// Mirrors visibility and tooltip only, for widgets whose content is drawn by us.
void bindVisibility(QWidget* widget, ui::Control& model);

}  // namespace zelto::widgets
