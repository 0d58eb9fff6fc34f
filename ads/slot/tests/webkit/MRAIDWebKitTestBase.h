#pragma once

// What the MRAID tests on real WebKit share: the loopback ad server with our MRAID scripts
// served by the SDK, a 320 x 480 key window whose root controller holds a banner of the ad
// unit's scenario (or presents an interstitial of one), the clock moved on while the real loop
// waits, and the screenshot camera (pictures in <build>/screenshots/). Desktop openings are
// recorded, never spawned.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TestScreenshot.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/ResourceInterceptor.h"
#include "tools/ad_server/AdScenario.h"

namespace ads::testing {

class MRAIDWebKitTestBase : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        GADMRAIDInterceptor::resetForTesting();
        GADMRAIDInterceptor::registerInterceptor();
        platform::ui::Application::shared().setDesktopOpener(
            [this](const std::vector<std::string>& argv) {
                opened.push_back(argv.at(1));
                return true;
            });
        window->setRootViewController(controller);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application, as the game is.
        platform::ui::Application::shared().becomeActive();
        window->setBackgroundColor(platform::Color::whiteColor());
    }
    void TearDown() override {
        interstitial.reset();
        if (banner) banner->removeFromSuperview();
        banner.reset();
        scope.runUntilIdle();
        platform::ui::AlertView::resetAll();
        platform::web::ResourceInterceptor::setHandler(GADMRAIDInterceptor::kScriptName, nullptr);
        GADMRAIDInterceptor::resetForTesting();
        platform::ui::Application::shared().setDesktopOpener({});
    }

    // The unit's ads as the scenario says.
    void serve(const std::string& unit, const std::string& scenarioText) {
        auto scenario = tools::adserver::parseAdScenario(scenarioText);
        ASSERT_TRUE(scenario) << scenarioText;
        ads.server().setScenario(unit, *scenario);
    }
    // A 320 x 50 banner of the unit at (0, y), not yet in any view nor loading.
    void makeBannerOf(const std::string& unit, const std::string& scenarioText, double y) {
        ASSERT_NO_FATAL_FAILURE(serve(unit, scenarioText));
        banner = GADBannerView::create(kGADAdSizeBanner, {0, y});
        banner->setAdUnitID(unit);
        banner->setRootViewController(controller);
    }
    // A 320 x 50 banner at (0, y) of the window, its unit served as the scenario says.
    void loadBannerOf(const std::string& unit, const std::string& scenarioText, double y) {
        ASSERT_NO_FATAL_FAILURE(makeBannerOf(unit, scenarioText, y));
        controller->view()->addSubview(banner);
        banner->loadRequest(GADRequest::request());
    }
    // An interstitial of the unit, served as the scenario says, loading; the delegate (when
    // given) hears it from the start.
    void loadInterstitialOf(const std::string& unit, const std::string& scenarioText,
                            std::weak_ptr<GADInterstitialDelegate> delegate = {}) {
        ASSERT_NO_FATAL_FAILURE(serve(unit, scenarioText));
        interstitial = GADInterstitial::create(unit);
        interstitial->setDelegate(std::move(delegate));
        interstitial->loadRequest(GADRequest::request());
    }
    std::shared_ptr<GADAdView> adView() const { return banner->adView(); }
    platform::Rect adFrameInWindow() const {
        return adView()->convertRectToView(adView()->bounds(), nullptr);
    }

    // Waits on the real loop while the test's clock moves on, so animations finish.
    bool waitFor(const std::function<bool()>& condition, double seconds = 20) {
        return ads.waitWhileClockMoves(scope, condition, seconds);
    }

    platform::gfx::Image shoot(const std::string& name) {
        return platform::testing::shootTestWindow(*window, name);
    }

    AdsTestScope scope;
    AdServerFixture ads;
    SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<GADBannerView> banner;
    std::shared_ptr<GADInterstitial> interstitial;
    std::vector<std::string> opened;
};

}  // namespace ads::testing
