#pragma once

#include "screens/NetParmsText.h"
#include "widgets/ScreenWidget.h"

class QLabel;
class QPlainTextEdit;

namespace zelto::widgets {

/// The Network Parameters screen: a title, the report in a fixed-pitch text box and a column
/// of buttons at the right. No rules here.
class NetParmsWindow : public ScreenWidget {
  public:
    explicit NetParmsWindow(netparams::NetParmsText& model);

    QLabel* title() const { return title_; }
    QPlainTextEdit* text() const { return text_; }

  private:
    netparams::NetParmsText& model_;
    QLabel* title_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
};

}  // namespace zelto::widgets
