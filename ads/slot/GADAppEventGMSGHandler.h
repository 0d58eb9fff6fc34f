#pragma once

// The page message "appEvent": an ad tells the app something by name ("name", with an optional
// "info" text). The slot's owner hears it (GADSlotDelegate::slotDidReceiveAppEvent) and passes
// it on to the app's own delegate where it has one. A message without a name, or arriving after
// the slot is gone, changes nothing.
//
// Main thread, like every handler. The slot is held weakly: its ad view delegate, which owns
// this handler, lives at most as long as the slot wants it to.

#include <memory>

#include "ads/web/GADGMSGHandler.h"

namespace ads {

class GADSlot;

class GADAppEventGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    static std::shared_ptr<GADAppEventGMSGHandler> create(std::weak_ptr<GADSlot> slot);
    GADAppEventGMSGHandler(Private, std::weak_ptr<GADSlot> slot) : slot_(std::move(slot)) {}

    const GADGMSGActionTable* actionBlockDictionary() const override;

    void didReceiveAppEventNotification(const GADGMSGActionInfo& info);

    std::shared_ptr<GADSlot> slot() const { return slot_.lock(); }

  private:
    std::weak_ptr<GADSlot> slot_;
};

}  // namespace ads
