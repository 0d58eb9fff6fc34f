#include "ads/slot/GADSlotReloadTimer.h"

#include "ads/foundation/GADWeakTimer.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/Application.h"

namespace ads {

std::shared_ptr<GADSlotReloadTimer> GADSlotReloadTimer::create(std::function<bool()> mayReload,
                                                               std::function<void()> reload) {
    auto timer =
        std::make_shared<GADSlotReloadTimer>(Private{}, std::move(mayReload), std::move(reload));
    timer->observe(platform::ui::kWillResignActiveNotification, &GADSlotReloadTimer::deactivate);
    timer->observe(platform::ui::kDidBecomeActiveNotification, &GADSlotReloadTimer::schedule);
    timer->observe(kWillPresentFullScreenNotification, &GADSlotReloadTimer::deactivate);
    timer->observe(kDidDismissFullScreenNotification, &GADSlotReloadTimer::schedule);
    return timer;
}

GADSlotReloadTimer::GADSlotReloadTimer(Private, std::function<bool()> mayReload,
                                       std::function<void()> reload)
    : mayReload_(std::move(mayReload)), reload_(std::move(reload)) {}

GADSlotReloadTimer::~GADSlotReloadTimer() {
    observations_.clear();
    deactivate();
}

void GADSlotReloadTimer::observe(const char* name, void (GADSlotReloadTimer::*member)()) {
    auto call = platform::weakCall(weak_from_this(), member);
    observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
        name, nullptr, [call](const platform::Notification&) { call(); },
        platform::NotificationCenter::mainLoopDelivery()));
}

void GADSlotReloadTimer::setInterval(double seconds) {
    interval_ = seconds >= kMinimumInterval ? seconds : 0;
}

void GADSlotReloadTimer::schedule() {
    deactivate();
    if (!reloadable_ || interval_ <= 0 || !mayReload_()) return;
    timer_ = gad_scheduledTimer(interval_, false, 0, [weak = weak_from_this()](platform::Timer&) {
        if (auto self = weak.lock()) self->fire();
    });
}

void GADSlotReloadTimer::deactivate() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void GADSlotReloadTimer::fire() {
    timer_.reset();
    // A copy: the reload may end the slot, and this object with it.
    const auto reload = reload_;
    reload();
}

}  // namespace ads
