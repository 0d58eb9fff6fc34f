#include "ads/foundation/GADSwipeToViewControllerConfigurations.h"

#include <cmath>

#include "ads/foundation/GADRectUtilities.h"
#include "platform/base/NumberText.h"
#include "platform/device/DeviceInfo.h"

namespace ads {

namespace {

bool isJSONNumber(const platform::Value& v) {
    return v.isInteger() || v.isReal();
}

std::optional<std::int64_t> productID(const platform::Value* v) {
    if (!v || !isJSONNumber(*v)) return std::nullopt;
    if (v->isInteger()) return v->asInteger();
    const double d = v->asReal();
    // 2^63 is the first double past int64_t.
    if (!std::isfinite(d) || d != std::floor(d) || d < -9.2233720368547758e18 ||
        d >= 9.2233720368547758e18)
        return std::nullopt;
    return static_cast<std::int64_t>(d);
}

}  // namespace

std::shared_ptr<GADSwipeToViewControllerConfigurations>
GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(
    const platform::Value& configurations) {
    return initWithSwipeConfigurations(configurations, platform::DeviceInfo::systemVersion());
}

std::shared_ptr<GADSwipeToViewControllerConfigurations>
GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(
    const platform::Value& configurations, const std::string& systemVersion) {
    // Version 7.0.0 and later: the major number is enough.
    if (platform::intValue(systemVersion) < 7 || !configurations.isDictionary()) return nullptr;
    auto made = std::make_shared<GADSwipeToViewControllerConfigurations>(Private{});
    made->productID_ = productID(configurations.find("app_store_product_id"));
    if (const auto* list = configurations.find("swipeable_rectangles"); list && list->isArray()) {
        for (const auto& entry : list->asArray()) {
            if (!entry.isDictionary()) continue;
            platform::Error error;
            const platform::Rect r = GADCGRectFromDictionary(entry, &error);
            if (!error.domain.empty()) continue;
            made->rectangles_.push_back(r);
        }
    }
    if (const auto* metadata = configurations.find("swipe_event_creative_metadata");
        metadata && metadata->isDictionary()) {
        made->metadata_ = metadata->asDictionary();
    }
    if (const auto* duration = configurations.find("swipe_animation_transition_duration");
        duration && isJSONNumber(*duration)) {
        const double d = duration->asReal();
        if (std::isfinite(d) && d > 0) made->duration_ = std::min(d, kLongestDuration);
    }
    return made;
}

}  // namespace ads
