#include "widgets/UserGuideWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "widgets/Binding.h"

namespace zelto::widgets {

namespace {

constexpr int kMargin = 10;
constexpr int kSpacing = 10;

}  // namespace

UserGuideWindow::UserGuideWindow(help::User_Guide& model)
    : ScreenWidget(model.window), model_(model) {
    setObjectName("User_Guide");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    row->setSpacing(kSpacing);

    text_ = new QPlainTextEdit(this);
    text_->setObjectName("User_Guide_Text");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Prose in the desktop's proportional face at 10 points: readable, and about the 70
    // characters per line that the help screen's size rule counts on.
    QFont prose = QApplication::font();
    prose.setPointSize(10);
    text_->setFont(prose);
    bind(text_, model_.User_Guide_Text);
    row->addWidget(text_, 1);

    column_ = new QWidget(this);
    auto* buttons = new QVBoxLayout(column_);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(6);
    for (int index : help::User_Guide::kChapterOrder) {
        auto* b = new QPushButton(column_);
        b->setObjectName(QString("GuideText%1").arg(index));
        bind(b, model_.GuideText.at(index));
        buttons->addWidget(b);
    }
    auto* netParms = new QPushButton(column_);
    netParms->setObjectName("NetParmsH");
    bind(netParms, model_.NetParmsH);
    buttons->addWidget(netParms);
    buttons->addStretch(1);
    row->addWidget(column_);

    bindWindow();
}

int UserGuideWindow::clientWidth(int modelWidthTwips) {
    // The text box keeps its stated width even when the buttons' captions need more room than
    // the window's width leaves them.
    const int wanted = twipsToPixels(model_.textWidth(), this) + column_->sizeHint().width() +
                       kSpacing + 2 * kMargin;
    return std::max(twipsToPixels(modelWidthTwips, this), wanted);
}

}  // namespace zelto::widgets
