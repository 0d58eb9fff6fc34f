#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/ZORRequest.h"
#include "ads/slot/GADAdSizeDelegate.h"
#include "ads/slot/GADAppEventDelegate.h"
#include "ads/slot/GADBannerSlotAdapter.h"
#include "ads/slot/GADCorrelator.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/ZORBannerView.h"
#include "ads/slot/ZORCustomRenderedAd.h"
#include "ads/slot/ZORInterstitial.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Url;
using platform::Value;
using State = GADSlotState;

// The publisher: hears everything the formats tell it and keeps the custom-rendered ads.
class Publisher : public GADBannerViewDelegate,
                  public GADInterstitialDelegate,
                  public GADAppEventDelegate,
                  public GADAdSizeDelegate,
                  public ZORCustomRenderedBannerViewDelegate,
                  public ZORCustomRenderedInterstitialDelegate {
  public:
    void adViewDidReceiveAd(GADBannerView&) override { calls.push_back("banner received"); }
    void adViewDidFailToReceiveAdWithError(GADBannerView&, const platform::Error& e) override {
        calls.push_back("banner failed " + std::to_string(e.code));
        errors.push_back(e.localizedDescription());
    }
    void interstitialDidReceiveAd(GADInterstitial&) override {
        calls.push_back("interstitial received");
    }
    void interstitialDidFailToReceiveAdWithError(GADInterstitial&,
                                                 const platform::Error& e) override {
        calls.push_back("interstitial failed " + std::to_string(e.code));
        errors.push_back(e.localizedDescription());
    }
    void interstitialWillPresentScreen(GADInterstitial&) override {
        calls.push_back("interstitial present");
    }
    void adViewDidReceiveAppEvent(GADBannerView&, const std::string& name,
                                  const std::optional<std::string>& info) override {
        calls.push_back("banner event " + name + " " + info.value_or("-"));
    }
    void interstitialDidReceiveAppEvent(GADInterstitial&, const std::string& name,
                                        const std::optional<std::string>& info) override {
        calls.push_back("interstitial event " + name + " " + info.value_or("-"));
    }
    void adViewWillChangeAdSizeTo(GADBannerView&, const GADAdSize& size) override {
        calls.push_back("resize " + std::to_string(int(size.size.width)) + "x" +
                        std::to_string(int(size.size.height)));
    }
    void bannerViewDidReceiveCustomRenderedAd(
        ZORBannerView&, const std::shared_ptr<ZORCustomRenderedAd>& ad) override {
        calls.push_back("banner custom");
        custom.push_back(ad);
    }
    void interstitialDidReceiveCustomRenderedAd(
        ZORInterstitial&, const std::shared_ptr<ZORCustomRenderedAd>& ad) override {
        calls.push_back("interstitial custom");
        custom.push_back(ad);
    }

    std::vector<std::string> calls;
    std::vector<std::string> errors;
    std::vector<std::shared_ptr<ZORCustomRenderedAd>> custom;
};

class ZORFormatsTest : public ::testing::Test {
  protected:
    ZORFormatsTest() {
        server.text("/imp", "ok");
        server.text("/click", "ok");
        server.text("/manual", "ok");
    }
    ~ZORFormatsTest() override {
        if (banner) banner->removeFromSuperview();
        banner.reset();
        interstitial.reset();
        scope.runUntilIdle();
    }

    void makeBanner() {
        banner = ZORBannerView::create(kGADAdSizeBanner);
        ASSERT_NE(banner, nullptr);
        banner->setDelegate(publisher);
        banner->setRootViewController(controller);
        window->addSubview(banner);
    }
    GADSlot& bannerSlot() { return *banner->slot()->adSlot(); }
    // The parameters the SDK core would send for the slot's request now.
    static Value::Dictionary parametersOf(GADSlot& slot) {
        auto built =
            static_cast<GADSDKCoreControllerDelegate&>(slot).requestParametersWithRequestID("1")();
        return built ? *built : Value::Dictionary{};
    }
    // A custom-rendered ad whose pings reach the test server.
    std::shared_ptr<GADAd> customAd(std::string baseURL = "https://ads.test:8443/mads/x?q=1") {
        auto ad = GADBannerAd::createWithDictionary(Value::dictionary({
            {"ad_html", Value("<p>custom</p>")},
            {"ad_base_url", Value(std::move(baseURL))},
            {"impression_urls", Value::array({Value(server.url("/imp"))})},
            {"click_urls", Value::array({Value(server.url("/click"))})},
            {"manual_impression_urls", Value::array({Value(server.url("/manual"))})},
        }));
        ad->setResponseType(GADAdResponseType::CustomRendering);
        return ad;
    }
    // The slot processes a fetched custom-rendered ad, as after its fetch.
    static void deliver(GADSlot& slot, const std::shared_ptr<GADAd>& ad) {
        GADSlotTestPeer(&slot).setState(State::FetchingAd);
        GADSlotTestPeer(&slot).processAdResponse(ad);
    }
    // Lets pings go out and answers how many each path received.
    std::pair<std::size_t, std::size_t> pings() {
        platform::testing::runMainLoopUntil([] { return false; }, 0.3);
        return {server.requestCount("/imp"), server.requestCount("/click")};
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    platform::testing::TestHttpServer server;
    std::shared_ptr<Publisher> publisher = std::make_shared<Publisher>();
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<platform::ui::Window> window =
        platform::ui::Window::create(Rect(0, 0, 320, 480));
    std::shared_ptr<ZORBannerView> banner;
    std::shared_ptr<ZORInterstitial> interstitial;
    // The banner slot's states, as a test observes them.
    std::vector<int> states;
};

TEST_F(ZORFormatsTest, ANewCorrelatorPreemptsTheRequestInFlightAndTheSameOneDoesNot) {
    makeBanner();
    GADSlot& slot = bannerSlot();
    GADSlotTestPeer(&slot).setStateObserver([this](State, State to) { states.push_back(int(to)); });
    banner->setCorrelator(GADCorrelator::create(7));
    EXPECT_EQ(banner->correlator()->correlationID(), 7u);
    EXPECT_EQ(slot.correlator(), banner->correlator());
    // Nothing started yet: nothing to pre-empt.
    EXPECT_EQ(banner->slotShouldPreemptInProgressRequest(slot), std::optional<bool>(false));

    banner->loadRequest(nullptr);
    EXPECT_EQ(slot.state(), State::RequestingAdURL);
    EXPECT_EQ(banner->previousCorrelationID(), 7u);
    EXPECT_EQ(parametersOf(slot).at("correlation_id"), Value(7));

    // The same correlator again: the request in flight stays.
    banner->loadRequest(nullptr);
    EXPECT_EQ(states, (std::vector<int>{2}));
    // A new one replaces it.
    banner->setCorrelator(GADCorrelator::create(8));
    banner->loadRequest(nullptr);
    EXPECT_EQ(states, (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(banner->previousCorrelationID(), 8u);
    banner->loadRequest(nullptr);
    EXPECT_EQ(states, (std::vector<int>{2, 0, 2}));

    // Without a correlator the id is 0 and nothing is ever pre-empted.
    banner->setCorrelator(nullptr);
    EXPECT_EQ(banner->slotShouldPreemptInProgressRequest(slot), std::optional<bool>(false));

    // The interstitial follows the same rule.
    interstitial = ZORInterstitial::create("unit");
    auto shared = GADCorrelator::create(9);
    interstitial->setCorrelator(shared);
    interstitial->loadRequest(nullptr);
    EXPECT_EQ(interstitial->previousCorrelationID(), 9u);
    EXPECT_EQ(interstitial->slotShouldPreemptInProgressRequest(*interstitial->slot()),
              std::optional<bool>(false));
    interstitial->setCorrelator(GADCorrelator::create(10));
    EXPECT_EQ(interstitial->slotShouldPreemptInProgressRequest(*interstitial->slot()),
              std::optional<bool>(true));
}

TEST_F(ZORFormatsTest, TheBannersRequestCarriesItsSizesManualImpressionsAndTargeting) {
    makeBanner();
    banner->setValidAdSizes({kGADAdSizeMediumRectangle, kGADAdSizeBanner});
    EXPECT_FALSE(banner->enableManualImpressions());
    banner->setEnableManualImpressions(true);
    EXPECT_TRUE(banner->enableManualImpressions());
    auto request = ZORRequest::request();
    request->setPublisherProvidedID("  user-1\n");
    request->setCustomTargeting({{"team", Value("red")}});
    banner->loadRequest(request);
    const auto parameters = parametersOf(bannerSlot());
    EXPECT_EQ(parameters.at("sz"), Value("300x250|320x50"));
    EXPECT_EQ(parameters.at("d_imp_hdr"), Value("1"));
    EXPECT_EQ(parameters.at("ppid"), Value("user-1"));
    EXPECT_EQ(parameters.at("custom_targeting").get("team"), Value("red"));
    EXPECT_EQ(parameters.count("category_exclusions"), 0u);
}

TEST_F(ZORFormatsTest, RequestsCopyTheirFieldsAndLeaveBlankOnesOut) {
    auto request = ZORRequest::request();
    request->setPublisherProvidedID(" \n\t ");
    auto parameters = request->parameters();
    EXPECT_EQ(parameters.count("ppid"), 0u);
    EXPECT_EQ(parameters.count("custom_targeting"), 0u);
    EXPECT_EQ(parameters.count("category_exclusions"), 0u);

    request->setPublisherProvidedID("id");
    request->setCategoryExclusions({"cars", "pets"});
    request->setCustomTargeting({{"k", Value("v")}});
    auto copy = std::dynamic_pointer_cast<ZORRequest>(request->copy());
    ASSERT_TRUE(copy);
    EXPECT_STREQ(copy->className(), "ZORRequest");
    EXPECT_EQ(copy->publisherProvidedID(), "id");
    EXPECT_EQ(copy->categoryExclusions(), (std::vector<std::string>{"cars", "pets"}));
    // A copy: changing the original changes nothing in it.
    request->setCategoryExclusions({});
    parameters = copy->parameters();
    EXPECT_EQ(parameters.at("category_exclusions"), Value::array({Value("cars"), Value("pets")}));
    EXPECT_EQ(parameters.at("custom_targeting").get("k"), Value("v"));
    EXPECT_EQ(parameters.at("ppid"), Value("id"));
    EXPECT_EQ(request->parameters().count("category_exclusions"), 0u);

    // The publisher's fields win over base parameters of the same names; blank ones leave
    // the base value alone.
    auto overriding = ZORRequest::request();
    overriding->addAdditionalParametersFromDictionary(
        {{"ppid", Value("base")}, {"custom_targeting", Value("base")}});
    overriding->setCustomTargeting({{"k", Value("v")}});
    overriding->setPublisherProvidedID(" ");
    parameters = overriding->parameters();
    EXPECT_EQ(parameters.at("custom_targeting").get("k"), Value("v"));
    EXPECT_EQ(parameters.at("ppid"), Value("base"));
}

TEST_F(ZORFormatsTest, ACustomRenderedBannerAdCountsOnceAndOnlyWhileItIsTheSlots) {
    makeBanner();
    banner->setCustomRenderedBannerViewDelegate(publisher);
    GADSlot& slot = bannerSlot();
    deliver(slot, customAd());
    ASSERT_EQ(publisher->custom.size(), 1u);
    auto custom = publisher->custom[0];
    EXPECT_EQ(publisher->calls, (std::vector<std::string>{"banner custom"}));
    // The publisher gets the HTML and the root of the base URL; the slot waits for it in 5.
    EXPECT_EQ(custom->adHTML(), "<p>custom</p>");
    EXPECT_EQ(custom->adBaseURL()->absoluteString(), "https://ads.test:8443/");
    EXPECT_EQ(slot.state(), State::Rendering);

    custom->recordImpression();
    custom->recordImpression();
    custom->finishedRenderingAdView(nullptr);
    custom->finishedRenderingAdView(nullptr);
    custom->recordClick();
    custom->recordClick();
    scope.runUntilIdle();
    EXPECT_EQ(slot.state(), State::ValidAd);
    EXPECT_EQ(publisher->calls, (std::vector<std::string>{"banner custom", "banner received"}));
    EXPECT_EQ(pings(), std::make_pair(std::size_t(1), std::size_t(2)));
    // The publisher's own impression count: the shown ad's manual URLs, each time.
    EXPECT_EQ(server.requestCount("/manual"), 0u);
    banner->recordImpression();
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/manual") == 1; }));

    // A newer ad: the old one acts on nothing any more.
    deliver(slot, customAd());
    ASSERT_EQ(publisher->custom.size(), 2u);
    custom->recordClick();
    custom->finishedRenderingAdView(nullptr);
    EXPECT_EQ(slot.state(), State::Rendering);
    auto newer = publisher->custom[1];
    // With the banner gone the newer one does nothing either.
    banner->removeFromSuperview();
    banner.reset();
    scope.runUntilIdle();
    newer->recordImpression();
    newer->recordClick();
    newer->finishedRenderingAdView(nullptr);
    EXPECT_EQ(pings(), std::make_pair(std::size_t(1), std::size_t(2)));
}

TEST_F(ZORFormatsTest, AnAdOfItsOwnOrAStaleBindingActsOnNothing) {
    makeBanner();
    // One the publisher makes itself belongs to no ad.
    auto own = ZORCustomRenderedAd::create("<p/>", Url::parse("https://ads.test/"));
    own->setDelegate(std::static_pointer_cast<ZORBannerView>(banner));
    banner->setCustomRenderedBannerViewDelegate(publisher);
    deliver(bannerSlot(), customAd());
    own->finishedRenderingAdView(nullptr);
    own->recordImpression();
    EXPECT_EQ(bannerSlot().state(), State::Rendering);
    EXPECT_EQ(pings(), std::make_pair(std::size_t(0), std::size_t(0)));
}

TEST_F(ZORFormatsTest, WithoutTheCallbackBothFormatsFailWithCodeTwelve) {
    makeBanner();
    deliver(bannerSlot(), customAd());
    scope.runUntilIdle();
    EXPECT_EQ(bannerSlot().state(), State::InvalidAd);
    ASSERT_EQ(publisher->errors.size(), 1u);
    const std::string& bannerText = publisher->errors[0];
    EXPECT_EQ(
        bannerText.rfind("Ignoring delegate callback. Delegate does not conform to "
                         "ZORCustomRenderedBannerViewDelegate.\nBanner view: <ZORBannerView: 0x",
                         0),
        0u)
        << bannerText;
    EXPECT_NE(bannerText.find(">\nDelegate: (null)"), std::string::npos) << bannerText;

    interstitial = ZORInterstitial::create("unit");
    interstitial->setDelegate(publisher);
    EXPECT_FALSE(interstitial->isCustomAdRenderingEnabled());
    deliver(*interstitial->slot(), customAd());
    scope.runUntilIdle();
    ASSERT_EQ(publisher->errors.size(), 2u);
    EXPECT_EQ(publisher->errors[1].rfind("Ignoring delegate callback. Delegate does not conform to "
                                         "ZORCustomRenderedInterstitialDelegate.\nInterstitial: "
                                         "<ZORInterstitial: 0x",
                                         0),
              0u)
        << publisher->errors[1];
    EXPECT_EQ(publisher->calls.back(), "interstitial failed 12");
    // Offered one, the interstitial renders custom ads for good.
    EXPECT_TRUE(interstitial->isCustomAdRenderingEnabled());
}

TEST_F(ZORFormatsTest, ACustomRenderedInterstitialIsNeverPresentedByTheSDK) {
    interstitial = ZORInterstitial::create("unit");
    interstitial->setDelegate(publisher);
    interstitial->setCustomRenderedInterstitialDelegate(publisher);
    deliver(*interstitial->slot(), customAd());
    ASSERT_EQ(publisher->custom.size(), 1u);
    publisher->custom[0]->finishedRenderingAdView(nullptr);
    scope.runUntilIdle();
    EXPECT_TRUE(interstitial->isReady());
    EXPECT_TRUE(interstitial->isCustomAdRenderingEnabled());
    {
        GADLogFlush();
        platform::LogSink::Capture capture;
        interstitial->presentFromRootViewController(controller);
        GADLogFlush();
        EXPECT_TRUE(capture.contains(
            "Error: Custom ad rendering is enabled. Please present interstitial view from "
            "rootViewController manually."));
    }
    scope.runUntilIdle();
    EXPECT_FALSE(interstitial->hasBeenUsed());
    EXPECT_EQ(publisher->calls,
              (std::vector<std::string>{"interstitial custom", "interstitial received"}));
}

TEST_F(ZORFormatsTest, AppEventsAndResizesReachTheirDelegateMethods) {
    makeBanner();
    banner->setAppEventDelegate(publisher);
    banner->setAdSizeDelegate(publisher);

    // An ad announcing one of the valid sizes: the size delegate hears first, the banner takes
    // the size without a reload.
    banner->setValidAdSizes({kGADAdSizeBanner, kGADAdSizeMediumRectangle});
    GADSlotTestPeer(&bannerSlot()).setStateObserver([this](State, State to) {
        states.push_back(int(to));
    });
    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(
        Value::Dictionary{{"_ad", Value::dictionary({{"ad_html", Value("<p>ad</p>")},
                                                     {"ad_base_url", Value("https://ads.test/")},
                                                     {"ad_size", Value("300x250")}})}}));
    banner->loadRequest(request);
    scope.runUntilIdle();
    EXPECT_EQ(publisher->calls, (std::vector<std::string>{"resize 300x250"}));
    EXPECT_EQ(banner->adSize().size.height, 250);
    // resize never reloads either.
    banner->resize(kGADAdSizeLargeBanner);
    EXPECT_EQ(banner->adSize().size.height, 100);
    EXPECT_EQ(std::count(states.begin(), states.end(), 2), 1);

    // The page's app event reaches the banner's method, the interstitial's its own.
    auto& page = *views.web().pages().back();
    page.fireNavigation("gmsg://movuroute/appEvent?name=score&info=12",
                        platform::web::NavigationType::Other);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return publisher->calls.size() == 2; }));
    interstitial = ZORInterstitial::create("unit");
    interstitial->setAppEventDelegate(publisher);
    interstitial->slotDidReceiveAppEvent(*interstitial->slot(), "level", std::nullopt);
    EXPECT_EQ(publisher->calls, (std::vector<std::string>{"resize 300x250", "banner event score 12",
                                                          "interstitial event level -"}));
    // Without an app-event delegate nothing is heard.
    banner->setAppEventDelegate({});
    page.fireNavigation("gmsg://movuroute/appEvent?name=lost",
                        platform::web::NavigationType::Other);
    platform::testing::runMainLoopUntil([] { return false; }, 0.2);
    EXPECT_EQ(publisher->calls.size(), 3u);
}

}  // namespace
}  // namespace ads
