#pragma once

// The page messages that switch a banner's swipe to its store sheet on and off (GADSlotSwipe):
//   "enableSwipeToViewController"   "swipe_direction": "top_to_bottom" or "bottom_to_top"
//                                   (anything else: none); "ad_draggable": "1" drags the app's
//                                   view along
//   "disableSwipeToViewController"
// Main thread, as every handler; the swipe is held weakly.

#include <memory>

#include "ads/web/GADGMSGHandler.h"

namespace ads {

class GADSlotSwipe;

class GADSwipeToViewControllerGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    static std::shared_ptr<GADSwipeToViewControllerGMSGHandler> create(
        std::weak_ptr<GADSlotSwipe> swipe);
    GADSwipeToViewControllerGMSGHandler(Private, std::weak_ptr<GADSlotSwipe> swipe)
        : swipe_(std::move(swipe)) {}

    const GADGMSGActionTable* actionBlockDictionary() const override;
    void enableSwipeToViewController(const GADGMSGActionInfo& info);
    void disableSwipeToViewController(const GADGMSGActionInfo& info);

  private:
    std::weak_ptr<GADSlotSwipe> swipe_;
};

}  // namespace ads
