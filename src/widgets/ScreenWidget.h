#pragma once

#include <QWidget>

#include "ui/ScreenWindow.h"

namespace zelto::widgets {

/// Pixels for a length in twips (1/1440 inch) at the widget's logical resolution.
int twipsToPixels(int twips, const QWidget* widget);

/// A secondary screen's top-level window bound to its model: caption, visibility, state,
/// place and size follow the model; the user's minimise, maximise and close reach it.
class ScreenWidget : public QWidget {
  public:
    explicit ScreenWidget(ui::ScreenWindow& window);

  protected:
    /// Binds the window model; call once the layout is built, so sizes account for it.
    void bindWindow();
    /// The client width that the model's width gives; screens may widen it to fit.
    virtual int clientWidth(int modelWidthTwips);
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void place();

    ui::ScreenWindow& window_;
};

}  // namespace zelto::widgets
