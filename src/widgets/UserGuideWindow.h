#pragma once

#include "screens/User_Guide.h"
#include "widgets/ScreenWidget.h"

class QPlainTextEdit;
class QWidget;

namespace zelto::widgets {

/// The help and user guide screen: the text at the left, the chapter buttons (or the
/// Network Parameters button) in a column at the right. No rules here.
class UserGuideWindow : public ScreenWidget {
  public:
    explicit UserGuideWindow(help::User_Guide& model);

    QPlainTextEdit* text() const { return text_; }

  protected:
    int clientWidth(int modelWidthTwips) override;

  private:
    help::User_Guide& model_;
    QPlainTextEdit* text_ = nullptr;
    QWidget* column_ = nullptr;
};

}  // namespace zelto::widgets
