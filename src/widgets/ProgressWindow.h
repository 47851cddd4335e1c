#pragma once

#include "screens/Progress.h"
#include "widgets/ScreenWidget.h"

class QLabel;
class QVBoxLayout;

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
    void addFileLines(QVBoxLayout* column);

    package::Progress& model_;
};

}  // namespace zelto::widgets
