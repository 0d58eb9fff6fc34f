#pragma once

// The creative-orientation notices of one slot. While listening, every status-bar turn is
// posted as the slot's creative orientation notice (object: the slot), and once at the start;
// observers added meanwhile hear each notice, synchronously on the posting (main) thread, until
// listening ends. Main thread only.

#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/NotificationCenter.h"

namespace ads {

class GADSlotOrientationEvents : public std::enable_shared_from_this<GADSlotOrientationEvents> {
    struct Private {};

  public:
    static constexpr const char* kCreativeOrientationChangedNotification =
        "gad_slot_creative_orientation_changed";

    // object: what the notices are posted for (the slot); it outlives this.
    static std::shared_ptr<GADSlotOrientationEvents> create(const void* object);
    GADSlotOrientationEvents(Private, const void* object) : object_(object) {}

    void beginListeningToDeviceOrientationChangeEvent();
    void endListeningToDeviceOrientationChangeEvent();
    void addCreativeOrientationChangeObserver(std::function<void()> observer);
    void didChangeDeviceOrientation();
    bool isListening() const { return listening_; }

  private:
    const void* object_;
    bool listening_ = false;
    platform::NotificationCenter::Observation statusBarObservation_;
    std::vector<platform::NotificationCenter::Observation> observations_;
};

}  // namespace ads
