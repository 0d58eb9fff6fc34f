#pragma once

// The surroundings of a WebKit test of mediation through the public ad classes: the loopback ad
// server with the SDK core page, the rooms and the mediation classes loaded, a white 320 x 480
// window, and what the app hears. A banner goes at the window's bottom (y 430).

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/mediation/tests/HeardPublicAds.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlotRoom.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TestScreenshot.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads::testing {

class MediatedPublicAdsWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        GADFullScreenRoom::load();
        GADSlotRoom::load();
        registerMediationClasses();
        window->setBackgroundColor(platform::Color::whiteColor());
        // Ads open only what is on screen, in an active application, as the game is.
        window->makeKeyWindow();
        platform::ui::Application::shared().becomeActive();
    }
    void TearDown() override {
        if (banner) banner->removeFromSuperview();
        banner.reset();
        interstitial.reset();
        scope.runUntilIdle();
    }
    // A 320 x 50 banner of the unit, answered as the scenario says, in the window and loading.
    void loadBanner(const std::string& unit, const tools::adserver::AdScenario& scenario,
                    std::shared_ptr<GADRequest> request = GADRequest::request()) {
        ads.server().setScenario(unit, scenario);
        if (banner) banner->removeFromSuperview();
        banner = GADBannerView::create(kGADAdSizeBanner, {0, 430});
        ASSERT_NE(banner, nullptr);
        banner->setAdUnitID(unit);
        banner->setRootViewController(controller);
        banner->setDelegate(heard);
        window->addSubview(banner);
        banner->loadRequest(request);
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }
    // Until the server heard a mediation ping of that kind ("imp", "click", ...).
    bool waitForPing(const std::string& kind) {
        return ads.waitOnMainLoopUntil([&] {
            for (const auto& ping : ads.log().of(tools::adserver::RequestKind::MediationPing)) {
                if (ping.param("ping") == kind) return true;
            }
            return false;
        });
    }
    // The banner's place in the shot (at 430 in the window) has the colour, within rounding.
    static void expectBannerColor(const platform::gfx::Image& shot, std::uint32_t argb) {
        const auto seen = platform::testing::ScreenshotCamera::rgb(shot, 10, 440);
        EXPECT_NEAR(seen[0], int((argb >> 16) & 0xff), 3);
        EXPECT_NEAR(seen[1], int((argb >> 8) & 0xff), 3);
        EXPECT_NEAR(seen[2], int(argb & 0xff), 3);
    }
    // The window as it looks now, also left in <build>/screenshots/<file>; none without a
    // camera.
    std::optional<platform::gfx::Image> shoot(const std::string& file) {
        auto shot = platform::testing::shootTestWindow(*window, file);
        if (shot.empty()) return std::nullopt;
        return shot;
    }

    AdsTestScope scope;
    AdServerFixture ads;
    SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<HeardPublicAds> heard = std::make_shared<HeardPublicAds>();
    std::shared_ptr<GADBannerView> banner;
    std::shared_ptr<GADInterstitial> interstitial;
};

}  // namespace ads::testing
