#include "widgets/ProgressWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

void paintButton(QPushButton* b, const char* background) {
    b->setStyleSheet(QString("QPushButton { background-color: %1; color: black; padding: 6px; }")
                         .arg(background));
}

}  // namespace

ProgressWindow::ProgressWindow(package::Progress& model) : ScreenWidget(model.window), m_(model) {
    setObjectName("Progress");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);

    QLabel* headline = boldLabel(this, "FileNam0");
    headline->setWordWrap(true);
    bind(headline, m_.FileNam[0]);
    column->addWidget(headline);

    auto* agreement = new QPlainTextEdit(this);
    agreement->setObjectName("Agreement");
    agreement->setReadOnly(true);
    agreement->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bind(agreement, m_.Agreement);
    column->addWidget(agreement, 1);

    auto* answers = new QHBoxLayout;
    auto* accept = new QPushButton(this);
    accept->setObjectName("AcceptAgreement");
    paintButton(accept, "#00c000");
    bind(accept, m_.AcceptAgreement);
    auto* decline = new QPushButton(this);
    decline->setObjectName("DeclineAgreement");
    paintButton(decline, "#ff4040");
    bind(decline, m_.DeclineAgreement);
    answers->addWidget(accept);
    answers->addWidget(decline);
    column->addLayout(answers);

    QLabel* status = boldLabel(this, "Label1");
    bind(status, m_.Label1);
    column->addWidget(status);

    auto* files = new QGridLayout;
    files->setHorizontalSpacing(24);
    int row = 0;
    for (int index : kLeftColumn) {
        auto* l = new QLabel(this);
        l->setObjectName(QString("FileNam%1").arg(index));
        bind(l, m_.FileNam.at(static_cast<std::size_t>(index)));
        files->addWidget(l, row++, 0);
    }
    row = 0;
    for (int index : kRightColumn) {
        auto* l = new QLabel(this);
        l->setObjectName(QString("FileNam%1").arg(index));
        bind(l, m_.FileNam.at(static_cast<std::size_t>(index)));
        files->addWidget(l, row++, 1);
    }
    column->addLayout(files);

    auto* folder = new QLabel(this);
    folder->setObjectName("FileNam8");
    folder->setWordWrap(true);
    folder->setAlignment(Qt::AlignCenter);
    bind(folder, m_.FileNam[package::Progress::kFolderLine]);
    column->addWidget(folder);
    column->addStretch(0);

    auto* close = new QPushButton(this);
    close->setObjectName("btnCloseScreen");
    paintButton(close, "#c0c0c0");
    bind(close, m_.btnCloseScreen);
    column->addWidget(close, 0, Qt::AlignHCenter);

    bindWindow();
}

QLabel* ProgressWindow::fileLine(int index) const {
    return findChild<QLabel*>(QString("FileNam%1").arg(index));
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // Closing the installer ends it; the model refuses only while files are being written.
    event->ignore();
    m_.Form_Unload();
}

}  // namespace zelto::widgets
