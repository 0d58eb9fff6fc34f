#include "ads/slot/GADSlotOrientationEvents.h"

#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/Application.h"

namespace ads {

std::shared_ptr<GADSlotOrientationEvents> GADSlotOrientationEvents::create(const void* object) {
    return std::make_shared<GADSlotOrientationEvents>(Private{}, object);
}

void GADSlotOrientationEvents::beginListeningToDeviceOrientationChangeEvent() {
    MOVU_CHECK_MAIN_THREAD();
    if (listening_) return;
    didChangeDeviceOrientation();
    listening_ = true;
    auto call =
        platform::weakCall(weak_from_this(), &GADSlotOrientationEvents::didChangeDeviceOrientation);
    statusBarObservation_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kDidChangeStatusBarOrientationNotification, nullptr,
        [call](const platform::Notification&) { call(); },
        platform::NotificationCenter::mainLoopDelivery());
}

void GADSlotOrientationEvents::endListeningToDeviceOrientationChangeEvent() {
    MOVU_CHECK_MAIN_THREAD();
    if (!listening_) return;
    listening_ = false;
    statusBarObservation_.reset();
    observations_.clear();
}

void GADSlotOrientationEvents::addCreativeOrientationChangeObserver(
    std::function<void()> observer) {
    MOVU_CHECK_MAIN_THREAD();
    observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
        kCreativeOrientationChangedNotification, object_,
        [observer = std::move(observer)](const platform::Notification&) { observer(); }));
}

void GADSlotOrientationEvents::didChangeDeviceOrientation() {
    platform::NotificationCenter::defaultCenter().post(kCreativeOrientationChangedNotification,
                                                       object_);
}

}  // namespace ads
