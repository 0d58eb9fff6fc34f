#include "online/AnnouncePopup.h"

#include "online/AnnounceCache.h"
#include "online/AnnounceHost.h"
#include "online/AnnounceText.h"
#include "util/LogMessage.h"

namespace online {

std::shared_ptr<AnnouncePopup> AnnouncePopup::create(AnnounceHost& host,
                                                     std::shared_ptr<AnnounceCache> cache) {
    return std::make_shared<AnnouncePopup>(Private{}, host, std::move(cache));
}

AnnouncePopup::AnnouncePopup(Private, AnnounceHost& host, std::shared_ptr<AnnounceCache> cache)
    : host_(host), cache_(std::move(cache)) {}

void AnnouncePopup::show(double now) {
    const char* caller = "-[AnnounceManager showPopupAdSub]";
    util::LogMessage(caller, 1, "processPopupAdSub");
    const std::optional<platform::Value> info = info_;
    if (!info) return;
    int32_t serial = AnnounceIntValue(info->at(2));
    if (serial == 0 || serial == doneSerial_) return;
    int64_t expiry = AnnounceLongLongValue(info->at(3));
    if (expiry >= 1 && now > static_cast<double>(expiry)) return;
    const platform::Value& title = info->at(4);
    const platform::Value& message = info->at(5);
    const platform::Value& buttons = info->at(6);
    if (!buttons.isArray()) return;

    util::LogMessage(caller, 1, "show popupAd");
    doneSerial_ = serial;
    // Remembered across launches, so the same serial never shows twice (the cache writes it
    // unless it is shut down).
    if (auto cacheDir = host_.prepareCacheDir()) cache_->recordPopupShown(*cacheDir, serial);
    if (cache_->isShutdown()) return;

    auto alert =
        platform::ui::AlertView::create(title.asString(), message.asString(), weak_from_this());
    // Only the entries that become buttons are kept, so a button's index is its entry's.
    buttons_.clear();
    for (const platform::Value& entry : buttons.asArray()) {
        if (!entry.isArray()) continue;
        buttons_.push_back(entry);
        alert->addButtonWithTitle(entry.at(0).asString());
    }
    // An alert without buttons could never be closed.
    if (buttons_.empty()) alert->addButtonWithTitle("OK");
    alertView_ = alert;
    alert->show();
}

void AnnouncePopup::reset() {
    if (alertView_) alertView_->dismissWithClickedButtonIndex(-1, false);
    alertView_ = nullptr;
    buttons_.clear();
    info_.reset();
    doneSerial_ = 0;
}

void AnnouncePopup::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) {
    if (&alert != alertView_.get()) return;
    if (index < 0 || static_cast<std::size_t>(index) >= buttons_.size()) return;
    const platform::Value& url = buttons_[index].at(1);
    if (url.isString() && !url.stringRef().empty()) host_.openUrl(url.stringRef());
}

}  // namespace online
