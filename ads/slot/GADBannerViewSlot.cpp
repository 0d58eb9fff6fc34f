#include "ads/slot/GADBannerViewSlot.h"

#include "ads/slot/GADBannerSlotAdapter.h"

namespace ads {

namespace {

GADBannerViewSlot::Maker programMaker() {
    return [](platform::Rect bounds) -> std::shared_ptr<GADBannerViewSlot> {
        return GADBannerSlotAdapter::create(bounds);
    };
}

GADBannerViewSlot::Maker& registeredMaker() {
    static GADBannerViewSlot::Maker maker = programMaker();
    return maker;
}

}  // namespace

void GADBannerViewSlot::setMaker(Maker maker) {
    registeredMaker() = maker ? std::move(maker) : programMaker();
}

std::shared_ptr<GADBannerViewSlot> GADBannerViewSlot::make(platform::Rect bounds) {
    const Maker& maker = registeredMaker();
    return maker ? maker(bounds) : nullptr;
}

}  // namespace ads
