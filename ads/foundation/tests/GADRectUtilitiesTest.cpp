#include "ads/foundation/GADRectUtilities.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/device/DeviceInfo.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;

TEST(GADRectUtilitiesTest, DictionariesInBothForms) {
    const Rect r(20, 5, -10, 30);
    EXPECT_EQ(GADDictionaryFromCGRect(r),
              Value::dictionary({{"x", 20.0}, {"y", 5.0}, {"width", -10.0}, {"height", 30.0}}));
    EXPECT_EQ(GADXYWHDictionaryFromCGRect(r),
              Value::dictionary({{"x", 10.0}, {"y", 5.0}, {"w", 10.0}, {"h", 30.0}}));
}

TEST(GADRectUtilitiesTest, ReadingARectangleBackRefusesAnythingButFiniteNumbers) {
    platform::Error error;
    EXPECT_EQ(GADCGRectFromDictionary(GADDictionaryFromCGRect(Rect(1, 2, 3, 4)), &error),
              Rect(1, 2, 3, 4));
    const Value bad = Value::dictionary({{"x", 1}, {"y", 2}, {"width", "3"}, {"height", 4}});
    EXPECT_EQ(GADCGRectFromDictionary(bad, &error), Rect::zero());
    EXPECT_TRUE(error.is("cg_rect_conversion", 1));
    EXPECT_EQ(error.localizedDescription(),
              "Invalid SDK Core rectangle " + bad.description() + ".");
    const Value infinite =
        Value::dictionary({{"x", 1}, {"y", 2}, {"width", INFINITY}, {"height", 4}});
    EXPECT_EQ(GADCGRectFromDictionary(infinite), Rect::zero());
    EXPECT_EQ(GADCGRectFromDictionary(Value("not a dictionary")), Rect::zero());
}

TEST(GADRectUtilitiesTest, OrientationConversionBeforeSystemEight) {
    const Rect screen(0, 0, 320, 480);
    const Rect r(10, 20, 100, 50);
    // This device runs 8.4: screen rectangles already follow the interface.
    EXPECT_EQ(GADConvertRectToInterfaceOrientation(3, r, screen), r);

    platform::DeviceInfo::Scope old(
        {"iPhone", "iPhone OS", "7.1", platform::UserInterfaceIdiom::Phone});
    EXPECT_EQ(GADConvertRectToInterfaceOrientation(1, r, screen), r);
    EXPECT_EQ(GADConvertRectToInterfaceOrientation(2, r, screen), Rect(210, 410, 100, 50));
    EXPECT_EQ(GADConvertRectToInterfaceOrientation(3, r, screen), Rect(20, 210, 50, 100));
    EXPECT_EQ(GADConvertRectToInterfaceOrientation(4, r, screen), Rect(410, 10, 50, 100));
    EXPECT_EQ(GADConvertRectToInterfaceOrientation(9, r, screen), r);

    auto& app = platform::ui::Application::shared();
    app.setStatusBarOrientation(4);
    platform::ui::Screen::mainScreen().reset();
    EXPECT_EQ(GADConvertRectToStatusBarOrientation(r), Rect(410, 10, 50, 100));
    app.reset();
}

}  // namespace
}  // namespace ads
