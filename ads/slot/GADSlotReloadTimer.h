#pragma once

// The timer that reloads a slot's ad (a banner's refresh): one-shot, for a period floored at
// 1.0 s (a shorter one switches reloading off, so a failing slot never reloads many times a
// second), stopped while the app is inactive or any SDK screen is full screen and started
// again for a full period after. Its owner says, through the two calls it is made with,
// whether a reload may be scheduled at all (a request was made, the slot is not final) and
// what a due reload does; both are called on the main thread, and the timer holds the owner
// only through them, so they should hold it weakly.
//
// Main thread only.

#include <functional>
#include <memory>
#include <vector>

#include "ads/fullscreen/GADFullScreenNotifications.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform {
class Timer;
}

namespace ads {

class GADSlotReloadTimer : public std::enable_shared_from_this<GADSlotReloadTimer> {
    struct Private {};

  public:
    // Posted by every full-screen screen of the SDK (any slot's).
    static constexpr const char* kWillPresentFullScreenNotification =
        kAdModalViewControllerWillPresentFullScreen;
    static constexpr const char* kDidDismissFullScreenNotification =
        kAdModalViewControllerDidDismissFullScreen;
    static constexpr double kDefaultInterval = 60.0;
    static constexpr double kMinimumInterval = 1.0;

    static std::shared_ptr<GADSlotReloadTimer> create(std::function<bool()> mayReload,
                                                      std::function<void()> reload);
    GADSlotReloadTimer(Private, std::function<bool()> mayReload, std::function<void()> reload);
    ~GADSlotReloadTimer();
    GADSlotReloadTimer(const GADSlotReloadTimer&) = delete;
    GADSlotReloadTimer& operator=(const GADSlotReloadTimer&) = delete;

    double interval() const { return interval_; }
    // Below the floor means off (0).
    void setInterval(double seconds);
    bool reloadable() const { return reloadable_; }
    void setReloadable(bool reloadable) { reloadable_ = reloadable; }

    // For one full period from now, replacing any pending one; nothing when reloading is off
    // or the owner says no.
    void schedule();
    void deactivate();
    bool isScheduled() const { return timer_ != nullptr; }

  private:
    void observe(const char* name, void (GADSlotReloadTimer::*member)());
    void fire();

    std::function<bool()> mayReload_;
    std::function<void()> reload_;
    double interval_ = kDefaultInterval;
    bool reloadable_ = true;
    std::shared_ptr<platform::Timer> timer_;
    std::vector<platform::NotificationCenter::Observation> observations_;
};

}  // namespace ads
