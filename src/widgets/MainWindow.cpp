#include "widgets/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

#include "widgets/Binding.h"
#include "widgets/Dial.h"

namespace zelto::widgets {

namespace {

QLineEdit* readOnlyBox(QWidget* parent, int width = 0) {
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    if (width > 0)
        e->setFixedWidth(width);
    return e;
}

QToolButton* pictureButton(QWidget* parent, const char* picture) {
    auto* b = new QToolButton(parent);
    b->setIcon(QIcon(picture));
    b->setAutoRaise(true);
    b->setIconSize({16, 16});
    return b;
}

QPushButton* iconButton(QWidget* parent, QStyle::StandardPixmap icon, ui::Button& model) {
    auto* b = new QPushButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    bind(b, model);
    return b;
}

QLabel* picture(QWidget* parent, const char* path) {
    auto* l = new QLabel(parent);
    l->setPixmap(QIcon(path).pixmap(16, 16));
    return l;
}

QLabel* boldLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

}  // namespace

MainWindow::MainWindow(shell::FrmMain& model) : model_(model) {
    auto& c = model_.controls;
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(10, 10, 10, 8);
    outer->setSpacing(8);

    auto* banner = readOnlyBox(central);
    banner->setStyleSheet("QLineEdit { background: palette(window); color: #555; border: none; }");
    bind(banner, c.Banner);
    outer->addWidget(banner);

    auto* top = new QHBoxLayout;
    top->addWidget(buildTestGrid(), 1);
    top->addWidget(buildOptions());
    outer->addLayout(top);
    outer->addWidget(buildResults(), 1);
    outer->addWidget(buildAddressBar());
    setCentralWidget(central);

    bind(this, c.Timer1);
    bind(this, c.Timer2);
    bindWindow();
    resize(820, 640);
}

QWidget* MainWindow::buildTestGrid() {
    auto& c = model_.controls;
    auto* frame = new QGroupBox(this);  // FrameHelpDesk: no caption
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);

    const std::array<ui::Label*, 3> heads{&c.Label1, &c.Label2, &c.Pass};
    for (int i = 0; i < 3; ++i) {
        auto* l = boldLabel(frame);
        bind(l, *heads[i]);
        grid->addWidget(l, 0, i);
    }
    auto* runNumber = readOnlyBox(frame, 52);
    runNumber->setAlignment(Qt::AlignRight);
    bind(runNumber, c.Passes[profiles::CheckerControls::kRunNumberSlot]);
    grid->addWidget(runNumber, 1, 2);

    for (int r = 0; r < static_cast<int>(profiles::CheckerControls::kRows); ++r) {
        auto* test = new QCheckBox(frame);
        bind(test, c.Test[r]);
        grid->addWidget(test, r + 2, 0);
        auto* status = readOnlyBox(frame, 150);
        bind(status, c.Status[r]);
        grid->addWidget(status, r + 2, 1);
        auto* passes = readOnlyBox(frame, 52);
        passes->setAlignment(Qt::AlignRight);
        bind(passes, c.Passes[r]);
        grid->addWidget(passes, r + 2, 2);
        auto* help = pictureButton(frame, ":/pictures/cross.svg");
        bind(help, c.Help1[r], false);
        grid->addWidget(help, r + 2, 3);
    }
    auto* selectors = new QHBoxLayout;
    auto* all = new QCheckBox(frame);
    QFont bold = all->font();
    bold.setBold(true);
    all->setFont(bold);
    bind(all, c.AllTests);
    auto* core = new QCheckBox(frame);
    bind(core, c.CoreTests);
    selectors->addWidget(all);
    selectors->addWidget(core);
    selectors->addStretch();
    grid->addLayout(selectors, 10, 0, 1, 4);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(11, 1);
    return frame;
}

QWidget* MainWindow::buildOptions() {
    auto& c = model_.controls;
    auto* panel = new QWidget(this);
    auto* col = new QVBoxLayout(panel);
    col->setContentsMargins(0, 0, 0, 0);

    auto* run = iconButton(panel, QStyle::SP_MediaPlay, c.RunTests);
    run->setDefault(true);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(run);
    runRow->addWidget(iconButton(panel, QStyle::SP_MediaStop, c.btnStopTest));
    col->addLayout(runRow);

    auto* status = readOnlyBox(panel);
    status->setAlignment(Qt::AlignCenter);
    status->setStyleSheet("QLineEdit { background: white; font-weight: bold; }");
    bind(status, c.TestStatus);
    col->addWidget(status);
    col->addWidget(buildOfficeChoice(panel));
    col->addLayout(buildRunEvery(panel));

    for (ui::CheckBox* box : {&c.ContinuousLog, &c.ErrorsOnly, &c.TimeStamps, &c.SimpleMessage,
                              &c.BeepIfFailed, &c.BeepifPassed}) {
        auto* w = new QCheckBox(panel);
        bind(w, *box);
        col->addWidget(w);
    }
    col->addStretch();
    col->addWidget(iconButton(panel, QStyle::SP_FileDialogDetailedView, c.DisplayTestSetup));
    col->addWidget(iconButton(panel, QStyle::SP_DialogHelpButton, c.Open_UserGuide));
    col->addWidget(iconButton(panel, QStyle::SP_ComputerIcon, c.NetParms));
    panel->setFixedWidth(250);
    return panel;
}

QWidget* MainWindow::buildOfficeChoice(QWidget* panel) {
    auto& c = model_.controls;
    auto* office = new QGroupBox(panel);
    auto* officeRow = new QHBoxLayout(office);
    c.OfficeFrame.changed.connect(
        [office, &c] { office->setTitle(QString::fromStdString(c.OfficeFrame.text())); });
    office->setTitle(QString::fromStdString(c.OfficeFrame.text()));
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(office);
        bind(option, c.OfficeOption, i);
        officeRow->addWidget(option);
    }
    return office;
}

QLayout* MainWindow::buildRunEvery(QWidget* panel) {
    auto& c = model_.controls;
    auto* every = new QHBoxLayout;
    auto* continuous = new QCheckBox(panel);
    bind(continuous, c.Continuous);
    auto* interval = new QLineEdit(panel);
    interval->setMaxLength(2);
    interval->setFixedWidth(34);
    interval->setAlignment(Qt::AlignRight);
    bind(interval, c.RunInterval);
    auto* seconds = new QLabel(panel);
    bind(seconds, c.Label5);
    every->addWidget(continuous);
    every->addWidget(interval);
    every->addWidget(seconds);
    every->addWidget(new Dial(c.RotCircle, c.RotLine, panel));
    every->addStretch();
    return every;
}

QWidget* MainWindow::buildResults() {
    auto& c = model_.controls;
    auto* panel = new QWidget(this);
    auto* col = new QVBoxLayout(panel);
    col->setContentsMargins(0, 0, 0, 0);
    auto* head = new QHBoxLayout;
    auto* label = new QLabel(panel);
    bind(label, c.Label3);
    head->addWidget(label);
    head->addStretch();
    auto* clear = new QPushButton(panel);
    bind(clear, c.btnClearResults);
    head->addWidget(clear);
    head->addWidget(iconButton(panel, QStyle::SP_DialogSaveButton, c.PrintLog2));
    col->addLayout(head);
    auto* results = new QPlainTextEdit(panel);
    results->setReadOnly(true);
    results->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    results->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    results->setMinimumHeight(160);
    bind(results, c.Results1);
    col->addWidget(results);
    return panel;
}

QWidget* MainWindow::buildAddressBar() {
    auto& c = model_.controls;
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label4 = new QLabel(bar);
    bind(label4, c.Label4);
    auto* ip = new QLabel(bar);
    ip->setObjectName("current_ip");
    // "Blank!" blinks while the PC has no address: the cross beside it must not jump.
    QSizePolicy keepPlace = ip->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ip->setSizePolicy(keepPlace);
    bind(ip, c.current_ip);
    auto* tick = picture(bar, ":/pictures/tick.svg");
    bindVisibility(tick, c.IP_Check);
    auto* help = pictureButton(bar, ":/pictures/cross.svg");
    help->setObjectName("Help1_8");
    bind(help, c.Help1[profiles::CheckerControls::kAddressHelp], false);
    row->addWidget(label4);
    row->addWidget(ip);
    row->addWidget(tick);
    row->addWidget(help);
    row->addStretch();
    auto* adapterLabel = new QLabel(bar);
    bind(adapterLabel, c.Adapter_status_lbl);
    auto* adapter = new QLabel(bar);
    bind(adapter, c.Adapter_status);
    auto* check = picture(bar, ":/pictures/tick.svg");
    bindVisibility(check, c.Adapter_check);
    auto* cross = picture(bar, ":/pictures/cross.svg");
    bindVisibility(cross, c.Adapter_cross);
    row->addWidget(adapterLabel);
    row->addWidget(adapter);
    row->addWidget(check);
    row->addWidget(cross);
    return bar;
}

void MainWindow::bindWindow() {
    ui::Window& w = model_.controls.window;
    auto sync = [this, &w] {
        if (w.icon() != 0) {
            setWindowIcon(QIcon(QString(":/icons/%1.svg").arg(w.icon())));
        } else {
            setWindowIcon(QIcon(":/icons/zelto.svg"));
        }
    };
    bind(this, w);
    w.changed.connect(sync);
    sync();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    model_.controls.window.setState(windowStateOf(this));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();  // the model decides: it saves the settings and ends the program
    model_.Form_Unload();
}

}  // namespace zelto::widgets
