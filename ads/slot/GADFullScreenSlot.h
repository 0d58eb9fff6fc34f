#pragma once

// What the full-screen machinery needs of the slot whose ad it puts on screen: the slot's
// screen events for the app, the slot's current intermission, and the current ad's statistics.
// GADSlot is the one real implementation; keeping the intermission and its participants on
// this narrow face keeps them apart from the slot's request machinery. Main thread only.

#include <memory>

namespace ads {

// Posted by a slot, with itself as object (notificationObject()), when its placement leaves
// its window.
inline constexpr const char* kGADSlotDidLeaveWindowNotification =
    "GADSlotDidLeaveWindowNotification";

class GADIntermission;
class GADStatisticDictionary;

class GADFullScreenSlot {
  public:
    virtual ~GADFullScreenSlot() = default;

    // The app's will-present, will-dismiss and did-dismiss, once per intermission each.
    virtual void adWillPresentScreen() = 0;
    virtual void adWillDismissScreen() = 0;
    virtual void adDidDismissScreen() = 0;

    // The slot refers to its intermission weakly: the participants on screen keep it.
    virtual std::shared_ptr<GADIntermission> intermission() const = 0;
    virtual void setIntermission(std::weak_ptr<GADIntermission> intermission) = 0;

    // The object the slot's notifications carry.
    virtual const void* notificationObject() const = 0;

    // The statistics of the ad shown now, or nullptr without one.
    virtual std::shared_ptr<GADStatisticDictionary> currentAdStatistics() const = 0;
};

}  // namespace ads
