// Mediation with the public ad classes on real WebKit against our loopback ad server, as an
// app with its own network adapters would see it: a 320 x 50 banner whose configuration lists
// a silent, an empty and a filling network shows the filling network's view after the first
// time-out; when every network fails the default no-fill ping goes out and the app hears code
// 9; a mediated interstitial is presented once by its network. Leaves
// <build>/screenshots/mediated_banner.png for a person to look at. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "ads/mediation/tests/webkit/MediatedPublicAdsWebKitTest.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "platform/testing/ScreenshotCamera.h"

namespace ads {
namespace {

using platform::testing::ScreenshotCamera;
using testing::ScriptedAdapter;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;
using Answer = ScriptedAdapter::Answer;

class MediationWebKitTest : public testing::MediatedPublicAdsWebKitTest {
  protected:
    static constexpr const char* kUnit = "ca-movu-mediated";

    static ScriptedAdapter::Script script(Answer answer) {
        ScriptedAdapter::Script s;
        s.answer = answer;
        return s;
    }
    void loadBanner(const AdScenario& scenario) {
        MediatedPublicAdsWebKitTest::loadBanner(kUnit, scenario);
    }
};

TEST_F(MediationWebKitTest, ABannerHearsOnceAfterTheTimeOutAndShowsTheFillingNetwork) {
    auto silent = ScriptedAdapter::registerClass(script(Answer::Silence));
    auto empty = ScriptedAdapter::registerClass(script(Answer::NoFill));
    auto filling = ScriptedAdapter::registerClass(script(Answer::View));
    loadBanner(AdScenario::mediation({silent->name(), empty->name(), filling->name()}, 2000));
    ASSERT_TRUE(waitFor([&] { return !silent->record().calls.empty(); }));
    EXPECT_TRUE(heard->log.empty());
    scope.advance(2);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_EQ(banner->mediatedAdView(), filling->record().last()->view());
    EXPECT_EQ(banner->adNetworkClassName(), filling->name());

    // The server hears the pass: a time-out, a no-fill, the fill.
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] {
        for (const auto& ping : ads.log().of(RequestKind::MediationPing)) {
            if (ping.param("ping") == "imp") return true;
        }
        return false;
    }));
    for (const auto& ping : ads.log().of(RequestKind::MediationPing)) {
        if (ping.param("ping") == "imp") {
            EXPECT_EQ(ping.param("aec"), "3,1,0");
        }
    }

    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    std::string saveError;
    const auto shot = camera.shoot(*window, "mediated_banner.png", &saveError);
    EXPECT_TRUE(saveError.empty()) << saveError;
    const auto seen = ScreenshotCamera::rgb(shot, 10, 440);
    EXPECT_NEAR(seen[0], 0x30, 3);
    EXPECT_NEAR(seen[1], 0xa0, 3);
    EXPECT_NEAR(seen[2], 0x50, 3);
    const auto around = ScreenshotCamera::rgb(shot, 160, 200);
    EXPECT_EQ(around[0], 255);
}

TEST_F(MediationWebKitTest, EveryNetworkFailingPingsNoFillAndFailsWith9) {
    auto empty = ScriptedAdapter::registerClass(script(Answer::NoFill));
    auto broken = ScriptedAdapter::registerClass(script(Answer::Error));
    auto scenario = AdScenario::mediation({empty->name(), broken->name()});
    scenario.mediationDefaultPings = true;
    loadBanner(scenario);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    EXPECT_EQ(heard->log, std::vector<std::string>{"fail:9"});
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::MediationPing, 1));
    const auto ping = ads.log().last(RequestKind::MediationPing);
    EXPECT_EQ(ping->path, "/nofill");
    EXPECT_EQ(ping->param("aec"), "1,2");
    EXPECT_EQ(ping->param("ad_loc"), kUnit);
}

TEST_F(MediationWebKitTest, AMediatedInterstitialIsPresentedOnce) {
    auto network = ScriptedAdapter::registerClass(script(Answer::Interstitial));
    ads.server().setScenario(kUnit, AdScenario::mediation({network->name()}));
    window->setRootViewController(controller);
    window->makeKeyWindow();
    interstitial = GADInterstitial::create(kUnit);
    interstitial->setDelegate(heard);
    interstitial->loadRequest(GADRequest::request());
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
    interstitial->presentFromRootViewController(controller);
    interstitial->presentFromRootViewController(controller);
    network->record().last()->dismissInterstitial();
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, (std::vector<std::string>{"received", "willPresent", "fail:6",
                                                    "willDismiss", "didDismiss"}));
    EXPECT_EQ(std::count(network->record().calls.begin(), network->record().calls.end(), "present"),
              1);
}

}  // namespace
}  // namespace ads
