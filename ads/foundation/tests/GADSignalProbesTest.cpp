#include "ads/foundation/GADSignalProbes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ads/foundation/GADGestureIdUtil.h"
#include "ads/testsupport/FixedDevice.h"
#include "ads/testsupport/TemporaryHome.h"
#include "platform/device/Battery.h"
#include "platform/device/DeviceInfo.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/storage/AtomicFile.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewClasses.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Rect;
using platform::ui::View;
using platform::ui::Window;

// A view class of the tests' own, known to the class registry by these names.
class NamedView : public View {
  public:
    NamedView(Rect frame, const char* name) : View(frame), name_(name) {}
    const char* className() const override { return name_; }

  private:
    const char* name_;
};

constexpr const char* kAdClass = "ProbeTestAdView";
constexpr const char* kAdSubclass = "ProbeTestFancyAdView";

class GADSignalProbesTest : public ::testing::Test {
  protected:
    GADSignalProbesTest() {
        auto& registry = platform::ClassRegistry::shared();
        registry.registerName(kAdClass, "UIView");
        registry.registerName(kAdSubclass, kAdClass);
    }
    ~GADSignalProbesTest() override {
        auto& registry = platform::ClassRegistry::shared();
        registry.unregisterClass(kAdSubclass);
        registry.unregisterClass(kAdClass);
    }

    std::shared_ptr<View> add(const std::shared_ptr<View>& parent, Rect frame,
                              const char* name = "UIView") {
        auto view = std::make_shared<NamedView>(frame, name);
        parent->addSubview(view);
        return view;
    }

    platform::MainLoopTestScope loop;
    testing::TemporaryHome home;
    testing::FixedDevice device;
};

TEST_F(GADSignalProbesTest, TextsBecomeCStrings) {
    int flag = -1;
    const GADText utf8 = std::string("gr\xC3\xBC\xC3\x9F");
    const char* own = GADCFStringToUTF8CString(&utf8, &flag);
    // The text's own buffer: nothing to free.
    EXPECT_EQ(own, std::get<std::string>(utf8).c_str());
    EXPECT_EQ(flag, 0);

    const GADText utf16 = std::u16string(u"h\u00e9llo \U0001F600");
    const char* converted = GADCFStringToUTF8CString(&utf16, &flag);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(flag, 1);
    EXPECT_STREQ(converted, "h\xC3\xA9llo \xF0\x9F\x98\x80");
    GADFreeUTF8CString(converted, flag);

    // What has no UTF-8 form gives nothing, and the flag is left alone.
    flag = 7;
    const GADText loneHigh = std::u16string(
        u"a\xD83D"
        u"b");
    const GADText loneLow = std::u16string(1, char16_t(0xDE00));
    const GADText brokenUtf8 = std::string("a\xC3");
    EXPECT_EQ(GADCFStringToUTF8CString(&loneHigh, &flag), nullptr);
    EXPECT_EQ(GADCFStringToUTF8CString(&loneLow, &flag), nullptr);
    EXPECT_EQ(GADCFStringToUTF8CString(&brokenUtf8, &flag), nullptr);
    EXPECT_EQ(GADCFStringToUTF8CString(nullptr, &flag), nullptr);
    EXPECT_EQ(flag, 7);
    const GADText empty = std::u16string();
    const char* none = GADCFStringToUTF8CString(&empty, nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_STREQ(none, "");
    GADFreeUTF8CString(none, 1);
}

TEST_F(GADSignalProbesTest, WebSafeBase64AndReachability) {
    const std::uint8_t bytes[] = {0xFB, 0xFF};
    EXPECT_EQ(GADWebSafeBase64StringFromBytes(bytes, 2), "-_8");
    EXPECT_EQ(GADWebSafeBase64StringFromBytes(bytes, -1), "");
    EXPECT_EQ(GADWebSafeBase64StringFromBytes(nullptr, 2), "");

    std::uint32_t flags = 99;
    EXPECT_TRUE(GADNetworkReachabilityFlags(&flags));
    EXPECT_EQ(flags, 2u);
    EXPECT_FALSE(GADNetworkReachabilityFlags(nullptr));
}

TEST_F(GADSignalProbesTest, BatteryIsReadWithoutLeavingMonitoringOn) {
    auto& battery = platform::Battery::shared();
    EXPECT_EQ(GADBatteryLevelAndState(), GADPackInt32Pair(-100, 0));
    EXPECT_FALSE(battery.isMonitoringEnabled());

    const auto supply = device.sysfs() / "BAT0";
    std::filesystem::create_directories(supply);
    ASSERT_TRUE(platform::AtomicFile::write(supply / "type", "Battery\n"));
    ASSERT_TRUE(platform::AtomicFile::write(supply / "capacity", "57\n"));
    ASSERT_TRUE(platform::AtomicFile::write(supply / "status", "Discharging\n"));
    const std::int64_t packed = GADBatteryLevelAndState();
    EXPECT_EQ(GADPackedLow(packed), 57);
    EXPECT_EQ(GADPackedHigh(packed), static_cast<int>(platform::BatteryState::Unplugged));
    EXPECT_FALSE(battery.isMonitoringEnabled());
    // Left on by someone else, it stays on.
    battery.setMonitoringEnabled(true);
    GADBatteryLevelAndState();
    EXPECT_TRUE(battery.isMonitoringEnabled());
}

TEST_F(GADSignalProbesTest, ScreenInPixelsAndTimeZoneInAdjustedMinutes) {
    EXPECT_EQ(GADScreenModeSize(), GADPackInt32Pair(640, 960));
    EXPECT_EQ(GADPackedHigh(GADPackInt32Pair(-3, -7)), -7);
    EXPECT_EQ(GADPackedLow(GADPackInt32Pair(-3, -7)), -3);

    EXPECT_EQ(GADTimeZoneOffsetMinutes(), 1440);
    {
        platform::testing::ScopedEnv tz("TZ", "JST-9");
        EXPECT_EQ(GADTimeZoneOffsetMinutes(), 1980);
    }
    {
        platform::testing::ScopedEnv tz("TZ", "EST5");
        EXPECT_EQ(GADTimeZoneOffsetMinutes(), 1140);
    }
    {
        // Whole minutes, truncated toward zero.
        platform::testing::ScopedEnv tz("TZ", "<-033030>3:30:30");
        EXPECT_EQ(GADTimeZoneOffsetMinutes(), 1440 - 210);
    }
}

TEST_F(GADSignalProbesTest, VisibleRectWalksTheKeyWindowBackToFront) {
    EXPECT_TRUE(GADVisibleRectOfViewsOfClassNamed(kAdClass).isNull());  // no key window
    auto window = Window::create({0, 0, 320, 480});
    window->makeKeyAndVisible();
    auto content = add(window, {0, 20, 320, 460});
    // Behind the ad: does not count.
    add(content, {0, 300, 320, 160});
    auto holder = add(content, {0, 380, 320, 80});
    auto ad = add(holder, {0, 10, 320, 50}, kAdSubclass);
    // Inside the ad: never visited.
    add(ad, {0, 0, 10, 10});
    EXPECT_TRUE(GADVisibleRectOfViewsOfClassNamed("NoSuchViewClass").isNull());
    EXPECT_TRUE(GADVisibleRectOfViewsOfClassNamed("").isNull());
    // The ad at window y 410..460, and nothing in front of it.
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed(kAdClass), Rect::zero());

    // A hidden view in front covers nothing.
    auto hidden = add(window, {0, 0, 320, 480});
    hidden->setHidden(true);
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed(kAdClass), Rect::zero());
    // A banner in front of the ad covers part of it.
    add(window, {100, 440, 320, 100});
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed(kAdClass), Rect(100, 440, 220, 20));

    // Without one showing there is nothing.
    ad->setHidden(true);
    EXPECT_TRUE(GADVisibleRectOfViewsOfClassNamed(kAdClass).isNull());
}

TEST_F(GADSignalProbesTest, TheToolkitsViewClassesAreKnownByName) {
    platform::ui::registerViewClasses();
    auto window = Window::create({0, 0, 320, 480});
    window->makeKeyAndVisible();
    auto picture = platform::ui::ImageView::create();
    picture->setFrame({0, 0, 100, 100});
    window->addSubview(picture);
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed("UIImageView"), Rect::zero());
    auto caption = platform::ui::Label::create();
    caption->setFrame({50, 60, 100, 100});
    window->addSubview(caption);
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed("UIImageView"), Rect(50, 60, 50, 40));
    // A class the toolkit knows, with no view of it showing.
    EXPECT_TRUE(GADVisibleRectOfViewsOfClassNamed("UIScrollView").isNull());
    // Every view is a UIView, the window first of all: it is found, and nothing is in front.
    EXPECT_EQ(GADVisibleRectOfViewsOfClassNamed("UIView"), Rect::zero());
}

TEST_F(GADSignalProbesTest, SystemVersionInParts) {
    {
        platform::DeviceInfo::Scope nine({"iPhone", "iPhone OS", "9.1", {}});
        std::int32_t major = -1, minor = -1, bugFix = -1;
        GADGestureIdUtil::getOSMajor(&major, &minor, &bugFix);
        EXPECT_EQ(major, 9);
        EXPECT_EQ(minor, 1);
        EXPECT_EQ(bugFix, 0);
        GADGestureIdUtil::getOSMajor(nullptr, &minor, nullptr);
        EXPECT_TRUE(GADGestureIdUtil::isOSAtLeastMajor(9, 1, 0));
        EXPECT_TRUE(GADGestureIdUtil::isOSAtLeastMajor(8, 9, 9));
        EXPECT_FALSE(GADGestureIdUtil::isOSAtLeastMajor(9, 1, 1));
    }
    platform::DeviceInfo::Scope odd({"iPhone", "iPhone OS", "10.x.3.7", {}});
    std::int32_t parts[3];
    GADGestureIdUtil::getOSMajor(&parts[0], &parts[1], &parts[2]);
    EXPECT_EQ(parts[0], 10);
    EXPECT_EQ(parts[1], 0);
    EXPECT_EQ(parts[2], 3);
}

}  // namespace
}  // namespace ads
