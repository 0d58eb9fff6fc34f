#include "ads/web/GADAdDebugDialog.h"

#include "ads/web/GADReportBadAd.h"
#include "platform/ui/Pasteboard.h"

namespace ads {

namespace {

constexpr const char* kTitle = "Debug Creative Info";
constexpr const char* kNoInformation = "Creative information is not available";

}  // namespace

GADAdDebugDialog::~GADAdDebugDialog() {
    if (alertView_) alertView_->setDelegate({});
}

void GADAdDebugDialog::show(const std::optional<std::string>& debugText) {
    // An empty text tells the user as little as none, and has nothing to copy or report.
    text_ = debugText && !debugText->empty() ? debugText : std::nullopt;
    if (alertView_) alertView_->setDelegate({});
    alertView_ = platform::ui::AlertView::create(kTitle, text_ ? *text_ : kNoInformation,
                                                 weak_from_this(), "OK");
    if (text_) {
        alertView_->addButtonWithTitle("Copy");
        alertView_->addButtonWithTitle("Report");
    }
    alertView_->show();
}

void GADAdDebugDialog::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) {
    if (&alert != alertView_.get()) return;
    alertView_.reset();
    if (!text_) return;
    if (index == kCopyButton) {
        platform::ui::Pasteboard::generalPasteboard().setString(*text_);
    } else if (index == kReportButton) {
        GADReportBadAd(*text_);
    }
}

}  // namespace ads
