// The pop-up announcement after a game: an alert with link buttons, shown once per serial.

#include "online/AnnounceManager.h"
#include "online/AnnounceText.h"
#include "online/AnnounceUiDelegate.h"
#include "platform/ui/AlertView.h"
#include "util/LogMessage.h"

namespace online {

void AnnounceManager::showPopupAdSub() {
    const char* caller = "-[AnnounceManager showPopupAdSub]";
    util::LogMessage(caller, 1, "processPopupAdSub");
    const std::optional<platform::Value> info = popupAdInfo_;
    if (!info) return;
    int32_t serial = AnnounceIntValue(info->at(2));
    if (serial == 0 || serial == popupAdDoneSerial_) return;
    int64_t expiry = AnnounceLongLongValue(info->at(3));
    if (expiry >= 1 && now() > static_cast<double>(expiry)) return;
    const platform::Value& title = info->at(4);
    const platform::Value& message = info->at(5);
    const platform::Value& buttons = info->at(6);
    if (!buttons.isArray()) return;

    util::LogMessage(caller, 1, "show popupAd");
    popupAdDoneSerial_ = serial;
    // Remembered across launches, so the same serial never shows twice (the cache writes it
    // unless it is shut down).
    if (auto cacheDir = prepareCacheDir()) cache_->recordPopupShown(*cacheDir, serial);
    if (isShutdown()) return;

    if (!uiDelegate_) uiDelegate_ = std::make_shared<UiDelegate>(*this);
    auto alert = platform::ui::AlertView::create(title.asString(), message.asString(), uiDelegate_);
    // Only the entries that become buttons are kept, so a button's index is its entry's.
    popupAdButtons_.clear();
    for (const platform::Value& entry : buttons.asArray()) {
        if (!entry.isArray()) continue;
        popupAdButtons_.push_back(entry);
        alert->addButtonWithTitle(entry.at(0).asString());
    }
    // An alert without buttons could never be closed.
    if (popupAdButtons_.empty()) alert->addButtonWithTitle("OK");
    popupAdAlertView_ = alert;
    alert->show();
}

void AnnounceManager::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) {
    if (&alert != popupAdAlertView_.get()) return;
    if (index < 0 || static_cast<std::size_t>(index) >= popupAdButtons_.size()) return;
    const platform::Value& url = popupAdButtons_[index].at(1);
    if (url.isString() && !url.stringRef().empty()) openUrl(url.stringRef());
}

}  // namespace online
