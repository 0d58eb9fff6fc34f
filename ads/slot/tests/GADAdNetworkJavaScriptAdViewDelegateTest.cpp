#include "ads/slot/GADAdNetworkJavaScriptAdViewDelegate.h"
#include "ads/slot/tests/GADSlotTestPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/net/UrlRequest.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;
using platform::web::WebSnapshot;
using State = GADSlotState;

class Owner : public GADSlotDelegate, public GADSlotAdLoadDelegate {
  public:
    void slotFinishedLoadingAdContent(GADSlot&) override { ++finished; }
    void slotDidReceiveAdClick(GADSlot&) override { ++clicks; }
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override {
        failures.push_back(std::to_string(error.code) + " " + error.localizedDescription());
    }
    int finished = 0;
    int clicks = 0;
    std::vector<std::string> failures;
};

constexpr const char* kPassback = "https://ads.test/mads/passback?tag=1";

Value::Dictionary scriptAd(std::string html = "<script>draw()</script>") {
    return {{"ad_is_javascript", Value(true)},
            {"ad_html", Value(std::move(html))},
            {"ad_base_url", Value("https://ads.test/mads/")},
            {"ad_passback_url", Value(kPassback)},
            {"refresh_rate", Value(30)}};
}

Value::Dictionary htmlAd() {
    return {{"ad_html", Value("<p>ad</p>")}, {"ad_base_url", Value("https://ads.test/")}};
}

// Something drawn over the whole view.
WebSnapshot drawn() {
    return WebSnapshot{320, 50, std::vector<std::uint8_t>(320 * 50 * 4, 0xff)};
}

class GADAdNetworkJavaScriptAdViewDelegateTest : public ::testing::Test {
  protected:
    GADAdNetworkJavaScriptAdViewDelegateTest() {
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        slot->setAdUnitID("unit");
        GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::slot, owner);
        GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::adLoad, owner);
        slot->reloadTimer().setInterval(30);
    }
    ~GADAdNetworkJavaScriptAdViewDelegateTest() override {
        slot.reset();
        scope.runUntilIdle();
    }

    void load(Value::Dictionary ad) {
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(
            GADExtras::create(Value::Dictionary{{"_ad", Value(std::move(ad))}}));
        slot->loadRequest(request);
        scope.runUntilIdle();
    }
    // A script ad whose page has loaded: the checks run.
    void loadAndFinish(Value::Dictionary ad = scriptAd()) {
        load(std::move(ad));
        ASSERT_EQ(slot->state(), State::FetchingAd);
        page().fireStart();
        page().fireFinish();
        scope.runUntilIdle();
    }
    std::shared_ptr<GADAdNetworkJavaScriptAdViewDelegate> script() {
        return std::dynamic_pointer_cast<GADAdNetworkJavaScriptAdViewDelegate>(
            GADSlotTestPeer(slot).adViewDelegate());
    }
    // Lets n check periods pass.
    void periods(int n) {
        for (int i = 0; i < n; ++i)
            scope.advance(GADAdNetworkJavaScriptAdViewDelegate::kCheckInterval);
    }
    // As the ad view asks its delegate.
    bool navigate(const std::string& url, NavigationType type = NavigationType::Other) {
        return GADSlotTestPeer(slot).adViewDelegate()->adViewPolicyForNavigation(
                   slot->adView(), platform::UrlRequest(*Url::parse(url)), type) ==
               platform::web::NavigationPolicy::Load;
    }
    FakeWebPage& page() { return *views.web().pages().back(); }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<GADSlot> slot = GADSlot::create({0, 0, 320, 50});
};

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, WhatCountsAsAPassback) {
    auto delegate = GADAdNetworkJavaScriptAdViewDelegate::create(slot, Url::parse(kPassback),
                                                                 GADSlotTestPeer(slot).opener());
    auto is = [&](const char* url) {
        return delegate->isPassbackRequest(platform::UrlRequest(*Url::parse(url)));
    };
    // The scheme, in any letter case, whatever follows.
    EXPECT_TRUE(is("passback:nothing"));
    EXPECT_TRUE(is("PassBack://somewhere/else"));
    // The passback URL's host (letter case ignored) and an equivalent path, with another scheme,
    // another query and a trailing slash.
    EXPECT_TRUE(is("http://ADS.test/mads/passback/?other=2"));
    EXPECT_TRUE(is(kPassback));
    EXPECT_FALSE(is("https://ads.test/mads/passback2?tag=1"));
    EXPECT_FALSE(is("https://other.test/mads/passback?tag=1"));
    EXPECT_FALSE(is("https://ads.test/mads/"));

    // Without a passback URL only the scheme counts; two hostless URLs share nothing.
    delegate->setPassbackURL(std::nullopt);
    EXPECT_FALSE(is(kPassback));
    EXPECT_TRUE(is("PASSBACK:x"));
    delegate->setPassbackURL(Url::parse("about:blank"));
    EXPECT_FALSE(is("about:blank"));
    delegate->setPassbackURL(Url::parse("https://ads.test/"));
    EXPECT_FALSE(is("about:blank"));
    EXPECT_FALSE(is("file:///"));
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, TheScriptLoadsAndThePageLoadStartsOneCheckTimer) {
    load(scriptAd());
    // The script waits in state 4 in the ad view, with the ad's base URL.
    EXPECT_EQ(slot->state(), State::FetchingAd);
    ASSERT_TRUE(script());
    EXPECT_EQ(script()->passbackURL()->absoluteString(), kPassback);
    EXPECT_EQ(slot->adView()->delegate(), GADSlotTestPeer(slot).adViewDelegate());
    EXPECT_EQ(page().loads().back().html, "<script>draw()</script>");
    EXPECT_EQ(page().loads().back().baseUrl, "https://ads.test/mads/");
    EXPECT_FALSE(script()->isCheckingRendering());

    page().fireStart();
    page().fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(slot->state(), State::Rendering);
    EXPECT_TRUE(script()->renderingCheckHasStarted());
    EXPECT_TRUE(script()->isCheckingRendering());
    EXPECT_EQ(owner->finished, 0);

    // A second finish starts no second timer: one period, one check.
    page().fireFinish();
    scope.runUntilIdle();
    periods(1);
    EXPECT_EQ(script()->checkRenderingCount(), 1u);
    periods(2);
    EXPECT_EQ(script()->checkRenderingCount(), 3u);
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, AHundredFailedChecksThenADrawnAdSucceeds) {
    loadAndFinish();
    periods(100);
    EXPECT_EQ(script()->checkRenderingCount(), 100u);
    EXPECT_EQ(slot->state(), State::Rendering);
    page().setSnapshot(drawn());
    periods(1);
    scope.runUntilIdle();
    EXPECT_EQ(slot->state(), State::ValidAd);
    EXPECT_EQ(owner->finished, 1);
    EXPECT_TRUE(GADSlotTestPeer(slot).viewHasMadeImpression());
    EXPECT_TRUE(owner->failures.empty());
    EXPECT_FALSE(script()->isCheckingRendering());
    // Nothing checks any more.
    periods(5);
    EXPECT_EQ(owner->finished, 1);
    EXPECT_EQ(script()->checkRenderingCount(), 100u);
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, APageThatNeverSendsItsPictureTimesOutOnTheTicks) {
    const auto waits = platform::web::WebView::synchronousWaitCount();
    loadAndFinish();
    page().holdSnapshots(true);
    // One picture asked and never sent: every tick is still one failed check.
    periods(100);
    EXPECT_EQ(script()->checkRenderingCount(), 100u);
    EXPECT_TRUE(owner->failures.empty());
    periods(1);
    scope.runUntilIdle();
    EXPECT_EQ(owner->failures, (std::vector<std::string>{"1 Ad check timed out."}));
    EXPECT_EQ(page().snapshotRequestCount(), 1);
    // The picture that finally comes finds no check.
    page().answerNextSnapshot(drawn());
    scope.runUntilIdle();
    EXPECT_EQ(owner->finished, 0);
    EXPECT_EQ(platform::web::WebView::synchronousWaitCount(), waits);
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, TheHundredAndFirstFailedCheckTimesOut) {
    loadAndFinish();
    periods(100);
    EXPECT_TRUE(owner->failures.empty());
    periods(1);
    scope.runUntilIdle();
    EXPECT_EQ(owner->failures, (std::vector<std::string>{"1 Ad check timed out."}));
    EXPECT_EQ(slot->state(), State::InvalidAd);
    EXPECT_FALSE(script()->isCheckingRendering());
    page().setSnapshot(drawn());
    periods(3);
    EXPECT_EQ(owner->finished, 0);
    EXPECT_EQ(owner->failures.size(), 1u);
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, APassbackFailsTheAdOnceAndReloadsLater) {
    loadAndFinish();
    periods(3);
    // The page navigates to its passback: refused, and the request ends.
    auto navigation =
        page().fireNavigation("http://ads.test/mads/passback/", NavigationType::Other);
    scope.runUntilIdle();
    EXPECT_EQ(navigation->answer, std::optional<bool>(false));
    EXPECT_EQ(owner->failures, (std::vector<std::string>{"1 Passback URL received."}));
    EXPECT_EQ(slot->state(), State::InvalidAd);
    EXPECT_TRUE(script()->wasPassbackReceived());
    EXPECT_FALSE(script()->isCheckingRendering());
    EXPECT_TRUE(slot->reloadTimer().isScheduled());
    // A second passback is refused without a second failure; no check follows.
    EXPECT_FALSE(navigate("passback:again"));
    periods(3);
    EXPECT_EQ(owner->failures.size(), 1u);
    EXPECT_EQ(script()->checkRenderingCount(), 3u);
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, APassbackBeforeThePageLoadedStartsNoChecks) {
    load(scriptAd());
    EXPECT_FALSE(navigate("PASSBACK:now"));
    EXPECT_EQ(owner->failures, (std::vector<std::string>{"1 Passback URL received."}));
    page().fireStart();
    page().fireFinish();
    scope.runUntilIdle();
    EXPECT_FALSE(script()->isCheckingRendering());
    EXPECT_EQ(slot->state(), State::InvalidAd);
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, APassbackOfAShownAdTakesNothingAway) {
    loadAndFinish();
    page().setSnapshot(drawn());
    periods(1);
    scope.runUntilIdle();
    ASSERT_EQ(slot->state(), State::ValidAd);
    EXPECT_FALSE(navigate(kPassback));
    EXPECT_EQ(slot->state(), State::ValidAd);
    EXPECT_TRUE(owner->failures.empty());
    // Other navigations still follow the page policy.
    EXPECT_TRUE(navigate("https://ads.test/mads/frame.html"));
    EXPECT_FALSE(navigate("file:///etc/passwd"));
    // On screen and touched, a link to the passback is still the network's passback, never a
    // click; the ad's own link still is one.
    auto& application = platform::ui::Application::shared();
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    window->makeKeyWindow();
    application.becomeActive();
    window->addSubview(slot->adView());
    application.setDesktopOpener([](const std::vector<std::string>&) { return true; });
    const auto openedBefore = application.openedURLs().size();
    scope.advance(1);
    slot->adView()->setTouched(true);
    auto passback = page().fireNavigation(kPassback, NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(passback->answer, std::optional<bool>(false));
    EXPECT_EQ(application.openedURLs().size(), openedBefore);
    EXPECT_EQ(owner->clicks, 0);
    page().fireNavigation("https://land.test/", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(owner->clicks, 1);
    application.setDesktopOpener({});
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, EmptyScriptFailsWithCodeTwoAndReloadsLater) {
    load(scriptAd(" \n "));
    EXPECT_EQ(owner->failures, (std::vector<std::string>{"2 Empty ad HTML."}));
    EXPECT_EQ(slot->state(), State::InvalidAd);
    EXPECT_TRUE(slot->reloadTimer().isScheduled());
    EXPECT_FALSE(script());
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, APlainAdAfterAScriptAdGetsAPlainDelegate) {
    loadAndFinish();
    std::weak_ptr<GADAdNetworkJavaScriptAdViewDelegate> old = script();
    periods(2);
    // A newer ad (the request cancelled) replaces the checks of the old one.
    GADSlotTestPeer(slot).cancelLoad();
    load(htmlAd());
    EXPECT_TRUE(old.expired());
    EXPECT_FALSE(script());
    ASSERT_TRUE(GADSlotTestPeer(slot).adViewDelegate());
    EXPECT_EQ(slot->adView()->delegate(), GADSlotTestPeer(slot).adViewDelegate());
    // The same opener, still pointing at the slot.
    EXPECT_EQ(GADSlotTestPeer(slot).adViewDelegate()->opener(), GADSlotTestPeer(slot).opener());
    EXPECT_EQ(GADSlotTestPeer(slot).opener()->slot().get(),
              static_cast<GADFullScreenSlot*>(slot.get()));
    EXPECT_EQ(slot->state(), State::Rendering);
    page().fireStart();
    page().fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(slot->state(), State::ValidAd);
    EXPECT_EQ(owner->finished, 1);

    // The next script ad counts its checks from 0.
    GADSlotTestPeer(slot).resetState();
    loadAndFinish();
    periods(1);
    EXPECT_EQ(script()->checkRenderingCount(), 1u);
    EXPECT_EQ(GADSlotTestPeer(slot).opener()->slot().get(),
              static_cast<GADFullScreenSlot*>(slot.get()));
}

TEST_F(GADAdNetworkJavaScriptAdViewDelegateTest, ASlotOrDelegateThatGoesMidChecksHearsNothingLate) {
    loadAndFinish();
    periods(2);
    std::weak_ptr<GADAdNetworkJavaScriptAdViewDelegate> weak = script();
    const std::size_t timersWhileChecking = scope.loop().scheduledTimerCount();
    slot.reset();
    scope.runUntilIdle();
    // The delegate went with the slot, and its timer with it.
    EXPECT_TRUE(weak.expired());
    EXPECT_LT(scope.loop().scheduledTimerCount(), timersWhileChecking);
    periods(200);
    EXPECT_EQ(owner->finished, 0);
    EXPECT_TRUE(owner->failures.empty());

    // A delegate someone else still holds stops at its next check once its slot is gone.
    slot = GADSlot::create({0, 0, 320, 50});
    GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::adLoad, owner);
    loadAndFinish();
    auto kept = script();
    slot.reset();
    periods(1);
    EXPECT_FALSE(kept->isCheckingRendering());
    EXPECT_EQ(kept->checkRenderingCount(), 0u);
    periods(200);
    EXPECT_TRUE(owner->failures.empty());
}

}  // namespace
}  // namespace ads
