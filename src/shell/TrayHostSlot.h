#pragma once

#include "shell/TrayHost.h"

namespace zelto::shell {

/// A tray host that forwards to one set later: the Qt host needs the main window's menu
/// models, which exist only once the main window model does.
class TrayHostSlot : public TrayHost {
  public:
    void setTarget(TrayHost* target) { target_ = target; }

    void add(const TrayIconData& record) override {
        if (target_ != nullptr)
            target_->add(record);
    }
    void modify(const TrayIconData& record) override {
        if (target_ != nullptr)
            target_->modify(record);
    }
    void remove() override {
        if (target_ != nullptr)
            target_->remove();
    }
    bool available() const override { return target_ != nullptr && target_->available(); }
    void showMenu() override {
        if (target_ != nullptr)
            target_->showMenu();
    }

  private:
    TrayHost* target_ = nullptr;
};

}  // namespace zelto::shell
