#include "ads/foundation/GADAdSize.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ads/foundation/GADInternalError.h"
#include "platform/device/Reachability.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Size;
using platform::UserInterfaceIdiom;
using platform::ui::Application;
using platform::ui::Screen;

class GADAdSizeTest : public ::testing::Test {
  protected:
    GADAdSizeTest() {
        // Sizes ask the device, which follows the network: never the machine's here.
        platform::Reachability::setFlagsForTesting(platform::kReachabilityFlagReachable);
        Application::shared().reset();
        Screen::mainScreen().setSize({320, 568});
    }
    ~GADAdSizeTest() override {
        platform::Reachability::setFlagsForTesting(std::nullopt);
        Application::shared().reset();
        Screen::mainScreen().reset();
    }
    platform::DeviceInfo::Scope phone{{"iPhone", "iPhone OS", "8.4", UserInterfaceIdiom::Phone}};
};

platform::DeviceInfo::Facts pad() {
    return {"iPad", "iPhone OS", "8.4", UserInterfaceIdiom::Pad};
}

TEST_F(GADAdSizeTest, FromSizeFindsTheStandardSizes) {
    EXPECT_TRUE(GADAdSizeEqualToSize(GADAdSizeFromCGSize({320, 50}), kGADAdSizeBanner));
    EXPECT_TRUE(GADAdSizeEqualToSize(GADAdSizeFromCGSize({728, 90}), kGADAdSizeLeaderboard));
    EXPECT_TRUE(GADAdSizeEqualToSize(GADAdSizeFromCGSize({-1, -1}), kGADAdSizeInvalid));
    const GADAdSize custom = GADAdSizeFromCGSize({320, 51});
    EXPECT_EQ(custom.size, (Size{320, 51}));
    EXPECT_EQ(custom.flags, 1u);
    EXPECT_EQ(GADAdSizeFluidFromCGSize({0, 0}).flags, 32u);
    EXPECT_TRUE(GADAdSizeIsStandard(kGADAdSizeSkyscraper));
    EXPECT_FALSE(GADAdSizeIsStandard(kGADAdSizeInvalid));
    EXPECT_FALSE(GADAdSizeIsStandard(GADAdSize{{320, 50}, 8}));
    EXPECT_TRUE(GADAdSizeIsFullWidth(kGADAdSizeSmartBannerLandscape));
    EXPECT_TRUE(GADAdSizeIsAutoHeight(kGADAdSizeSmartBannerPortrait));
    EXPECT_TRUE(GADAdSizeIsFluid(kGADAdSizeFluid));
}

TEST_F(GADAdSizeTest, ResolvesToPointsOnPhoneAndPad) {
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeSmartBannerPortrait), (Size{320, 50}));
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeSmartBannerLandscape), (Size{568, 32}));
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeMediumRectangle), (Size{300, 250}));
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeInvalid), (Size{0, 0}));
    // Full width without auto height or custom height: nothing to show.
    EXPECT_EQ(CGSizeFromGADAdSize(GADAdSize{{0, 0}, 2}), (Size{0, 0}));
    EXPECT_EQ(CGSizeFromGADAdSize(GADAdSize{{0, 70}, 3}), (Size{320, 70}));
    EXPECT_EQ(CGSizeFromGADAdSize(GADAdSizeFromCGSize({123, 45})), (Size{123, 45}));
    EXPECT_EQ(CGSizeFromGADAdSize(GADAdSize{{5, 5}, 64}), (Size{0, 0}));
    // The screen turned sideways is measured upright.
    Screen::mainScreen().setSize({568, 320});
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeSmartBannerPortrait), (Size{320, 50}));

    Screen::mainScreen().setSize({768, 1024});
    platform::DeviceInfo::Scope tablet(pad());
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeSmartBannerSkinnyPortrait), (Size{768, 66}));
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeSmartBannerPortrait), (Size{768, 90}));
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeSmartBannerLandscape), (Size{1024, 90}));
    EXPECT_EQ(GADAdSizeFullWidthSize(kGADAdSizeSmartBannerPortrait, UserInterfaceIdiom::Unspecified,
                                     {768, 1024}),
              (Size{0, 0}));
}

TEST_F(GADAdSizeTest, FluidSizesFollowTheKeyWindow) {
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeFluid), (Size{0, 1}));
    auto window = platform::ui::Window::create({0, 0, 375, 600});
    Application::shared().setKeyWindow(window);
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeFluid), (Size{375, 1}));
    EXPECT_EQ(CGSizeFromGADAdSize(GADAdSizeFluidFromCGSize({200, 80})), (Size{200, 80}));
    Application::shared().setStatusBarOrientation(3);
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeFluid), (Size{375, 1}));
    platform::DeviceInfo::Scope old({"iPhone", "iPhone OS", "7.1", UserInterfaceIdiom::Phone});
    EXPECT_EQ(CGSizeFromGADAdSize(kGADAdSizeFluid), (Size{600, 1}));
}

TEST_F(GADAdSizeTest, ValidityAndItsReasons) {
    platform::Error error;
    EXPECT_TRUE(GADAdSizeIsValidWithError(GADAdSizeFromCGSize({-100, 50}), &error));
    EXPECT_TRUE(GADAdSizeIsValidWithError(GADAdSizeFromCGSize({568, 568})));
    EXPECT_FALSE(GADAdSizeIsValidWithError(GADAdSizeFromCGSize({569, 50}), &error));
    EXPECT_TRUE(error.is(kGADPrivateErrorDomain, 3));
    EXPECT_EQ(error.localizedDescription(),
              "Not enough space to show ad with custom size, {569, 50}. Please use a size the "
              "fits the current screen bounds of {320, 568}.");
    EXPECT_FALSE(GADAdSizeIsValidWithError(GADAdSize{{0, 0}, 16}, &error));
    EXPECT_EQ(error.localizedDescription(),
              "Non-standard size, GADAdSize: {0, 0}, 10. Please create a custom ad size using "
              "GADAdSizeFromCGSize.");
    EXPECT_FALSE(GADAdSizeIsValidWithError(GADAdSize{{320, 50}, 8}));
    EXPECT_FALSE(GADAdSizeIsValidWithError(kGADAdSizeInvalid));
    for (const GADAdSize& ok :
         {kGADAdSizeBanner, kGADAdSizeSmartBannerPortrait, kGADAdSizeSmartBannerSkinnyLandscape,
          kGADAdSizeFluid, GADAdSizeFluidFromCGSize({10, 10})}) {
        EXPECT_TRUE(GADAdSizeIsValidWithError(ok)) << NSStringFromGADAdSize(ok);
    }
    EXPECT_FALSE(GADAdSizeIsValidWithError(GADAdSizeFromCGSize({std::nan(""), 5})));
}

TEST_F(GADAdSizeTest, NamesTextsAndBoxes) {
    EXPECT_EQ(NSStringFromGADAdSize(kGADAdSizeFluid), "kGADAdSizeFluid");
    EXPECT_EQ(NSStringFromGADAdSize(kGADAdSizeBanner), "kGADAdSizeBanner");
    EXPECT_EQ(NSStringFromGADAdSize(kGADAdSizeSmartBannerSkinnyLandscape),
              "kGADAdSizeSmartBannerSkinnyLandscape");
    EXPECT_EQ(NSStringFromGADAdSize(kGADAdSizeInvalid), "kGADAdSizeInvalid");
    EXPECT_EQ(NSStringFromGADAdSize(GADAdSizeFromCGSize({50, 50})), "Custom GADAdSize: {50, 50}");
    EXPECT_EQ(NSStringFromGADAdSize(GADAdSize{{0, 70}, 3}),
              "Full width GADAdSize with height: 70.000000");
    EXPECT_EQ(NSStringFromGADAdSize(GADAdSizeFluidFromCGSize({1.5, 2})),
              "Fluid GADAdSize: {1.5, 2}");

    const GADBoxedValue box = NSValueFromGADAdSize(kGADAdSizeSmartBannerLandscape);
    EXPECT_EQ(box.objCType, "{GADAdSize={CGSize=dd}Q}");
    EXPECT_TRUE(GADAdSizeEqualToSize(GADAdSizeFromNSValue(&box), kGADAdSizeSmartBannerLandscape));
    const GADBoxedValue plainSize = NSValueFromCGSize({320, 50});
    EXPECT_TRUE(GADAdSizeEqualToSize(GADAdSizeFromNSValue(&plainSize), kGADAdSizeInvalid));
    EXPECT_TRUE(GADAdSizeEqualToSize(GADAdSizeFromNSValue(nullptr), kGADAdSizeInvalid));
    GADBoxedValue truncated = box;
    truncated.bytes.resize(8);
    EXPECT_TRUE(GADAdSizeEqualToSize(GADAdSizeFromNSValue(&truncated), kGADAdSizeInvalid));
}

TEST_F(GADAdSizeTest, ServerSizeTexts) {
    EXPECT_EQ(CGSizeFromGADAdSizeString("320x50"), (Size{320, 50}));
    EXPECT_EQ(CGSizeFromGADAdSizeString(" 300 x 250 "), (Size{300, 250}));
    EXPECT_EQ(CGSizeFromGADAdSizeString("-1x-1"), (Size{-1, -1}));
    EXPECT_EQ(CGSizeFromGADAdSizeString("12.5x7"), (Size{12.5, 7}));
    for (const char* unreadable :
         {"", "x", "320", "320x", "fluid", "320X50", "infx50", "320xnan", "1e400x5"}) {
        EXPECT_EQ(CGSizeFromGADAdSizeString(unreadable), (Size{0, 0})) << unreadable;
    }
}

}  // namespace
}  // namespace ads
