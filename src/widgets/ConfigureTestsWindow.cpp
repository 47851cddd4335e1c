#include "widgets/ConfigureTestsWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <memory>

#include "widgets/Binding.h"

namespace zelto::widgets {

namespace {

QString name(const char* base, int index) {
    return QString("%1%2").arg(base).arg(index);
}

QLineEdit* edit(QWidget* parent, const QString& objectName, ui::TextBox& model) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(objectName);
    // A text filled in from code shows its beginning, not its end; the user's own typing keeps
    // its caret. Qt runs the slots of one signal in the order they were connected, so the flag
    // brackets the binding's own handler.
    auto typing = std::make_shared<bool>(false);
    QObject::connect(e, &QLineEdit::textEdited, [typing] { *typing = true; });
    bind(e, model);
    QObject::connect(e, &QLineEdit::textEdited, [typing] { *typing = false; });
    model.changed.connect([e, typing] {
        if (!*typing)
            e->setCursorPosition(0);
    });
    e->setCursorPosition(0);
    return e;
}

QPushButton* button(QWidget* parent, const QString& objectName, ui::Button& model) {
    auto* b = new QPushButton(parent);
    b->setObjectName(objectName);
    bind(b, model);
    return b;
}

QLabel* boldLabel(QWidget* parent, const QString& objectName, ui::Label& model) {
    auto* l = new QLabel(parent);
    l->setObjectName(objectName);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    bind(l, model);
    return l;
}

// The notes are fixed three-line texts with CR LF breaks.
QLabel* note(QWidget* parent, const QString& objectName, ui::Label& model) {
    auto* l = new QLabel(parent);
    l->setObjectName(objectName);
    l->setText(QString::fromStdString(model.text()).replace("\r\n", "\n"));
    l->setStyleSheet("QLabel { color: #555; }");
    bindVisibility(l, model);
    return l;
}

}  // namespace

ConfigureTestsWindow::ConfigureTestsWindow(profiles::ConfigureTests& model)
    : QWidget(nullptr, Qt::Window), model_(model) {
    setObjectName("ConfigureTests");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(8);

    auto* bannerRow = new QHBoxLayout;
    bannerRow->addWidget(boldLabel(this, "ConfiguredByLabel", model_.ConfiguredByLabel));
    bannerRow->addWidget(edit(this, "ConfiguredBy", model_.ConfiguredBy), 1);
    outer->addLayout(bannerRow);

    auto* body = new QHBoxLayout;
    body->addWidget(buildLines(), 1);
    body->addWidget(buildActions());
    outer->addLayout(body, 1);
    bindWindow();
    resize(1120, sizeHint().height());
}

QWidget* ConfigureTestsWindow::buildLines() {
    auto* panel = new QGroupBox(this);
    auto* grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    grid->addWidget(boldLabel(panel, "TestNameMessage", model_.TestNameMessage), 0, 1, 1, 2);
    grid->addWidget(boldLabel(panel, "TestValues", model_.TestValues), 0, 3, 1, 3);

    constexpr int kLines = profiles::ConfigureTests::kLines;
    for (int line = 1; line <= kLines; ++line) {
        auto* option = new QRadioButton(panel);
        option->setObjectName(name("Option1_", line));
        // "None selected" is a state of its own, which Qt's exclusive radio buttons cannot
        // show: the model keeps the one selection and every button mirrors it.
        option->setAutoExclusive(false);
        bind(option, model_.Option1, line);
        QObject::connect(option, &QRadioButton::clicked, [this, option, line] {
            option->setChecked(model_.Option1.selected() == line);
        });
        grid->addWidget(option, line, 0);

        auto* test = edit(panel, name("Test", line), model_.Test[line]);
        test->setMinimumWidth(110);
        grid->addWidget(test, line, 1);
        auto* message = edit(panel, name("TestMessage", line), model_.TestMessage[line]);
        message->setMinimumWidth(300);
        grid->addWidget(message, line, 2);
        for (int k = 1; k <= profiles::ConfigureTests::kValuesPerLine; ++k) {
            const int box = profiles::ConfigureTests::valueBox(line, k);
            auto* value = edit(panel, name("TestValue", box), model_.TestValue[box]);
            value->setMinimumWidth(120);
            grid->addWidget(value, line, 2 + k);
        }
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 4);
    for (int col = 3; col <= 5; ++col)
        grid->setColumnStretch(col, 2);
    grid->setRowStretch(kLines + 1, 1);
    return panel;
}

QWidget* ConfigureTestsWindow::buildActions() {
    auto* panel = new QWidget(this);
    auto* col = new QVBoxLayout(panel);
    col->setContentsMargins(0, 0, 0, 0);
    col->addWidget(note(panel, "Text1", model_.Text1));

    auto* frame = new QGroupBox(panel);
    frame->setObjectName("Frame1");
    auto* fills = new QVBoxLayout(frame);
    fills->addWidget(note(frame, "Text2", model_.Text2));
    fills->addWidget(button(frame, "Gateway", model_.Gateway));
    fills->addWidget(button(frame, "DNS", model_.DNS));
    fills->addWidget(button(frame, "DHCP", model_.DHCP));
    auto* keywords = new QHBoxLayout;
    for (int i = 0; i < 2; ++i)
        keywords->addWidget(button(frame, name("Autoconfig", i), model_.Autoconfig[i]));
    fills->addLayout(keywords);
    col->addWidget(frame);

    col->addWidget(button(panel, "ClearValues", model_.ClearValues));
    auto* moves = new QHBoxLayout;
    auto* up = button(panel, "MoveUp", model_.MoveUp);
    up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    auto* down = button(panel, "MoveDown", model_.MoveDown);
    down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    moves->addWidget(up);
    moves->addWidget(down);
    col->addLayout(moves);
    col->addStretch();

    auto* temp = button(panel, "TempStore", model_.TempStore);
    temp->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    auto* perm = button(panel, "PermStore", model_.PermStore);
    perm->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    auto* package = button(panel, "MakePackage", model_.MakePackage);
    for (QPushButton* b : {temp, perm, package})
        col->addWidget(b);
    panel->setFixedWidth(240);
    return panel;
}

void ConfigureTestsWindow::bindWindow() {
    bind(this, model_.window);
    model_.window.raised.connect([this] {
        raise();
        activateWindow();
    });
}

void ConfigureTestsWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    model_.window.setState(windowStateOf(this));
}

void ConfigureTestsWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the screen; the next opening reloads it from the profile.
    event->ignore();
    model_.unload();
}

}  // namespace zelto::widgets
