#include "ads/slot/GADSlot.h"

#include <random>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADOpener.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"

namespace ads {

namespace {

// Tells the timing records of this slot apart from those of other slots; not a secret.
std::int64_t randomCSIIdentifier() {
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::int64_t>(static_cast<std::uint32_t>(generator()));
}

}  // namespace

std::shared_ptr<GADSlot> GADSlot::create(platform::Rect frame) {
    return std::make_shared<GADSlot>(Private{}, frame);
}

GADSlot::GADSlot(Private, platform::Rect frame)
    : adView_(GADAdView::create(frame)),
      opener_(std::make_shared<GADOpener>()),
      CSIIdentifier_(randomCSIIdentifier()) {}

GADSlot::~GADSlot() {
    // What a request still in flight would have sent goes with the next one instead.
    auto statistics = pendingAdStatistics();
    if (!statistics.empty()) GADApplication::sharedInstance()->didNotSendAdStatistics(statistics);
}

bool GADSlot::hasInAppPurchaseDelegate() const {
    auto owner = slotDelegate();
    return owner && owner->hasInAppPurchaseDelegate();
}

GADApplication::StatisticsSet GADSlot::pendingAdStatistics() const {
    std::lock_guard lock(mutex_);
    return pendingAdStatistics_;
}

void GADSlot::setPendingAdStatistics(GADApplication::StatisticsSet statistics) {
    std::lock_guard lock(mutex_);
    pendingAdStatistics_ = std::move(statistics);
}

std::optional<std::string> GADSlot::requestID() const {
    std::lock_guard lock(mutex_);
    return requestID_;
}

void GADSlot::loadRequest(const std::shared_ptr<GADRequest>& request) {
    if (state_ == GADSlotState::Invalidated) return;
    request_ = request ? request->copy() : GADRequest::request();
    willRequestAdURL();
    GADSDKCoreController::sharedInstance()->buildAdURL(shared_from_this());
}

void GADSlot::loadAd(const std::shared_ptr<GADAd>& ad,
                     const std::optional<platform::Value::Dictionary>& headers) {
    if (state_ == GADSlotState::Invalidated) return;
    loadingAd_ = ad;
    loadingAdHeaders_ = headers;
}

bool GADSlot::isMediating() const {
    return ad_ && ad_->responseType() == GADAdResponseType::Mediation;
}

}  // namespace ads
