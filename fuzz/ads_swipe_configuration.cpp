// The swipe configuration an ad's answer carries ("x-rade-swipe-to-view-controller"): any JSON
// text is read into a configuration or refused, and what is read keeps to its rules.

#include <cmath>

#include "FuzzSupport.h"
#include "ads/foundation/GADSwipeToViewControllerConfigurations.h"
#include "platform/storage/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto value = platform::Json::parse(fuzz::bytes(data, size));
    if (!value) return 0;
    auto c =
        ads::GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(*value, "8.4");
    FUZZ_CHECK(bool(c) == value->isDictionary());
    if (!c) return 0;
    const double d = c->swipeAnimationTransitionDuration();
    FUZZ_CHECK(std::isfinite(d) && d > 0 && d <= 10);
    for (const auto& r : c->swipeableRectangles()) {
        FUZZ_CHECK(std::isfinite(r.origin.x) && std::isfinite(r.origin.y) &&
                   std::isfinite(r.size.width) && std::isfinite(r.size.height));
    }
    FUZZ_CHECK(
        !ads::GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(*value, "6.1"));
    return 0;
}
