#pragma once

// The dialog the debug gesture on an ad opens: the creative's debug text under "Debug Creative
// Info", with "Copy" (to the general pasteboard) and "Report" (GADReportBadAd) when there is a
// text, only "OK" with "Creative information is not available" when there is none. Main
// thread; the ad view owns one, and the alert holds it weakly while shown.

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/AlertView.h"

namespace ads {

class GADAdDebugDialog : public platform::ui::AlertViewDelegate,
                         public std::enable_shared_from_this<GADAdDebugDialog> {
  public:
    static constexpr int kCopyButton = 1;
    static constexpr int kReportButton = 2;

    // The alert stays alive while shown or queued; it answers no one once this object is gone.
    ~GADAdDebugDialog() override;

    // Shows the alert for this text (the text at the time of showing is the one copied or
    // reported).
    void show(const std::optional<std::string>& debugText);
    std::shared_ptr<platform::ui::AlertView> alertView() const { return alertView_; }

    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override;

  private:
    std::shared_ptr<platform::ui::AlertView> alertView_;
    std::optional<std::string> text_;
};

}  // namespace ads
