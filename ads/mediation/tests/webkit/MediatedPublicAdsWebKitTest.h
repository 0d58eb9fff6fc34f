#pragma once

// The surroundings of a WebKit test of mediation through the public ad classes: the loopback ad
// server with the SDK core page, the rooms and the mediation classes loaded, a white 320 x 480
// window, and what the app hears. A banner goes at the window's bottom (y 430).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
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
    }
    void TearDown() override {
        if (banner) banner->removeFromSuperview();
        banner.reset();
        interstitial.reset();
        scope.runUntilIdle();
    }
    // A 320 x 50 banner of the unit, answered as the scenario says, in the window and loading.
    void loadBanner(const std::string& unit, const tools::adserver::AdScenario& scenario) {
        ads.server().setScenario(unit, scenario);
        if (banner) banner->removeFromSuperview();
        banner = GADBannerView::create(kGADAdSizeBanner, {0, 430});
        ASSERT_NE(banner, nullptr);
        banner->setAdUnitID(unit);
        banner->setRootViewController(controller);
        banner->setDelegate(heard);
        window->addSubview(banner);
        banner->loadRequest(GADRequest::request());
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
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
