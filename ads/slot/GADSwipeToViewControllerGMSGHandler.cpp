#include "ads/slot/GADSwipeToViewControllerGMSGHandler.h"

#include "ads/slot/GADSlotSwipe.h"

namespace ads {

std::shared_ptr<GADSwipeToViewControllerGMSGHandler> GADSwipeToViewControllerGMSGHandler::create(
    std::weak_ptr<GADSlotSwipe> swipe) {
    return std::make_shared<GADSwipeToViewControllerGMSGHandler>(Private{}, std::move(swipe));
}

const GADGMSGActionTable* GADSwipeToViewControllerGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"enableSwipeToViewController",
         action(&GADSwipeToViewControllerGMSGHandler::enableSwipeToViewController)},
        {"disableSwipeToViewController",
         action(&GADSwipeToViewControllerGMSGHandler::disableSwipeToViewController)},
    };
    return &table;
}

void GADSwipeToViewControllerGMSGHandler::enableSwipeToViewController(
    const GADGMSGActionInfo& info) {
    auto swipe = swipe_.lock();
    if (!swipe || !info.note) return;
    swipe->enableSwipeToViewController(info.note->parameter("swipe_direction").value_or(""),
                                       info.note->parameter("ad_draggable") == "1");
}

void GADSwipeToViewControllerGMSGHandler::disableSwipeToViewController(const GADGMSGActionInfo&) {
    if (auto swipe = swipe_.lock()) swipe->disableSwipeToViewController();
}

}  // namespace ads
