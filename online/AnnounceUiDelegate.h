#pragma once

// The manager is a process-long singleton, not a shared object, while sheets and alerts hold
// their delegates weakly; this small shared object stands in for it and passes the clicks on.

#include "online/AnnounceManager.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"

namespace online {

class AnnounceManager::UiDelegate : public platform::ui::ActionSheetDelegate,
                                    public platform::ui::AlertViewDelegate {
  public:
    explicit UiDelegate(AnnounceManager& manager) : manager_(manager) {}

    void actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet, int index) override {
        manager_.actionSheetClickedButtonAtIndex(sheet, index);
    }
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override {
        manager_.alertViewClickedButtonAtIndex(alert, index);
    }

  private:
    AnnounceManager& manager_;
};

}  // namespace online
