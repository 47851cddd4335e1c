#include "widgets/NetParmsWindow.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <array>

#include "widgets/Binding.h"

namespace zelto::widgets {

namespace {

bool evenlySpaced(const QFont& font) {
    const QFontMetrics m(font);
    return m.horizontalAdvance('i') == m.horizontalAdvance('M');
}

// The report lines up its values with dots: it needs a fixed-pitch face. Some desktops answer
// the system's fixed font with a proportional one.
QFont reportFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!evenlySpaced(font)) {
        font = QFont("monospace");
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
    }
    font.setPointSize(9);
    return font;
}

}  // namespace

NetParmsWindow::NetParmsWindow(netparams::NetParmsText& model)
    : ScreenWidget(model.window), model_(model) {
    setObjectName("NetParmsText");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 8, 10, 10);
    outer->setSpacing(8);

    title_ = new QLabel(this);
    title_->setObjectName("ScreenTitle");
    QFont big = title_->font();
    big.setPointSize(12);
    title_->setFont(big);
    bind(title_, model_.ScreenTitle);
    outer->addWidget(title_);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("Net_Parms_Text");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->setFont(reportFont());
    // The report's header lines are 80 characters long: they must not wrap.
    text_->setMinimumWidth(QFontMetrics(text_->font()).horizontalAdvance(QString(81, 'M')) +
                           text_->verticalScrollBar()->sizeHint().width() +
                           2 * text_->frameWidth() + 8);
    bind(text_, model_.Net_Parms_Text);
    row->addWidget(text_, 1);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    const std::array<ui::Button*, 7> column{&model_.AllWExplain,   &model_.KeyWExplain,
                                            &model_.AllParameters, &model_.AnalyzeParameters,
                                            &model_.AdapterStatus, &model_.ShowHelp,
                                            &model_.PrintLog};
    const std::array<const char*, 7> names{"AllWExplain",       "KeyWExplain",   "AllParameters",
                                           "AnalyzeParameters", "AdapterStatus", "ShowHelp",
                                           "PrintLog"};
    for (std::size_t i = 0; i < column.size(); ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(names[i]);
        bind(b, *column[i]);
        buttons->addWidget(b);
        if (i == 5)
            buttons->addSpacing(12);  // the log button stands apart from the views
    }
    buttons->addStretch(1);
    auto* moves = new QHBoxLayout;
    for (auto [button, name] :
         {std::pair{&model_.MoveLeft, "MoveLeft"}, std::pair{&model_.MoveRight, "MoveRight"}}) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        bind(b, *button);
        moves->addWidget(b);
    }
    buttons->addLayout(moves);
    row->addLayout(buttons);
    outer->addLayout(row, 1);

    bindWindow();
}

}  // namespace zelto::widgets
