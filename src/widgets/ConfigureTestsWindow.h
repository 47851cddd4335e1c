#pragma once

#include <QWidget>

#include "screens/ConfigureTests.h"

namespace zelto::widgets {

/// The Configure Tests screen: the banner at the top, one row per test line (option button,
/// name, message, three values) and the fill, move, store and package buttons at the right.
/// Every widget carries its control's name as object name. No rules here.
class ConfigureTestsWindow : public QWidget {
  public:
    explicit ConfigureTestsWindow(profiles::ConfigureTests& model);

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildLines();
    QWidget* buildActions();
    void bindWindow();

    profiles::ConfigureTests& model_;
};

}  // namespace zelto::widgets
