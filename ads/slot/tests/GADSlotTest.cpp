#include "ads/foundation/GADBannerAd.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADAdTracking.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/slot/GADBannerAdViewDelegate.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::web::FakeWebPage;
using State = GADSlotState;

// The owner as a banner would be: it records what it heard and answers as the test says.
class TestOwner : public GADSlotDelegate,
                  public GADSlotAdLoadDelegate,
                  public GADSlotAdResponseDelegate {
  public:
    std::optional<bool> slotShouldLoadRequest(GADSlot&, const GADRequest&) override {
        return shouldLoad;
    }
    std::optional<bool> slotShouldReloadCurrentRequest(GADSlot&) override {
        ++reloadQuestions;
        return shouldReload;
    }
    void slotDidReceiveAdView(GADSlot&, const std::shared_ptr<platform::ui::View>& view) override {
        views.push_back(view);
    }
    std::optional<std::vector<GADBoxedValue>> validAdSizes() const override {
        if (!valid) return std::nullopt;
        std::vector<GADBoxedValue> boxed;
        for (const auto& size : *valid) boxed.push_back(NSValueFromGADAdSize(size));
        return boxed;
    }
    void setAdSize(const GADAdSize& size, bool) override { sizes.push_back(size); }
    void slotContentSizeDidChange(GADSlot&, platform::Size size) override {
        contentSizes.push_back(size);
    }
    std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(
        GADSlot&, const std::shared_ptr<GADAd>&, std::optional<platform::Error>&) override {
        return rendersCustom;
    }
    void slotDidReceiveAdClick(GADSlot&) override { ++clicks; }
    void slotFinishedLoadingAdContent(GADSlot&) override { ++finished; }
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override {
        failures.push_back(error.code);
    }
    bool slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>&,
                                     std::optional<platform::Error>& error) override {
        error = vetoError;
        return process;
    }

    std::optional<bool> shouldLoad;
    std::optional<bool> shouldReload = true;
    std::optional<bool> rendersCustom;
    std::optional<std::vector<GADAdSize>> valid;
    std::optional<platform::Error> vetoError;
    bool process = true;
    int reloadQuestions = 0, clicks = 0, finished = 0;
    std::vector<std::int64_t> failures;
    std::vector<std::shared_ptr<platform::ui::View>> views;
    std::vector<GADAdSize> sizes;
    std::vector<platform::Size> contentSizes;
};

class GADSlotTest : public ::testing::Test {
  protected:
    GADSlotTest() {
        GADMRAIDInterceptor::resetCanInitWithRequestCount();
        slot = GADSlot::create({0, 0, 320, 50});
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        slot->setAdUnitID("unit");
        slot->setDelegates({.slot = owner, .adLoad = owner});
        GADSlotTestPeer(slot).setStateObserver(
            [this](State, State to) { states.push_back(static_cast<int>(to)); });
    }
    ~GADSlotTest() override {
        slot.reset();
        scope.runUntilIdle();
        GADMRAIDInterceptor::resetCanInitWithRequestCount();
    }

    // A request whose extras carry the ad itself.
    static std::shared_ptr<GADRequest> requestWithAd(Value::Dictionary ad,
                                                     Value::Dictionary more = {}) {
        auto request = GADRequest::request();
        more["_ad"] = Value(std::move(ad));
        request->registerAdNetworkExtras(GADExtras::create(std::move(more)));
        return request;
    }
    static Value::Dictionary htmlAd(std::string html = "<p>ad</p>") {
        return {{"ad_html", Value(std::move(html))}, {"ad_base_url", Value("https://ads.test/")}};
    }
    FakeWebPage& page() { return *views.web().pages().back(); }
    // Loads an HTML ad up to its rendering state and lets its page finish.
    void loadAndRender(Value::Dictionary ad = htmlAd()) {
        slot->loadRequest(requestWithAd(std::move(ad)));
        ASSERT_TRUE(
            platform::testing::runMainLoopUntil([&] { return slot->state() == State::Rendering; }));
        page().fireStart();
        page().fireFinish();
        scope.runUntilIdle();
    }
    static std::shared_ptr<GADAd> typedAd(GADAdResponseType type, std::string html = "<p/>") {
        auto ad = GADAd::create();
        ad->setResponseType(type);
        ad->setAdHTML(std::move(html));
        return ad;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<TestOwner> owner = std::make_shared<TestOwner>();
    std::shared_ptr<GADSlot> slot;
    std::vector<int> states;
};

TEST_F(GADSlotTest, TheSetterIsTheOnlyWriterAndTheInterceptorIsHeldOnce) {
    GADSlotTestPeer(slot).setState(State::RequestingAdURL);
    EXPECT_TRUE(GADSlotTestPeer(slot).holdsMRAIDInterceptor());
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
    // Back to 0 and up to 2 again while still holding: no second enable.
    GADSlotTestPeer(slot).setState(State::Idle);
    GADSlotTestPeer(slot).setState(State::RequestingAdURL);
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
    // The same value again records nothing.
    GADSlotTestPeer(slot).setState(State::RequestingAdURL);
    GADSlotTestPeer(slot).setState(State::ValidAd);
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
    // Entering 7 without holding gives nothing back.
    GADSlotTestPeer(slot).setState(State::InvalidAd);
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
    GADSlotTestPeer(slot).setState(State::Idle);
    GADSlotTestPeer(slot).setState(State::RequestingAdURL);
    // State 8 releases the hold and is final.
    slot->invalidateState();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
    GADSlotTestPeer(slot).resetState();
    GADSlotTestPeer(slot).setState(State::RequestingAdURL);
    EXPECT_EQ(slot->state(), State::Invalidated);
    EXPECT_EQ(states, (std::vector<int>{2, 0, 2, 6, 7, 0, 2, 8}));
    EXPECT_TRUE(GADSlotTestPeer(slot).isMakingRequest());

    // A slot that goes while holding gives its hold back.
    auto other = GADSlot::create();
    GADSlotTestPeer(other).setState(State::RequestingAdURL);
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
    other.reset();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
}

TEST_F(GADSlotTest, RefusedRequests) {
    // The owner says no: code 0, the state stays, and the attempt still counts.
    owner->shouldLoad = false;
    slot->loadRequest(GADRequest::request());
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{0}));
    EXPECT_EQ(slot->state(), State::Idle);
    EXPECT_TRUE(GADSlotTestPeer(slot).slotHasAttemptedAnAdRequestAtLeastOnce());

    // A request in flight, or an inactive app: dropped without a word.
    owner->shouldLoad.reset();
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    slot->loadRequest(GADRequest::request());
    EXPECT_EQ(slot->state(), State::FetchingAd);
    GADSlotTestPeer(slot).setState(State::InvalidAd);
    platform::ui::Application::shared().enterBackground();
    GADApplicationTestPeer(GADApplication::sharedInstance()).setAppFinishedLaunching(true);
    slot->loadRequest(GADRequest::request());
    EXPECT_EQ(slot->state(), State::InvalidAd);
    EXPECT_EQ(owner->failures.size(), 1u);
}

TEST_F(GADSlotTest, AnAdInTheExtrasRendersWithoutTheSDKCore) {
    loadAndRender(htmlAd());
    // 0 -> 2 -> 4 (the shortcut skips 3) -> 5 -> 6, and the owner is told once.
    EXPECT_EQ(states, (std::vector<int>{2, 0, 4, 5, 6}));
    EXPECT_EQ(owner->finished, 1);
    ASSERT_TRUE(slot->ad());
    EXPECT_EQ(slot->ad()->adHTML(), "<p>ad</p>");
    EXPECT_FALSE(GADSlotTestPeer(slot).loadingAd());
    EXPECT_FALSE(slot->adView()->isHidden());
    EXPECT_EQ(page().loads().back().html, "<p>ad</p>");
    EXPECT_EQ(owner->views.back(), slot->adView());
    EXPECT_TRUE(GADSlotTestPeer(slot).viewHasMadeImpression());
    EXPECT_FALSE(GADSlotTestPeer(slot).holdsMRAIDInterceptor());

    // A later load of the same page (a navigation inside the ad) makes no second impression.
    page().fireStart();
    page().fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(owner->finished, 1);
}

TEST_F(GADSlotTest, OrientationShortcutAndBlankHtml) {
    slot->loadRequest(requestWithAd({{"ad_html", Value(" \n\t ")},
                                     {"ad_base_url", Value("https://ads.test/")},
                                     {"orientation", Value("portrait")}},
                                    {{"_orientation", Value("l")}}));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !owner->failures.empty(); }));
    // Only white space is no ad: code 1, state 7.
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{1}));
    EXPECT_EQ(slot->state(), State::InvalidAd);
    EXPECT_EQ(owner->finished, 0);
}

TEST_F(GADSlotTest, ReloadTimer) {
    // Below the floor reloading is off.
    slot->reloadTimer().setInterval(0.5);
    EXPECT_EQ(slot->reloadTimer().interval(), 0);
    slot->reloadTimer().setInterval(1.0);
    EXPECT_EQ(slot->reloadTimer().interval(), 1.0);

    // The ad's own period, set when its response is processed.
    loadAndRender([] {
        auto ad = htmlAd();
        ad["refresh_rate"] = Value(30);
        return ad;
    }());
    EXPECT_EQ(slot->reloadTimer().interval(), 30);
    EXPECT_TRUE(slot->reloadTimer().isScheduled());

    // Any SDK screen going full screen stops it; its dismissal starts a full period again.
    platform::NotificationCenter::defaultCenter().post(
        GADSlotReloadTimer::kWillPresentFullScreenNotification);
    scope.runUntilIdle();
    EXPECT_FALSE(slot->reloadTimer().isScheduled());
    platform::NotificationCenter::defaultCenter().post(
        GADSlotReloadTimer::kDidDismissFullScreenNotification);
    scope.runUntilIdle();
    EXPECT_TRUE(slot->reloadTimer().isScheduled());

    // The owner says not now: asked once, and the timer is set again for another period.
    owner->shouldReload = false;
    scope.advance(30);
    EXPECT_EQ(owner->reloadQuestions, 1);
    EXPECT_TRUE(slot->reloadTimer().isScheduled());

    // A reload due while a request is in flight is tried one interval later, not lost.
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    scope.advance(30);
    EXPECT_EQ(owner->reloadQuestions, 1);
    EXPECT_TRUE(slot->reloadTimer().isScheduled());
    GADSlotTestPeer(slot).setState(State::ValidAd);
    owner->shouldReload = true;
    scope.advance(30);
    EXPECT_EQ(owner->reloadQuestions, 2);
    EXPECT_TRUE(
        platform::testing::runMainLoopUntil([&] { return slot->state() == State::Rendering; }));

    // The final state schedules nothing.
    slot->cancelPendingAndFutureActions();
    slot->reloadTimer().schedule();
    EXPECT_FALSE(slot->reloadTimer().isScheduled());
    slot->loadRequest(GADRequest::request());
    EXPECT_EQ(slot->state(), State::Invalidated);
}

TEST_F(GADSlotTest, LeavingEveryWindowIsAnnouncedWithTheSlotAsObject) {
    int heard = 0;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        kGADSlotDidLeaveWindowNotification, slot.get(),
        [&](const platform::Notification&) { ++heard; });
    auto other = GADSlot::create({0, 0, 320, 50});
    other->bannerDidMoveToWindow(nullptr);
    slot->bannerDidMoveToWindow(platform::ui::Window::create({0, 0, 320, 480}));
    scope.runUntilIdle();
    EXPECT_EQ(heard, 0);
    slot->bannerDidMoveToWindow(nullptr);
    scope.runUntilIdle();
    EXPECT_EQ(heard, 1);
}

TEST_F(GADSlotTest, VetoesAndResponseTypes) {
    auto responses = std::make_shared<TestOwner>();
    auto withResponses = slot->delegates();
    withResponses.adResponse = responses;
    slot->setDelegates(withResponses);
    // A veto with an error fails with it.
    responses->process = false;
    responses->vetoError = GADRequestError::errorWithCode(3);
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(typedAd(GADAdResponseType::HTML));
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{3}));
    EXPECT_EQ(slot->state(), State::InvalidAd);
    // A veto without one: the owner takes the ad; valid, and nothing more said here.
    responses->vetoError.reset();
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(typedAd(GADAdResponseType::Native));
    EXPECT_EQ(slot->state(), State::ValidAd);
    EXPECT_EQ(owner->finished, 0);
    withResponses.adResponse.reset();
    slot->setDelegates(withResponses);

    struct Case {
        GADAdResponseType type;
        std::int64_t code;
    };
    for (const Case& c :
         {Case{GADAdResponseType::Invalid, 13}, Case{GADAdResponseType::Mediation, 8}}) {
        owner->failures.clear();
        GADSlotTestPeer(slot).setState(State::FetchingAd);
        GADSlotTestPeer(slot).processAdResponse(typedAd(c.type));
        EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{c.code}));
        EXPECT_EQ(slot->state(), State::InvalidAd);
    }
    EXPECT_FALSE(slot->isMediating());
    EXPECT_FALSE(slot->changeAdTypeTo(GADAdType::interstitialAdType()));
}

TEST_F(GADSlotTest, RefusedCustomRenderingKeepsTheShownAd) {
    loadAndRender();
    const auto shown = slot->ad();
    owner->rendersCustom = false;
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(typedAd(GADAdResponseType::CustomRendering));
    EXPECT_EQ(slot->ad(), shown);
    EXPECT_EQ(slot->state(), State::InvalidAd);
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{12}));
    EXPECT_FALSE(slot->reloadTimer().reloadable());
    EXPECT_FALSE(slot->reloadTimer().isScheduled());

    // Accepted: the new ad is current and the owner renders it.
    owner->rendersCustom = true;
    auto custom = typedAd(GADAdResponseType::CustomRendering);
    GADSlotTestPeer(slot).processAdResponse(custom);
    EXPECT_EQ(slot->ad(), custom);
}

TEST_F(GADSlotTest, AnnouncedSizesReachOnlyOwnersThatListSizes) {
    auto announced = [] {
        auto ad = GADAd::create();
        ad->setResponseType(GADAdResponseType::HTML);
        ad->setAdHTML("<p/>");
        ad->setCustomAdSizeString("300x250");
        return ad;
    };
    // No list: ignored, and forgotten after the view was handed over.
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(announced());
    EXPECT_TRUE(owner->sizes.empty());
    // With a list that holds it: the owner takes the size.
    owner->valid = std::vector<GADAdSize>{kGADAdSizeBanner, kGADAdSizeMediumRectangle};
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(announced());
    ASSERT_EQ(owner->sizes.size(), 1u);
    EXPECT_TRUE(GADAdSizeEqualToSize(owner->sizes[0], kGADAdSizeMediumRectangle));
    // A list without it: nothing.
    owner->valid = std::vector<GADAdSize>{kGADAdSizeBanner, kGADAdSizeInvalid};
    GADSlotTestPeer(slot).setState(State::FetchingAd);
    GADSlotTestPeer(slot).processAdResponse(announced());
    EXPECT_EQ(owner->sizes.size(), 1u);

    // Content sizes: a fixed-size ad reports its announced size, with no current ad the
    // loading ad's.
    GADSlotTestPeer(slot).page().updateContentSize({10, 10});
    EXPECT_EQ(owner->contentSizes.back(), (platform::Size{300, 250}));
}

TEST_F(GADSlotTest, ImpressionsPingOnceAndClicksEveryTime) {
    platform::testing::TestHttpServer server;
    server.text("/imp", "ok");
    server.text("/click", "ok");
    auto ad = htmlAd();
    ad["impression_urls"] = Value::array({Value(server.url("/imp"))});
    ad["click_urls"] = Value::array({Value(server.url("/click"))});
    loadAndRender(ad);
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/imp") == 1; }));
    GADPingImpressionURLs(*slot->ad());
    GADSlotTestPeer(slot).page().pingClickURLs();
    GADSlotTestPeer(slot).page().pingClickURLs();
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/click") == 2; }));
    EXPECT_EQ(server.requestCount("/imp"), 1u);
    EXPECT_EQ(owner->clicks, 2);
}

TEST_F(GADSlotTest, AdServerHostsAndGestureClickUrls) {
    // Built in: the ad server in effect, whole or as a parent domain, in any case.
    const std::string server = GADAdServerOrigin().host();
    EXPECT_TRUE(GADIsZivivuAdURL(*Url::parse("https://" + server + "/aclk")));
    EXPECT_TRUE(GADIsZivivuAdURL(*Url::parse("https://click." + server + "/aclk")));
    EXPECT_FALSE(GADIsZivivuAdURL(*Url::parse("https://evil" + server + "/aclk")));
    platform::UserDefaults::standard().setObject(settings_keys::kAsDomains,
                                                 Value("ads.test,Example.ORG"));
    EXPECT_TRUE(GADIsZivivuAdURL(*Url::parse("https://www.example.org/x")));
    EXPECT_TRUE(GADIsZivivuAdURL(*Url::parse("https://ADS.test/x")));
    EXPECT_FALSE(GADIsZivivuAdURL(*Url::parse("https://notads.test/x")));
    EXPECT_FALSE(GADIsZivivuAdURL(*Url::parse("https://" + server + "/x")));

    loadAndRender();
    // Unchanged: blank, page messages, no query, other hosts, no "ai".
    for (const char* text : {"about:blank", "gmsg://ads/click?ai=1", "https://ads.test/aclk",
                             "https://other.test/aclk?ai=xyz", "https://ads.test/aclk?x=1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(
            GADSlotTestPeer(slot).page().gestureClickURLWithURL(*Url::parse(text)).absoluteString(),
            text);
    }
    // The signal goes in before the landing page, which stays last.
    const auto click = GADSlotTestPeer(slot).page().gestureClickURLWithURL(
        *Url::parse("https://ads.test/aclk?ai=xyz&sig=1&adurl=https://land.test/"));
    const std::string text = click.absoluteString();
    EXPECT_EQ(text.rfind("https://ads.test/aclk?ai=xyz&sig=1&ms=", 0), 0u) << text;
    EXPECT_NE(text.find("&adurl=https://land.test/"), std::string::npos);
    EXPECT_EQ(text.size() - text.find("&adurl="), std::string("&adurl=https://land.test/").size());

    // An impression ticket in the path is kept on the ad.
    GADSlotTestPeer(slot).page().gestureClickURLWithURL(
        *Url::parse("https://other.test/x/ab/cd?q=1"));
    EXPECT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return slot->ad()->statistics()->objectForKey("pit") == Value("ab/cd"); }));
}

TEST_F(GADSlotTest, AGoneSlotHearsNothingLate) {
    slot->loadRequest(requestWithAd(htmlAd()));
    // The fetcher's answer is due on the next turn; the slot goes first.
    std::weak_ptr<GADSlot> weak = slot;
    slot.reset();
    scope.runUntilIdle();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(owner->finished, 0);
    EXPECT_TRUE(owner->failures.empty());
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);

    // An owner that goes leaves the slot talking to nobody.
    slot = GADSlot::create();
    auto gone = std::make_shared<TestOwner>();
    slot->setDelegates({.slot = gone, .adLoad = gone});
    slot->loadRequest(requestWithAd(htmlAd("")));
    gone.reset();
    scope.runUntilIdle();
    EXPECT_EQ(slot->state(), State::InvalidAd);
}

TEST_F(GADSlotTest, OrientationNoticesWhileListening) {
    int notices = 0;
    slot->orientationEvents().addCreativeOrientationChangeObserver([&] { ++notices; });
    slot->orientationEvents().beginListeningToDeviceOrientationChangeEvent();
    slot->orientationEvents().beginListeningToDeviceOrientationChangeEvent();
    EXPECT_EQ(notices, 1);
    platform::ui::Application::shared().setStatusBarOrientation(3);
    scope.runUntilIdle();
    EXPECT_EQ(notices, 2);
    slot->orientationEvents().endListeningToDeviceOrientationChangeEvent();
    platform::ui::Application::shared().setStatusBarOrientation(1);
    scope.runUntilIdle();
    slot->orientationEvents().didChangeDeviceOrientation();
    EXPECT_EQ(notices, 2);
}

}  // namespace
}  // namespace ads
