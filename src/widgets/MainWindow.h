#pragma once

#include <QMainWindow>

#include "shell/FrmMain.h"

namespace zelto::widgets {

/// The main window: lays out frmMain's controls and binds each to its model. No rules here.
class MainWindow : public QMainWindow {
  public:
    explicit MainWindow(shell::FrmMain& model);

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildTestGrid();
    QWidget* buildOptions();
    QWidget* buildOfficeChoice(QWidget* panel);
    QLayout* buildRunEvery(QWidget* panel);
    QWidget* buildResults();
    QWidget* buildAddressBar();
    void bindWindow();

    shell::FrmMain& model_;
};

}  // namespace zelto::widgets
