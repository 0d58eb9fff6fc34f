// Ads an ad network draws with a script, and the publisher's banner, on real WebKit against our
// loopback ad server: a script that draws a second after its page loaded shows in the banner
// once drawn; one that passes back fails and tries again after the reload interval; one that
// never draws times out after 101 checks on the test clock. The publisher's banner renders a
// custom-rendered ad in a web view of its own, and shares its correlator with another banner.
// Leaves <build>/screenshots/script_ad_drawn.png for a person to look at. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADAdNetworkJavaScriptAdViewDelegate.h"
#include "ads/slot/GADBannerSlotAdapter.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADCorrelator.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/ZORBannerView.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TestGate.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::testing::ScreenshotCamera;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;
using tools::adserver::ScriptEnding;

class RecordingDelegate : public GADBannerViewDelegate, public ZORCustomRenderedBannerViewDelegate {
  public:
    void adViewDidReceiveAd(GADBannerView&) override { ++received; }
    void adViewDidFailToReceiveAdWithError(GADBannerView&, const platform::Error& error) override {
        failures.push_back(std::to_string(error.code) + " " + error.localizedDescription());
    }
    void bannerViewDidReceiveCustomRenderedAd(
        ZORBannerView&, const std::shared_ptr<ZORCustomRenderedAd>& ad) override {
        custom.push_back(ad);
    }
    int received = 0;
    std::vector<std::string> failures;
    std::vector<std::shared_ptr<ZORCustomRenderedAd>> custom;
};

class ScriptAdsAndPublisherBannersWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-script";
    static constexpr std::uint32_t kAdPixel = 0x2040c0ffu;

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        window->setBackgroundColor(platform::Color::whiteColor());
    }
    void TearDown() override {
        for (auto& banner : banners) banner->removeFromSuperview();
        banners.clear();
        scope.runUntilIdle();
    }

    // A 320 x 50 banner at the bottom of the window, loading the unit.
    template <class Banner = GADBannerView>
    std::shared_ptr<Banner> loadBanner(const std::string& unit, const AdScenario& scenario,
                                       std::shared_ptr<GADCorrelator> correlator = nullptr) {
        ads.server().setScenario(unit, scenario);
        auto banner = Banner::create(platform::Rect(0, 430, 320, 50), kGADAdSizeBanner);
        EXPECT_NE(banner, nullptr);
        if (!banner) return nullptr;
        banner->setAdUnitID(unit);
        banner->setRootViewController(controller);
        banner->setDelegate(delegate);
        if constexpr (std::is_same_v<Banner, ZORBannerView>) {
            banner->setCustomRenderedBannerViewDelegate(delegate);
            banner->setCorrelator(correlator);
        }
        window->addSubview(banner);
        banners.push_back(banner);
        banner->loadRequest(GADRequest::request());
        return banner;
    }
    static GADSlot& slotOf(const GADBannerView& banner) { return *banner.slot()->adSlot(); }
    GADAdNetworkJavaScriptAdViewDelegate* script(const GADBannerView& banner) {
        return dynamic_cast<GADAdNetworkJavaScriptAdViewDelegate*>(
            GADSlotTestPeer(slotOf(banner)).adViewDelegate().get());
    }
    // What each wait waits for comes, sooner or later: the limit only ends a test that went
    // wrong, and a sanitizer build beside twice a developer's other work loads two banners in
    // more than 20 s.
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 60);
    }
    // The page shows the ad's colour now (away from the text at the ad's top left).
    static bool shows(platform::web::WebView& view) {
        const auto picture = view.snapshot();
        return picture && picture->pixel(310, 45) == kAdPixel;
    }
    static bool near(std::array<int, 3> seen, std::array<int, 3> expected) {
        for (int i = 0; i < 3; ++i) {
            if (std::abs(seen[i] - expected[i]) > 3) return false;
        }
        return true;
    }
    // One period of the render checks on the test clock, and what it posted.
    void onePeriod() {
        scope.advance(GADAdNetworkJavaScriptAdViewDelegate::kCheckInterval);
        scope.runUntilIdle();
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::vector<std::shared_ptr<GADBannerView>> banners;
};

TEST_F(ScriptAdsAndPublisherBannersWebKitTest, AScriptThatDrawsAfterASecondShowsOnceDrawn) {
    auto banner = loadBanner(
        kUnit, AdScenario::scriptAd().withColor("#2040c0").endingScriptWith(ScriptEnding::Draw, 1));
    ASSERT_TRUE(banner);
    GADSlot& slot = slotOf(*banner);
    ASSERT_TRUE(waitFor([&] { return slot.state() == GADSlotState::Rendering; }));
    ASSERT_NE(script(*banner), nullptr);
    // Loaded, not drawn yet: the first check finds nothing, once its picture has come, and the
    // banner waits.
    onePeriod();
    EXPECT_TRUE(waitFor([&] { return script(*banner)->checkRenderingCount() == 1u; }));
    EXPECT_EQ(delegate->received, 0);

    // Drawn: the next check shows the ad, once, with one impression.
    ASSERT_TRUE(waitFor([&] { return shows(*banner->adView()->webView()); }));
    onePeriod();
    ASSERT_TRUE(waitFor([&] { return delegate->received == 1; }));
    EXPECT_EQ(slot.state(), GADSlotState::ValidAd);
    EXPECT_FALSE(script(*banner)->isCheckingRendering());
    EXPECT_FALSE(banner->adView()->isHidden());
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));

    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    ASSERT_TRUE(waitFor([&] {
        const auto& frame = banner->adView()->webView()->paintedFrame();
        return !frame.empty() && frame.pixel(310, 45) == kAdPixel;
    }));
    std::string saveError;
    const auto shot = camera.shoot(*window, "script_ad_drawn.png", &saveError);
    EXPECT_TRUE(saveError.empty()) << saveError;
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 310, 475), {0x20, 0x40, 0xc0}));
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 160, 200), {255, 255, 255}));
    onePeriod();
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    EXPECT_TRUE(delegate->failures.empty());
}

TEST_F(ScriptAdsAndPublisherBannersWebKitTest,
       APassbackFailsAndTheBannerTriesAgainAfterItsInterval) {
    auto banner = loadBanner(kUnit, AdScenario::scriptAd().withRefreshRate(20).endingScriptWith(
                                        ScriptEnding::Passback, 0.1));
    ASSERT_TRUE(banner);
    GADSlot& slot = slotOf(*banner);
    ASSERT_TRUE(waitFor([&] { return delegate->failures.size() == 1; }));
    EXPECT_EQ(delegate->failures[0], "1 Passback URL received.");
    EXPECT_EQ(slot.state(), GADSlotState::InvalidAd);
    // The navigation was refused: the passback URL itself was never asked for.
    EXPECT_EQ(ads.log().count(RequestKind::Passback), 0u);

    // After the reload interval the next ad comes; this one passes back by the scheme.
    ads.server().setScenario(kUnit, AdScenario::scriptAd().withRefreshRate(20).endingScriptWith(
                                        ScriptEnding::PassbackScheme, 0.1));
    scope.advance(19);
    EXPECT_FALSE(GADSlotTestPeer(&slot).isMakingRequest());
    scope.advance(1);
    EXPECT_TRUE(GADSlotTestPeer(&slot).isMakingRequest());
    ASSERT_TRUE(waitFor([&] { return delegate->failures.size() == 2; }));
    EXPECT_EQ(delegate->failures[1], "1 Passback URL received.");
    EXPECT_EQ(ads.log().count(RequestKind::FetchedAdRequest), 2u);
    EXPECT_EQ(delegate->received, 0);
}

TEST_F(ScriptAdsAndPublisherBannersWebKitTest, AScriptThatNeverDrawsTimesOutAfter101Checks) {
    auto banner = loadBanner(kUnit, AdScenario::scriptAd().endingScriptWith(ScriptEnding::Never));
    ASSERT_TRUE(banner);
    GADSlot& slot = slotOf(*banner);
    ASSERT_TRUE(waitFor([&] { return slot.state() == GADSlotState::Rendering; }));
    for (int i = 0; i < 100; ++i) onePeriod();
    // The last look's picture may still be on its way: its verdict comes when it does.
    EXPECT_TRUE(waitFor([&] { return script(*banner)->checkRenderingCount() == 100u; }));
    EXPECT_TRUE(delegate->failures.empty());
    onePeriod();
    ASSERT_TRUE(waitFor([&] { return delegate->failures.size() == 1; }));
    EXPECT_EQ(delegate->failures[0], "1 Ad check timed out.");
    EXPECT_EQ(slot.state(), GADSlotState::InvalidAd);
    EXPECT_FALSE(script(*banner)->isCheckingRendering());
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 0u);
}

TEST_F(ScriptAdsAndPublisherBannersWebKitTest, ThePublisherRendersACustomAdInAViewOfItsOwn) {
    auto banner = loadBanner<ZORBannerView>(
        kUnit, AdScenario::customRendering().withColor("#2040c0"), GADCorrelator::create(5));
    ASSERT_TRUE(banner);
    ASSERT_TRUE(waitFor([&] { return delegate->custom.size() == 1; }));
    const auto custom = delegate->custom[0];
    EXPECT_EQ(slotOf(*banner).state(), GADSlotState::Rendering);
    EXPECT_EQ(custom->adBaseURL()->absoluteString(), ads.origin() + "/");

    // The publisher shows the HTML itself, then reports.
    auto own = platform::web::WebView::create({320, 50});
    own->loadHTMLString(custom->adHTML(), *custom->adBaseURL());
    ASSERT_TRUE(waitFor([&] { return shows(*own); }));
    custom->recordImpression();
    custom->finishedRenderingAdView(nullptr);
    custom->recordImpression();
    custom->finishedRenderingAdView(nullptr);
    ASSERT_TRUE(waitFor([&] { return delegate->received == 1; }));
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 0u);
    custom->recordClick();
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::ClickTracking, 1));
    onePeriod();
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    EXPECT_EQ(delegate->received, 1);
    EXPECT_TRUE(delegate->failures.empty());
}

TEST_F(ScriptAdsAndPublisherBannersWebKitTest, CorrelatedBannersShareTheirIdAndANewOnePreempts) {
    auto correlator = GADCorrelator::create();
    auto first = loadBanner<ZORBannerView>("ca-movu-a", AdScenario::banner(), correlator);
    auto second = loadBanner<ZORBannerView>("ca-movu-b", AdScenario::banner(), correlator);
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::AdRequest, 2));
    const auto requests = ads.log().of(RequestKind::AdRequest);
    const std::string id = std::to_string(correlator->correlationID());
    EXPECT_EQ(requests[0].param("correlation_id"), id);
    EXPECT_EQ(requests[1].param("correlation_id"), id);
    ASSERT_TRUE(waitFor([&] { return delegate->received == 2; }));

    // A request stalled at the server is replaced by a load under a new correlator.
    auto gate = ads.server().makeGate();
    auto stalled =
        loadBanner<ZORBannerView>("ca-movu-c", AdScenario::banner().stalledOn(gate), correlator);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::AdRequest, 3));
    EXPECT_TRUE(GADSlotTestPeer(slotOf(*stalled)).isMakingRequest());
    // The same correlator again leaves it waiting.
    stalled->loadRequest(GADRequest::request());
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 3u);
    auto fresh = GADCorrelator::create();
    ads.server().setScenario("ca-movu-c", AdScenario::banner());
    stalled->setCorrelator(fresh);
    stalled->loadRequest(GADRequest::request());
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::AdRequest, 4));
    EXPECT_EQ(ads.log().of(RequestKind::AdRequest)[3].param("correlation_id"),
              std::to_string(fresh->correlationID()));
    ASSERT_TRUE(waitFor([&] { return delegate->received == 3; }));
    EXPECT_EQ(stalled->previousCorrelationID(), fresh->correlationID());
    gate->release();
}

}  // namespace
}  // namespace ads
