#include "ads/foundation/GADSwipeToViewControllerConfigurations.h"

#include <gtest/gtest.h>

#include "platform/storage/Json.h"

namespace ads {
namespace {

using platform::Rect;

std::shared_ptr<GADSwipeToViewControllerConfigurations> parse(const std::string& json,
                                                              const std::string& system = "8.4") {
    auto value = platform::Json::parse(json);
    EXPECT_TRUE(value) << json;
    return GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(
        value ? *value : platform::Value(), system);
}

TEST(GADSwipeToViewControllerConfigurationsTest, ReadsTheServersObject) {
    auto c = parse(R"({"app_store_product_id": 284882215,
        "swipeable_rectangles": [{"x": 0, "y": 430, "width": 320, "height": 50},
                                 {"x": 1, "y": 2, "width": 3}, 7, "x",
                                 {"x": 10, "y": 20, "width": 30.5, "height": 40}],
        "swipe_event_creative_metadata": {"creative": "a1", "n": 2},
        "swipe_animation_transition_duration": 0.75})");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->swipeableInAppStoreProductID(), 284882215);
    // Entries that are no valid rectangle are skipped.
    EXPECT_EQ(c->swipeableRectangles(), (std::vector<Rect>{{0, 430, 320, 50}, {10, 20, 30.5, 40}}));
    ASSERT_TRUE(c->swipeEventCreativeMetadata());
    EXPECT_EQ(c->swipeEventCreativeMetadata()->at("creative").asString(), "a1");
    EXPECT_DOUBLE_EQ(c->swipeAnimationTransitionDuration(), 0.75);
    // What the script sets starts off.
    EXPECT_EQ(c->swipeDirection(), GADSwipeDirection::None);
    EXPECT_FALSE(c->isAdDraggable());
}

TEST(GADSwipeToViewControllerConfigurationsTest, BadFieldsFallBackOneByOne) {
    for (const char* duration : {"0", "-2", "\"2\"", "true", "null", "[]"}) {
        SCOPED_TRACE(duration);
        auto c = parse(std::string(R"({"swipe_animation_transition_duration": )") + duration + "}");
        ASSERT_TRUE(c);
        EXPECT_DOUBLE_EQ(c->swipeAnimationTransitionDuration(), 1.0);
    }
    EXPECT_DOUBLE_EQ(parse(R"({"swipe_animation_transition_duration": 1e300})")
                         ->swipeAnimationTransitionDuration(),
                     10.0);
    auto c = parse(R"({"app_store_product_id": "284882215", "swipeable_rectangles": {"x": 1},
                      "swipe_event_creative_metadata": ["a"]})");
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->swipeableInAppStoreProductID());
    EXPECT_TRUE(c->swipeableRectangles().empty());
    EXPECT_FALSE(c->swipeEventCreativeMetadata());
    for (const char* id : {"1.5", "1e30", "true"}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(parse(std::string(R"({"app_store_product_id": )") + id + "}")
                         ->swipeableInAppStoreProductID());
    }
    EXPECT_EQ(parse(R"({"app_store_product_id": 12.0})")->swipeableInAppStoreProductID(), 12);
}

TEST(GADSwipeToViewControllerConfigurationsTest, NoneBeforeSystemSevenOrWithoutAnObject) {
    EXPECT_FALSE(parse(R"({"app_store_product_id": 1})", "6.1"));
    EXPECT_FALSE(parse(R"({"app_store_product_id": 1})", ""));
    EXPECT_TRUE(parse(R"({"app_store_product_id": 1})", "7.0.0"));
    EXPECT_FALSE(parse(R"([{"app_store_product_id": 1}])"));
    EXPECT_FALSE(GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(
        platform::Value("text"), "8.4"));
}

}  // namespace
}  // namespace ads
