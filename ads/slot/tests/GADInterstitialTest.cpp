#include "ads/slot/GADInterstitial.h"

#include <gtest/gtest.h>

#include "platform/ui/Application.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using Log = std::vector<std::string>;
using platform::Url;
using platform::Value;
using platform::web::NavigationType;
using State = GADSlotState;

// Writes down every call, failures with their codes.
class RecordingDelegate : public GADInterstitialDelegate {
  public:
    void interstitialDidReceiveAd(GADInterstitial&) override { log.push_back("received"); }
    void interstitialDidFailToReceiveAdWithError(GADInterstitial&,
                                                 const platform::Error& error) override {
        log.push_back("failed " + std::to_string(error.code));
        errors.push_back(error);
    }
    void interstitialWillPresentScreen(GADInterstitial&) override { log.push_back("willPresent"); }
    void interstitialWillDismissScreen(GADInterstitial&) override { log.push_back("willDismiss"); }
    void interstitialDidDismissScreen(GADInterstitial&) override { log.push_back("didDismiss"); }
    void interstitialWillLeaveApplication(GADInterstitial&) override { log.push_back("leave"); }

    Log log;
    std::vector<platform::Error> errors;
};

class ClickingDelegate : public RecordingDelegate, public GADInterstitialAdClickDelegate {
  public:
    void interstitialDidReceiveAdClick(GADInterstitial&) override { log.push_back("click"); }
};

// A root controller whose presentation throws, as an app's override might.
class ThrowingRoot : public platform::ui::ViewController {
  public:
    bool presentViewController(const std::shared_ptr<ViewController>&, bool,
                               std::function<void()>) override {
        throw std::runtime_error("no room");
    }
};

class GADInterstitialTest : public ::testing::Test {
  protected:
    GADInterstitialTest() {
        GADMRAIDInterceptor::resetCanInitWithRequestCount();
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application.
        platform::ui::Application::shared().becomeActive();
        interstitial->setDelegate(delegate);
    }
    ~GADInterstitialTest() override {
        interstitial.reset();
        scope.runUntilIdle();
        GADMRAIDInterceptor::resetCanInitWithRequestCount();
    }

    static std::shared_ptr<GADRequest> requestWithAd(Value::Dictionary ad) {
        auto request = GADRequest::request();
        Value::Dictionary extras;
        extras["_ad"] = Value(std::move(ad));
        request->registerAdNetworkExtras(GADExtras::create(std::move(extras)));
        return request;
    }
    static Value::Dictionary htmlAd() {
        return {{"ad_html", Value("<p>ad</p>")}, {"ad_base_url", Value("https://ads.test/")}};
    }
    GADSlot& slot() { return *interstitial->slot(); }
    // Loads an ad up to its rendering and lets its page finish.
    void load(Value::Dictionary ad = htmlAd()) {
        interstitial->loadRequest(requestWithAd(std::move(ad)));
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return slot().state() == State::Rendering; }));
        auto& page = *views.web().pages().back();
        page.fireStart();
        page.fireFinish();
        scope.runUntilIdle();
    }
    void present(const std::shared_ptr<platform::ui::ViewController>& from) {
        interstitial->presentFromRootViewController(from);
        scope.advance(1);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<GADInterstitial> interstitial = GADInterstitial::create("unit");
};

TEST_F(GADInterstitialTest, OneLifeFromLoadToDismissal) {
    platform::testing::TestHttpServer server;
    server.text("/imp", "ok");
    auto ad = htmlAd();
    ad["impression_urls"] = Value::array({Value(server.url("/imp"))});

    EXPECT_EQ(interstitial->adUnitID(), "unit");
    EXPECT_EQ(slot().adType(), GADAdType::interstitialAdType());
    EXPECT_FALSE(slot().reloadTimer().reloadable());
    EXPECT_EQ(GADSlotTestPeer(slot()).page().publicAdObject(), interstitial);
    EXPECT_FALSE(interstitial->isReady());
    load(ad);
    EXPECT_EQ(delegate->log, (Log{"received"}));
    EXPECT_TRUE(interstitial->isReady());
    EXPECT_FALSE(slot().reloadTimer().isScheduled());
    // Loaded is not seen: no impression yet.
    EXPECT_FALSE(GADSlotTestPeer(slot()).viewHasMadeImpression());

    present(root);
    EXPECT_EQ(delegate->log, (Log{"received", "willPresent"}));
    EXPECT_TRUE(interstitial->hasBeenUsed());
    EXPECT_TRUE(GADSlotTestPeer(slot()).viewHasMadeImpression());
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/imp") == 1; }));
    auto screen = root->presentedViewController();
    ASSERT_TRUE(screen);
    EXPECT_EQ(slot().adView()->superview(), screen->view());

    // The app lets go of it while up: the screen keeps it to tell the dismissal.
    std::weak_ptr<GADInterstitial> weak = interstitial;
    auto keptDelegate = delegate;
    interstitial.reset();
    ASSERT_FALSE(weak.expired());
    auto& close = dynamic_cast<GADAdAppViewController&>(*screen).closeButton();
    close->tap();
    scope.advance(1);
    EXPECT_EQ(keptDelegate->log, (Log{"received", "willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    screen.reset();
    scope.runUntilIdle();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(server.requestCount("/imp"), 1u);
}

TEST_F(GADInterstitialTest, AUsedInterstitialAnswersCodeSixOnceAndShowsNothing) {
    load();
    present(root);
    auto screen = root->presentedViewController();
    ASSERT_TRUE(screen);

    // While up: another presentation and another load each give one code 6, nothing more;
    // the ad on screen stays as it is.
    present(root);
    interstitial->loadRequest(requestWithAd(htmlAd()));
    scope.runUntilIdle();
    EXPECT_EQ(delegate->log, (Log{"received", "willPresent", "failed 6", "failed 6"}));
    EXPECT_EQ(root->presentedViewController(), screen);
    EXPECT_EQ(slot().state(), State::ValidAd);

    dynamic_cast<GADAdAppViewController&>(*screen).closeButton()->tap();
    scope.advance(1);
    EXPECT_EQ(slot().state(), State::Invalidated);
    EXPECT_FALSE(interstitial->isReady());

    // After the dismissal the same, and the slot stays in its final state.
    delegate->log.clear();
    present(root);
    interstitial->loadRequest(GADRequest::request());
    scope.runUntilIdle();
    EXPECT_EQ(delegate->log, (Log{"failed 6", "failed 6"}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(slot().state(), State::Invalidated);
}

TEST_F(GADInterstitialTest, ReadinessComesBeforeOrientation) {
    // Presenting while the ad loads only logs, and the load goes on.
    interstitial->loadRequest(requestWithAd(htmlAd()));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return slot().state() == State::Rendering; }));
    {
        // The SDK logs from a queue of its own: earlier lines are out before the capture starts.
        GADLogFlush();
        platform::LogSink::Capture capture;
        present(root);
        GADLogFlush();
        EXPECT_TRUE(capture.contains("<Zivivu> Cannot present interstitial. It is not ready."));
    }
    EXPECT_EQ(slot().state(), State::Rendering);
    EXPECT_FALSE(interstitial->hasBeenUsed());
    auto& page = *views.web().pages().back();
    page.fireStart();
    page.fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(delegate->log, (Log{"received"}));

    // An ad no orientation of the window allows: code 13 and the ad is dropped.
    slot().ad()->setSupportedOrientations(1u << 3);
    present(root);
    EXPECT_EQ(delegate->log, (Log{"received", "failed 13"}));
    EXPECT_EQ(slot().state(), State::InvalidAd);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_FALSE(interstitial->hasBeenUsed());
}

TEST_F(GADInterstitialTest, APresentationThatStartsNothingEndsInCodeEleven) {
    // No root controller.
    load();
    present(nullptr);
    EXPECT_EQ(delegate->log, (Log{"received", "failed 11"}));
    EXPECT_TRUE(interstitial->hasBeenUsed());
    EXPECT_EQ(slot().state(), State::InvalidAd);

    // A root whose presentation throws: the exception stays inside, the app hears code 11.
    auto other = GADInterstitial::create("unit");
    auto otherDelegate = std::make_shared<RecordingDelegate>();
    other->setDelegate(otherDelegate);
    interstitial = other;
    load();
    auto throwing = std::make_shared<ThrowingRoot>();
    window->setRootViewController(throwing);
    present(throwing);
    ASSERT_EQ(otherDelegate->errors.size(), 1u);
    EXPECT_EQ(otherDelegate->errors[0].code, 11);
    EXPECT_EQ(otherDelegate->errors[0].localizedDescription(),
              "Presenting the interstitial threw exception: no room with trace: ");
    // The will-present it heard is balanced.
    EXPECT_EQ(otherDelegate->log,
              (Log{"received", "willPresent", "willDismiss", "didDismiss", "failed 11"}));
}

TEST_F(GADInterstitialTest, ClicksLeavingAndCancel) {
    load();
    GADSlotTestPeer(slot()).page().pingClickURLs();
    GADSlotTestPeer(slot()).page().adWillLeaveApplication();
    EXPECT_EQ(delegate->log, (Log{"received", "leave"}));

    // Only a delegate that wants clicks hears them.
    auto clicking = std::make_shared<ClickingDelegate>();
    interstitial->setDelegate(clicking);
    GADSlotTestPeer(slot()).page().pingClickURLs();
    EXPECT_EQ(clicking->log, (Log{"click"}));

    interstitial->cancel();
    EXPECT_EQ(slot().state(), State::Invalidated);
    interstitial->loadRequest(requestWithAd(htmlAd()));
    scope.runUntilIdle();
    EXPECT_EQ(slot().state(), State::Invalidated);
    EXPECT_EQ(clicking->log, (Log{"click"}));
}

TEST_F(GADInterstitialTest, OneTapOnThePresentedAdIsOneClick) {
    platform::testing::TestHttpServer server;
    server.text("/clk", "ok");
    ads::testing::DesktopRecorder desktop;
    auto clicking = std::make_shared<ClickingDelegate>();
    interstitial->setDelegate(clicking);
    auto ad = htmlAd();
    ad["click_urls"] = Value::array({Value(server.url("/clk"))});
    load(ad);
    present(root);
    auto& page = *views.web().pages().back();
    auto adView = slot().adView();
    const auto shown = adView->URL();
    adView->setTouched(true);

    // The screen's page delegate takes the tap as the slot's click: refused, counted and
    // pinged once, its click URL opened outside the app once.
    auto click = page.fireNavigation("https://land.test/", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(click->answer, false);
    EXPECT_EQ(desktop.opened(), (Log{"https://land.test/"}));
    EXPECT_EQ(adView->URL(), shown);
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/clk") == 1; }));
    // A redirect of a load the page was allowed is none.
    auto moved = page.fireRedirect("https://land.test/moved", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(moved->answer, true);
    EXPECT_EQ(desktop.opened(), (Log{"https://land.test/"}));
    EXPECT_EQ(clicking->log, (Log{"received", "willPresent", "click", "leave"}));
    EXPECT_EQ(adView->URL(), Url::parse("https://land.test/moved"));
    // Nothing more went out.
    scope.runUntilIdle();
    EXPECT_EQ(server.requestCount("/clk"), 1u);
}

TEST_F(GADInterstitialTest, MadeWithoutAnIdOrByName) {
    auto later = GADInterstitial::create();
    EXPECT_EQ(later->adUnitID(), std::nullopt);
    later->setAdUnitID("later");
    EXPECT_EQ(later->slot()->adUnitID(), "later");
    auto byName = platform::ClassRegistry::shared().create<GADInterstitial>("GADInterstitial");
    ASSERT_TRUE(byName);
    EXPECT_FALSE(byName->isReady());
}

}  // namespace
}  // namespace ads
