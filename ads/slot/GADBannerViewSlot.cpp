#include "ads/slot/GADBannerViewSlot.h"

namespace ads {

namespace {

GADBannerViewSlot::Maker& registeredMaker() {
    static GADBannerViewSlot::Maker maker;
    return maker;
}

}  // namespace

void GADBannerViewSlot::setMaker(Maker maker) {
    registeredMaker() = std::move(maker);
}

std::shared_ptr<GADBannerViewSlot> GADBannerViewSlot::make(platform::Rect bounds) {
    const Maker& maker = registeredMaker();
    return maker ? maker(bounds) : nullptr;
}

}  // namespace ads
