// The slot as its swipe's host: its ad view, the configuration of the ad whose page it loads
// or shows (read once per ad, since the page's script changes it), what its owner offers, and
// itself.

#include "ads/foundation/GADAd.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotSwipe.h"

namespace ads {

const std::shared_ptr<GADSlotSwipe>& GADSlot::swipe() {
    if (swipe_) return swipe_;
    std::weak_ptr<GADSlot> weak = weak_from_this();
    struct Read {
        std::weak_ptr<GADAd> ad;
        std::shared_ptr<GADSwipeToViewControllerConfigurations> configurations;
    };
    auto read = std::make_shared<Read>();
    GADSwipeHost host;
    host.adView = [weak]() -> std::shared_ptr<GADAdView> {
        auto slot = weak.lock();
        return slot ? slot->adView() : nullptr;
    };
    host.configurations = [weak,
                           read]() -> std::shared_ptr<GADSwipeToViewControllerConfigurations> {
        auto slot = weak.lock();
        if (!slot) return nullptr;
        // A page turns its swipe on as it loads, before the slot shows its ad: the ad being
        // loaded is the page's, when there is one.
        auto ad = slot->loadingAd_ ? slot->loadingAd_ : slot->ad();
        if (!ad) return nullptr;
        if (read->ad.lock() != ad) {
            read->ad = ad;
            const auto& raw = ad->swipeToViewControllerConfigurations();
            read->configurations =
                raw ? GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(*raw)
                    : nullptr;
        }
        return read->configurations;
    };
    host.swipeView = [weak]() -> std::shared_ptr<platform::ui::View> {
        auto slot = weak.lock();
        auto delegate = slot ? slot->slotDelegate() : nullptr;
        return delegate ? delegate->swipeToViewControllerView() : nullptr;
    };
    host.rootViewController = [weak]() -> std::shared_ptr<platform::ui::ViewController> {
        auto slot = weak.lock();
        auto delegate = slot ? slot->slotDelegate() : nullptr;
        return delegate ? delegate->rootViewController() : nullptr;
    };
    host.fullScreenSlot = [weak]() -> std::shared_ptr<GADFullScreenSlot> { return weak.lock(); };
    host.retainSlot = [weak]() -> std::shared_ptr<void> { return weak.lock(); };
    swipe_ = GADSlotSwipe::create(std::move(host));
    return swipe_;
}

}  // namespace ads
