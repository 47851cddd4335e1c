#include "widgets/ProgressWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <span>

#include "widgets/Binding.h"

namespace zelto::widgets {

namespace {

// The file lines as the screen places them: left column top to bottom, then the right one.
constexpr int kLeftColumn[] = {6, 5, 4, 3};
constexpr int kRightColumn[] = {2, 1};

QLabel* boldLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

QPushButton* paintedButton(QWidget* parent, const char* name, const char* background,
                           ui::Button& model) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setStyleSheet(QString("QPushButton { background-color: %1; color: black; padding: 6px; }")
                         .arg(background));
    bind(b, model);
    return b;
}

void addFileColumn(QWidget* parent, QGridLayout* files, int column, std::span<const int> indices,
                   package::Progress& model) {
    int row = 0;
    for (int index : indices) {
        auto* l = new QLabel(parent);
        l->setObjectName(QString("FileNam%1").arg(index));
        bind(l, model.FileNam.at(static_cast<std::size_t>(index)));
        files->addWidget(l, row++, column);
    }
}

}  // namespace

ProgressWindow::ProgressWindow(package::Progress& model)
    : ScreenWidget(model.window), model_(model) {
    setObjectName("Progress");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);

    QLabel* headline = boldLabel(this, "FileNam0");
    headline->setWordWrap(true);
    bind(headline, model_.FileNam[0]);
    column->addWidget(headline);

    auto* agreement = new QPlainTextEdit(this);
    agreement->setObjectName("Agreement");
    agreement->setReadOnly(true);
    agreement->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bind(agreement, model_.Agreement);
    column->addWidget(agreement, 1);

    auto* answers = new QHBoxLayout;
    answers->addWidget(paintedButton(this, "AcceptAgreement", "#00c000", model_.AcceptAgreement));
    answers->addWidget(paintedButton(this, "DeclineAgreement", "#ff4040", model_.DeclineAgreement));
    column->addLayout(answers);

    QLabel* status = boldLabel(this, "Label1");
    bind(status, model_.Label1);
    column->addWidget(status);
    addFileLines(column);
    column->addWidget(paintedButton(this, "btnCloseScreen", "#c0c0c0", model_.btnCloseScreen), 0,
                      Qt::AlignHCenter);
    bindWindow();
}

void ProgressWindow::addFileLines(QVBoxLayout* column) {
    auto* files = new QGridLayout;
    files->setHorizontalSpacing(24);
    addFileColumn(this, files, 0, kLeftColumn, model_);
    addFileColumn(this, files, 1, kRightColumn, model_);
    column->addLayout(files);

    auto* folder = new QLabel(this);
    folder->setObjectName("FileNam8");
    folder->setWordWrap(true);
    folder->setAlignment(Qt::AlignCenter);
    bind(folder, model_.FileNam[package::Progress::kFolderLine]);
    column->addWidget(folder);
    column->addStretch(0);
}

QLabel* ProgressWindow::fileLine(int index) const {
    return findChild<QLabel*>(QString("FileNam%1").arg(index));
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // Closing the installer ends it; the model refuses only while files are being written.
    event->ignore();
    model_.Form_Unload();
}

}  // namespace zelto::widgets
