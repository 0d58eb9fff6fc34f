// Viewability end to end on real WebKit: a banner's samples reach our core page as records,
// the page judges them by its own rule, pings the ad's viewable URL once the banner has been
// on screen for a second, and untracks a unit whose last record came, so the lent web view
// is let go. The manual clock drives the samples. Needs a display.

#include <gtest/gtest.h>

#include <string>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerSlotAdapter.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotActiveView.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/storage/Json.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::Value;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

class GADSlotActiveViewWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-banner";

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        platform::ui::Application::shared().becomeActive();
    }
    void TearDown() override {
        if (banner) banner->removeFromSuperview();
        banner.reset();
        scope.runUntilIdle();
    }
    void loadBanner() {
        ads.server().setScenario(kUnit, AdScenario::banner());
        banner = GADBannerView::create(kGADAdSizeBanner, {0, 430});
        banner->setAdUnitID(kUnit);
        banner->setRootViewController(controller);
        window->addSubview(banner);
        banner->loadRequest(GADRequest::request());
        ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
        ASSERT_TRUE(waitFor([&] { return GADSlotTestPeer(slot()).activeView().isMeasuring(); }));
    }
    GADSlot* slot() const {
        auto adapter = std::dynamic_pointer_cast<GADBannerSlotAdapter>(banner->slot());
        return adapter ? adapter->slot().get() : nullptr;
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }
    // The web view the measurement runs in (the shared one, made for the first unit).
    std::shared_ptr<GADSDKCoreWebView> coreWebView() {
        return GADSDKCoreController::sharedInstance()->SDKCoreWebViewForActiveViewProcessing();
    }
    // What the page made of the unit: records seen, visible, pinged, done.
    Value unit(std::uint64_t id) {
        const std::string text =
            coreWebView()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
                "JSON.stringify(window.RADE_activeViewUnits || {})");
        auto units = platform::Json::parse(text);
        if (!units) return Value();
        const Value* found = units->find(std::to_string(id));
        return found ? *found : Value();
    }
    bool pageSays(std::uint64_t id, const char* key, Value value) {
        return waitFor([&] {
            const Value seen = unit(id);
            const Value* field = seen.find(key);
            return field && *field == value;
        });
    }
    // Samples every 0.4 s of the manual clock, each evaluated on a later page turn.
    void sample(int count) {
        for (int i = 0; i < count; ++i) {
            scope.advance(0.4);
            scope.runUntilIdle();
        }
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<GADBannerView> banner;
};

TEST_F(GADSlotActiveViewWebKitTest, OnScreenABannerIsVisibleAndPingedOnceMovedOutItIsNot) {
    loadBanner();
    const std::uint64_t id = GADSlotTestPeer(slot()).activeView().activeViewID();
    ASSERT_TRUE(pageSays(id, "visible", Value(true)));
    EXPECT_EQ(ads.log().count(RequestKind::Viewable), 0u);

    // A continuous second on screen: one viewable ping, and no second one.
    sample(3);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Viewable, 1));
    EXPECT_TRUE(pageSays(id, "pinged", Value(true)));
    sample(5);
    ASSERT_TRUE(pageSays(id, "records", Value(9)));
    EXPECT_EQ(ads.log().count(RequestKind::Viewable), 1u);

    // Moved out of the window: one more record, not visible, and no more samples.
    banner->removeFromSuperview();
    ASSERT_TRUE(pageSays(id, "visible", Value(false)));
    sample(3);
    ASSERT_TRUE(pageSays(id, "records", Value(10)));
}

TEST_F(GADSlotActiveViewWebKitTest, AHiddenBannerIsNeverPinged) {
    loadBanner();
    banner->setHidden(true);
    sample(6);
    const std::uint64_t id = GADSlotTestPeer(slot()).activeView().activeViewID();
    ASSERT_TRUE(pageSays(id, "records", Value(7)));
    EXPECT_TRUE(pageSays(id, "visible", Value(false)));
    EXPECT_EQ(ads.log().count(RequestKind::Viewable), 0u);
}

TEST_F(GADSlotActiveViewWebKitTest, AReplacedAdsUnitIsUntrackedAndItsWebViewLetGo) {
    loadBanner();
    const std::uint64_t first = GADSlotTestPeer(slot()).activeView().activeViewID();
    ASSERT_TRUE(pageSays(first, "visible", Value(true)));
    std::weak_ptr<GADSDKCoreWebView> lent = coreWebView();

    // The next ad: the old unit's last record, answered by the page with an untrack.
    banner->loadRequest(GADRequest::request());
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 2));
    ASSERT_TRUE(pageSays(first, "done", Value(true)));
    ASSERT_TRUE(
        waitFor([&] { return GADSlotTestPeer(slot()).activeView().activeViewID() > first; }));

    // The banner goes: its last unit is untracked too, and nothing keeps the web view running.
    const std::uint64_t second = GADSlotTestPeer(slot()).activeView().activeViewID();
    ASSERT_TRUE(pageSays(second, "records", Value(1)));
    banner->removeFromSuperview();
    banner.reset();
    ASSERT_TRUE(pageSays(second, "done", Value(true)));
    ASSERT_TRUE(waitFor([&] { return lent.lock() && !lent.lock()->isActiveViewRunning(); }));
    // The controller lets go of finished web views the next time it is asked for one.
    EXPECT_EQ(coreWebView(), lent.lock());
    EXPECT_EQ(GADSDKCoreController::sharedInstance()->activeViewUnloadCacheCount(), 0u);
}

}  // namespace
}  // namespace ads
