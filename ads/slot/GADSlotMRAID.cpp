#include "ads/slot/GADSlotMRAID.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADRectUtilities.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/services/CalendarStore.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Rect;
using platform::Value;

std::shared_ptr<GADSlotMRAID> GADSlotMRAID::create(std::weak_ptr<GADSlot> slot) {
    return std::make_shared<GADSlotMRAID>(Private{}, std::move(slot));
}

Value::Dictionary GADSlotMRAID::creativePositionDictionaryForActiveViewBounds(Rect bounds) {
    const Rect r = bounds.standardized();
    return {{"width", Value(r.size.width)},
            {"height", Value(r.size.height)},
            {"x", Value(r.origin.x)},
            {"y", Value(r.origin.y)}};
}

void GADSlotMRAID::post(const std::string& name, const Value::Dictionary& parameters) const {
    auto slot = this->slot();
    auto view = slot ? slot->adView() : nullptr;
    if (view) view->postJSNotification(name, &parameters);
}

void GADSlotMRAID::queue(const std::string& name, const Value::Dictionary& parameters) const {
    auto slot = this->slot();
    auto view = slot ? slot->adView() : nullptr;
    if (view) view->dispatchSDKEvent(name, parameters);
}

bool GADSlotMRAID::isEnabled() const {
    auto slot = this->slot();
    // The creative announces itself while its page loads, before its ad is the slot's
    // current one: it is owed the screen from then on, not from the first turn after.
    return slot && (loaded_ || slot->isMRAIDEnabled());
}

void GADSlotMRAID::MRAIDAdDidLoad() {
    MOVU_CHECK_MAIN_THREAD();
    auto slot = this->slot();
    if (!slot) return;
    const auto self = weak_from_this();
    if (slot->ad()) slot->ad()->setMRAIDEventHandler(self);
    if (slot->loadingAd_) slot->loadingAd_->setMRAIDEventHandler(self);
    usableInterfaceFrame_ = creativeWebViewFrame_ = creativeAdFrame_ = Rect::zero();
    // The script may announce itself again (a page that loads it twice): the observers and
    // the first events are the life's, not the announcement's.
    if (loaded_) return;
    loaded_ = true;
    slot->orientationEvents().addCreativeOrientationChangeObserver([self] {
        if (auto mraid = self.lock()) mraid->notifyOrientationToMRAIDCreative();
    });
    notifyOrientationToMRAIDCreative();
    slot->orientationEvents().beginListeningToDeviceOrientationChangeEvent();
    notifyDeviceFeatures();
    SDKDidBecomeReady();
}

void GADSlotMRAID::MRAIDAdDidUnload() {
    MOVU_CHECK_MAIN_THREAD();
    if (!loaded_) return;
    loaded_ = false;
    if (auto slot = this->slot())
        slot->orientationEvents().endListeningToDeviceOrientationChangeEvent();
}

void GADSlotMRAID::notifyOrientationToMRAIDCreative() {
    MOVU_CHECK_MAIN_THREAD();
    if (!isEnabled()) return;
    auto device = GADDevice::sharedInstance();
    const Rect screen = device->standardizedOrientedScreenBounds();
    const Rect application = device->standardizedOrientedApplicationFrame();
    usableInterfaceFrame_ = application;
    post("onScreenInfoChanged",
         {{"width", Value(screen.size.width)},
          {"height", Value(screen.size.height)},
          {"maxSizeWidth", Value(application.size.width)},
          {"maxSizeHeight", Value(application.size.height)},
          {"isOrientationLandscape", Value(device->orientationLandscape() ? "1" : "0")}});
}

void GADSlotMRAID::notifyDeviceFeatures() {
    MOVU_CHECK_MAIN_THREAD();
    using platform::services::CalendarAuthorizationStatus;
    auto device = GADDevice::sharedInstance();
    const auto calendar = platform::services::CalendarStore::authorizationStatus();
    post("onDeviceFeaturesReceived",
         {{"sms", Value(device->canText())},
          {"tel", Value(device->canMakePhoneCalls())},
          {"calendar", Value(calendar == CalendarAuthorizationStatus::NotDetermined ||
                             calendar == CalendarAuthorizationStatus::Authorized)},
          {"storePicture", Value(true)},
          {"inlineVideo", Value(true)}});
}

void GADSlotMRAID::SDKDidBecomeReady() {
    post("onReadyEventReceived", {{"js", Value(GADRequest::sdkVersion())}});
}

void GADSlotMRAID::updateVisibility(bool visible) {
    MOVU_CHECK_MAIN_THREAD();
    queue("onAdVisibilityChanged", {{"visible", Value(visible ? "1" : "0")}});
}

void GADSlotMRAID::handleError(const std::string& message, const std::string& action) {
    MOVU_CHECK_MAIN_THREAD();
    queue("onError", {{"message", Value(message)}, {"action", Value(action)}});
}

void GADSlotMRAID::updatePositionFromView(const std::shared_ptr<platform::ui::View>& view) {
    MOVU_CHECK_MAIN_THREAD();
    const Rect application = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    if (application != usableInterfaceFrame_) notifyOrientationToMRAIDCreative();
    auto moved = [&](Rect r) {
        r.origin.x -= application.origin.x;
        r.origin.y -= application.origin.y;
        return r;
    };
    if (view && view->window()) {
        Rect inWindow = view->convertRectToView(view->bounds(), nullptr);
        Rect frame = moved(GADConvertRectToStatusBarOrientation(inWindow));
        if (frame != creativeWebViewFrame_) {
            creativeWebViewFrame_ = frame;
            queue("onSizeChanged", creativePositionDictionaryForActiveViewBounds(frame));
        }
    }
    auto slot = this->slot();
    auto owner = slot ? slot->slotDelegate() : nullptr;
    auto inInterface = owner ? owner->frameInInterface() : std::nullopt;
    if (!inInterface || *inInterface == Rect::zero()) return;
    const Rect frame = moved(*inInterface);
    if (frame == creativeAdFrame_) return;
    creativeAdFrame_ = frame;
    queue("onDefaultPositionReceived", creativePositionDictionaryForActiveViewBounds(frame));
}

}  // namespace ads

// The slot's MRAID members.
namespace ads {

std::shared_ptr<GADMRAIDEventHandling> GADSlot::MRAIDEventHandler() const {
    return ad_ ? ad_->MRAIDEventHandler() : nullptr;
}

bool GADSlot::isMRAIDEnabled() const {
    return MRAIDEventHandler() != nullptr;
}

void GADSlot::updateMRAIDVisibility(bool visible) {
    if (auto handler = MRAIDEventHandler()) handler->updateVisibility(visible);
}

}  // namespace ads
