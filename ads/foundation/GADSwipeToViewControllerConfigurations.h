#pragma once

// What an ad's answer says about opening a store product by a swipe on the banner: the
// product, the screen rectangles where a swipe may start, the creative's metadata sent back
// with the swipe's events and the animation's length; the page's script sets the direction and
// whether the app's view is dragged along. Read from the JSON object of the response header
// "x-rade-swipe-to-view-controller" (or the same object in the ad's dictionary):
//   "app_store_product_id"                 number  (anything else: no product)
//   "swipeable_rectangles"                 [{"x","y","width","height"}]  invalid entries skipped
//   "swipe_event_creative_metadata"        object  (anything else: none)
//   "swipe_animation_transition_duration"  number of seconds; absent, not a number, not finite
//                                          or 0 or less: 1; above 10: 10
// Systems before 7.0.0 have no such configuration, nor has anything that is no JSON object.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace ads {

enum class GADSwipeDirection : int { None = 0, TopToBottom = 1, BottomToTop = 2 };

class GADSwipeToViewControllerConfigurations {
    struct Private {};

  public:
    static constexpr double kDefaultDuration = 1.0;
    static constexpr double kLongestDuration = 10.0;

    // Nothing on systems before 7.0.0 (the running system's version unless given) and for
    // anything but a JSON object.
    static std::shared_ptr<GADSwipeToViewControllerConfigurations> initWithSwipeConfigurations(
        const platform::Value& configurations);
    static std::shared_ptr<GADSwipeToViewControllerConfigurations> initWithSwipeConfigurations(
        const platform::Value& configurations, const std::string& systemVersion);
    explicit GADSwipeToViewControllerConfigurations(Private) {}

    // Integral product numbers only; a fraction or a number past 64 bits is no product.
    std::optional<std::int64_t> swipeableInAppStoreProductID() const { return productID_; }
    const std::vector<platform::Rect>& swipeableRectangles() const { return rectangles_; }
    const std::optional<platform::Value::Dictionary>& swipeEventCreativeMetadata() const {
        return metadata_;
    }
    double swipeAnimationTransitionDuration() const { return duration_; }

    // Set by the page's script.
    GADSwipeDirection swipeDirection() const { return direction_; }
    void setSwipeDirection(GADSwipeDirection d) { direction_ = d; }
    bool isAdDraggable() const { return adDraggable_; }
    void setAdDraggable(bool draggable) { adDraggable_ = draggable; }

  private:
    std::optional<std::int64_t> productID_;
    std::vector<platform::Rect> rectangles_;
    std::optional<platform::Value::Dictionary> metadata_;
    double duration_ = kDefaultDuration;
    GADSwipeDirection direction_ = GADSwipeDirection::None;
    bool adDraggable_ = false;
};

}  // namespace ads
