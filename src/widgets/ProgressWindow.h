#pragma once

#include "screens/Progress.h"
#include "widgets/ScreenWidget.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zelto::widgets {

/// The installer screen: the agreement with its two buttons, then the status line of each
/// packed file in two columns, the folder line and "Exit Install". No rules here.
class ProgressWindow : public ScreenWidget {
  public:
    explicit ProgressWindow(package::Progress& model);

    QLabel* fileLine(int index) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    package::Progress& m_;
};

}  // namespace zelto::widgets
