#include "ads/slot/GADBannerSlotAdapter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;
using platform::ui::View;
using platform::ui::Window;
using State = GADSlotState;

class RecordingDelegate : public GADBannerViewDelegate {
  public:
    void adViewDidReceiveAd(GADBannerView&) override { calls.push_back("received"); }
    void adViewDidFailToReceiveAdWithError(GADBannerView&, const platform::Error& error) override {
        calls.push_back("failed " + std::to_string(error.code));
    }
    std::vector<std::string> calls;
};

class GADBannerSlotAdapterTest : public ::testing::Test {
  protected:
    ~GADBannerSlotAdapterTest() override {
        banner.reset();
        scope.runUntilIdle();
    }

    // A banner on the program's own slot, as the app makes one.
    void makeBanner() {
        banner = GADBannerView::create(kGADAdSizeBanner);
        ASSERT_NE(banner, nullptr);
        banner->setDelegate(delegate);
        GADSlotTestPeer(slot()).setStateObserver([this](State, State to) {
            if (to == State::RequestingAdURL) ++requests;
        });
    }
    GADSlot* slot() const {
        auto adapter = std::dynamic_pointer_cast<GADBannerSlotAdapter>(banner->slot());
        return adapter ? adapter->slot().get() : nullptr;
    }
    // A request whose extras carry the ad, or the address to fetch it from, so the SDK core
    // is not asked.
    static std::shared_ptr<GADRequest> requestWith(Value::Dictionary extras) {
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(GADExtras::create(std::move(extras)));
        return request;
    }
    static std::shared_ptr<GADRequest> requestWithAd(double refreshRate) {
        return requestWith({{"_ad", Value(Value::Dictionary{
                                        {"ad_html", Value("<p>ad</p>")},
                                        {"ad_base_url", Value("https://ads.test/")},
                                        {"refresh_rate", Value(refreshRate)},
                                    })}});
    }
    static std::shared_ptr<GADRequest> requestFrom(const std::string& url) {
        return requestWith({{"_requestUrl", Value(url)}});
    }
    // Lets the banner's page finish once the slot renders it.
    void finishRendering() {
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return slot()->state() == State::Rendering; }));
        auto& page = *views.web().pages().back();
        page.fireStart();
        page.fireFinish();
        scope.runUntilIdle();
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<Window> window = Window::create(Rect(0, 0, 320, 480));
    std::shared_ptr<GADBannerView> banner;
    int requests = 0;
};

TEST_F(GADBannerSlotAdapterTest, APlainBannerGetsTheProgramsSlot) {
    makeBanner();
    GADSlot* real = slot();
    ASSERT_NE(real, nullptr);
    EXPECT_TRUE(real->reloadTimer().reloadable());
    EXPECT_EQ(banner->adView(), real->adView());
    EXPECT_EQ(real->adView()->superview(), banner);
    // The ad view fills the banner once its size is known.
    EXPECT_EQ(real->adView()->frame(), Rect(0, 0, 320, 50));
    EXPECT_FALSE(real->adType().isInterstitial());
    EXPECT_TRUE(GADAdSizeEqualToSize(real->adType().adSize(), kGADAdSizeBanner));
    EXPECT_FALSE(banner->adUnitID());
    banner->setAdUnitID("ca-unit");
    EXPECT_EQ(real->adUnitID(), "ca-unit");
    EXPECT_EQ(banner->adUnitID(), "ca-unit");

    // The request sent for it reads the banner: its place and its ad key.
    window->addSubview(banner);
    banner->setRootViewController(controller);
    real->loadRequest(GADRequest::request());
    const auto parameters =
        static_cast<GADSDKCoreControllerDelegate&>(*real).requestParametersWithRequestID("1")();
    ASSERT_TRUE(parameters);
    EXPECT_EQ(parameters->at("ad_frame").get("w"), Value(320.0));
    EXPECT_EQ(parameters->at("ad_frame").get("h"), Value(50.0));
    EXPECT_EQ(parameters->at("view_hierarchy").get("creator_class"), Value("GADBannerView"));
    EXPECT_EQ(parameters->at("view_hierarchy").get("parents").asArray().size(), 1u);

    // Leaving every window is announced with the slot as object; joining one is not.
    int left = 0;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        kGADSlotDidLeaveWindowNotification, real, [&](const platform::Notification&) { ++left; });
    banner->removeFromSuperview();
    window->addSubview(banner);
    scope.runUntilIdle();
    EXPECT_EQ(left, 1);

    // A banner that goes takes its slot along, which ends in its final state first.
    std::weak_ptr<GADBannerViewSlot> adapter = banner->slot();
    banner->removeFromSuperview();
    banner.reset();
    EXPECT_TRUE(adapter.expired());
}

TEST_F(GADBannerSlotAdapterTest, TimedReloadsWaitWhileTheBannerIsNotShown) {
    makeBanner();
    banner->setRootViewController(controller);
    banner->loadRequest(requestWithAd(30));
    finishRendering();
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"received"});
    EXPECT_EQ(slot()->reloadTimer().interval(), 30);
    EXPECT_EQ(requests, 1);

    // Outside any window: no reload, and the timer runs again for another period.
    scope.advance(30);
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(slot()->reloadTimer().isScheduled());

    // In a window, under a hidden ancestor: the same.
    auto container = View::create(Rect(0, 430, 320, 50));
    window->addSubview(container);
    container->addSubview(banner);
    container->setHidden(true);
    scope.advance(30);
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(slot()->reloadTimer().isScheduled());

    // Shown: the next period reloads, marked as a refresh.
    container->setHidden(false);
    scope.advance(29);
    EXPECT_EQ(requests, 1);
    scope.advance(1);
    EXPECT_EQ(requests, 2);
    finishRendering();
    EXPECT_TRUE(banner->hasAutoRefreshed());
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"received", "received"}));
}

TEST_F(GADBannerSlotAdapterTest, AnotherSizeCancelsTheRequestInFlightAndLoadsAgain) {
    platform::testing::TestHttpServer server;
    auto gate = server.makeGate();
    std::atomic<int> served = 0;
    server.get("/ad", [&](const httplib::Request&, httplib::Response& res) {
        // The first answer waits until the test lets it go; later ones come at once.
        if (served.fetch_add(1) == 0 && !gate->wait()) return;
        res.set_content("<p>ad</p>", "text/html");
    });
    makeBanner();
    banner->setRootViewController(controller);
    banner->loadRequest(requestFrom(server.url("/ad")));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return gate->arrivals() == 1; }));
    EXPECT_EQ(slot()->state(), State::FetchingAd);

    // Still 320 x 50 in whole points: nothing happens to the request.
    banner->setAdSize(GADAdSizeFromCGSize({320.4, 50.3}));
    EXPECT_EQ(slot()->state(), State::FetchingAd);
    EXPECT_EQ(requests, 1);

    banner->setAdSize(kGADAdSizeMediumRectangle);
    EXPECT_EQ(banner->frame().size, platform::Size(300, 250));
    EXPECT_TRUE(GADAdSizeEqualToSize(slot()->adType().adSize(), kGADAdSizeMediumRectangle));
    EXPECT_EQ(requests, 2);
    EXPECT_TRUE(banner->adView()->isHidden());
    finishRendering();
    EXPECT_EQ(server.requestCount("/ad"), 2u);
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"received"});
    EXPECT_FALSE(banner->adView()->isHidden());
    // The ad view follows the banner by autoresizing (through 320.4 x 50.3 on the way).
    EXPECT_NEAR(banner->adView()->frame().size.width, 300, 1e-9);
    EXPECT_NEAR(banner->adView()->frame().size.height, 250, 1e-9);

    // The first answer arrives late and changes nothing.
    gate->release();
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return served == 2; }));
    scope.runUntilIdle();
    EXPECT_EQ(slot()->state(), State::ValidAd);
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"received"});
}

TEST_F(GADBannerSlotAdapterTest, WithoutRootViewControllerEveryIntervalFailsWithCodeZero) {
    makeBanner();
    platform::LogSink::Capture capture;
    banner->loadRequest(requestWithAd(30));
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"failed 0"});
    EXPECT_EQ(slot()->state(), State::Idle);
    GADLogFlush();
    EXPECT_TRUE(capture.contains(
        "Must set the rootViewController property of GADBannerView before loading the ad."));

    // The retry comes a full default interval later, and fails the same way.
    ASSERT_TRUE(slot()->reloadTimer().isScheduled());
    scope.advance(GADSlotReloadTimer::kDefaultInterval - 1);
    EXPECT_EQ(delegate->calls.size(), 1u);
    scope.advance(1);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"failed 0", "failed 0"}));
    scope.advance(GADSlotReloadTimer::kDefaultInterval);
    EXPECT_EQ(delegate->calls.size(), 3u);
    EXPECT_EQ(requests, 0);

    // With a controller the next retry loads.
    banner->setRootViewController(controller);
    scope.advance(GADSlotReloadTimer::kDefaultInterval);
    finishRendering();
    EXPECT_EQ(delegate->calls.back(), "received");
    EXPECT_EQ(requests, 1);
}

TEST_F(GADBannerSlotAdapterTest, ABannerLetGoMidLoadEndsItsSlot) {
    platform::testing::TestHttpServer server;
    auto gate = server.makeGate();
    server.stalled("/ad", gate, "<p>ad</p>");
    server.text("/rendering", "<p>ad</p>");

    struct Case {
        const char* path;
        State goneIn;
    };
    for (const Case& c : {Case{"/ad", State::FetchingAd}, Case{"/rendering", State::Rendering}}) {
        SCOPED_TRACE(c.path);
        delegate->calls.clear();
        makeBanner();
        banner->setRootViewController(controller);
        banner->loadRequest(requestFrom(server.url(c.path)));
        ASSERT_TRUE(
            platform::testing::runMainLoopUntil([&] { return slot()->state() == c.goneIn; }));
        ASSERT_TRUE(
            platform::testing::runMainLoopUntil([&] { return server.requestCount(c.path) == 1; }));
        auto page = views.web().pages().back();
        std::weak_ptr<GADBannerViewSlot> adapter = banner->slot();
        banner.reset();
        EXPECT_TRUE(adapter.expired());

        // The held answer, or the page finishing, reaches nobody; no timer fetches again.
        gate->release();
        page->fireStart();
        page->fireFinish();
        scope.runUntilIdle();
        scope.advance(2 * GADSlotReloadTimer::kDefaultInterval);
        EXPECT_TRUE(delegate->calls.empty());
        EXPECT_EQ(server.requestCount(c.path), 1u);
    }
}

}  // namespace
}  // namespace ads
