#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdSize.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/Application.h"

namespace ads {

void GADSlot::updateContentSize(platform::Size size) {
    const std::shared_ptr<GADAd>& sized = ad_ ? ad_ : loadingAd_;
    if (!(sized && sized->fluid())) {
        size = sized && sized->customAdSizeString()
                   ? CGSizeFromGADAdSizeString(*sized->customAdSizeString())
                   : platform::Size{};
    }
    if (auto delegate = slotDelegate()) delegate->slotContentSizeDidChange(*this, size);
}

void GADSlot::beginListeningToDeviceOrientationChangeEvent() {
    if (isListeningToDeviceOrientationChangeEvent_) return;
    didChangeDeviceOrientation();
    isListeningToDeviceOrientationChangeEvent_ = true;
    auto call = platform::weakCall(weak_from_this(), &GADSlot::didChangeDeviceOrientation);
    statusBarObservation_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kDidChangeStatusBarOrientationNotification, nullptr,
        [call](const platform::Notification&) { call(); },
        platform::NotificationCenter::mainLoopDelivery());
}

void GADSlot::endListeningToDeviceOrientationChangeEvent() {
    if (!isListeningToDeviceOrientationChangeEvent_) return;
    isListeningToDeviceOrientationChangeEvent_ = false;
    statusBarObservation_.reset();
    creativeOrientationObservations_.clear();
}

void GADSlot::addCreativeOrientationChangeObserver(std::function<void()> observer) {
    creativeOrientationObservations_.push_back(
        platform::NotificationCenter::defaultCenter().observe(
            kCreativeOrientationChangedNotification, this,
            [observer = std::move(observer)](const platform::Notification&) { observer(); }));
}

void GADSlot::didChangeDeviceOrientation() {
    platform::NotificationCenter::defaultCenter().post(kCreativeOrientationChangedNotification,
                                                       this);
}

}  // namespace ads
