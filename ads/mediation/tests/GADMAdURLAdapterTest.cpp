// The ad URL adapter on the scripted engine, with a connector of the test's: one ad per
// adapter, the parameters it hands the SDK core (taken on the main thread), the SDK core's
// answers and their failures.

#include "ads/mediation/GADMAdURLAdapter.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/mediation/tests/RecordingConnector.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotRoom.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/base/PercentEncoding.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/storage/Json.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::NavigationType;
using testing::RecordingConnector;
using testing::SDKCoreTestScope;

constexpr const char* kNoConnection = "Failed to load ad. Check network connection.";

std::string failure(std::int64_t code, const std::string& text) {
    return std::string("fail:") + GADMAdURLAdapter::kErrorDomain + ":" + std::to_string(code) +
           ":" + text;
}

class GADMAdURLAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GADFullScreenRoom::load();
        GADSlotRoom::load();
        registerMediationClasses();
        connector->root = platform::ui::ViewController::create();
        connector->data = {{"pubid", Value("entry-unit")}, {"secret", Value("s")}};
        adapter->initWithGADMAdNetworkConnector(connector);
    }
    void TearDown() override {
        adapter->stopBeingDelegate();
        adapter.reset();
        SDKCoreTestScope::settle(*GADSDKCoreController::sharedInstance());
    }
    // What the adapter hands the SDK core for request id "7", built as the core's queue does.
    Value::Dictionary parameters() {
        auto builder = adapter->requestParametersWithRequestID("7");
        EXPECT_TRUE(builder);
        auto built = builder ? builder() : std::nullopt;
        return built.value_or(Value::Dictionary{});
    }
    static std::shared_ptr<GADAd> htmlAd() {
        return GADBannerAd::createWithDictionary(Value::dictionary(
            {{"ad_html", Value("<p>mediated</p>")}, {"ad_base_url", Value("https://ads.test/")}}));
    }
    GADSlot& bannerSlot() { return *adapter->bannerView()->slot()->adSlot(); }
    // The scripted page that was given this HTML.
    platform::web::FakeWebPage* pageShowing(const std::string& html) {
        for (const auto& page : views.web().pages()) {
            for (const auto& load : page->loads()) {
                if (load.html.find(html) != std::string::npos) return page.get();
            }
        }
        return nullptr;
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    testing::SDKCoreTestScope core;
    std::shared_ptr<RecordingConnector> connector = std::make_shared<RecordingConnector>();
    std::shared_ptr<GADMAdURLAdapter> adapter = GADMAdURLAdapter::create();
};

TEST_F(GADMAdURLAdapterTest, OneAdPerAdapterALaterRequestFailsWithCode0) {
    adapter->getBannerWithSize(kGADAdSizeBanner);
    const auto banner = adapter->bannerView();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->rootViewController(), connector->root);
    EXPECT_FALSE(banner->adUnitID());
    EXPECT_FALSE(bannerSlot().reloadTimer().reloadable());
    EXPECT_EQ(adapter->requestedAdType(), GADRequestedAdType::Banner);

    adapter->getInterstitial();
    adapter->getBannerWithSize(kGADAdSizeLeaderboard);
    const auto alreadyMade = failure(0, "Adapter already initialized. Please create new instance.");
    EXPECT_EQ(connector->log, (std::vector<std::string>{alreadyMade, alreadyMade}));
    EXPECT_EQ(adapter->bannerView(), banner);
    EXPECT_TRUE(GADAdSizeEqualToSize(banner->adSize(), kGADAdSizeBanner));
    EXPECT_FALSE(adapter->interstitial());

    // Native ads are not served at all.
    auto other = GADMAdURLAdapter::create();
    other->initWithGADMAdNetworkConnector(connector);
    other->getNativeAdWithAdTypes({"native_content"}, {});
    EXPECT_EQ(connector->log.back(),
              "fail:com.zivivu.ads:11:Request for native ad fetching isn't implemented.");
    EXPECT_EQ(other->requestedAdType(), GADRequestedAdType::Generic);
    EXPECT_EQ(other->CSIIdentifier(), -1);
}

TEST_F(GADMAdURLAdapterTest, TheParametersOfABannerComeFromItsPlacementAtTheRequest) {
    platform::AdvertisingIdentifier::setOverrideForTesting(
        platform::AdvertisingIdentifier::Override{platform::Uuid::random(), false});
    // Full width without automatic height.
    const GADAdSize fullWidth{{0, 50}, kGADAdSizeFlagCustom | kGADAdSizeFlagFullWidth};
    adapter->getBannerWithSize(fullWidth);
    ASSERT_TRUE(adapter->bannerView());
    auto builder = adapter->requestParametersWithRequestID("7");
    const platform::Rect frame = adapter->bannerView()->frame();
    // The builder runs later on the core's queue; the banner changing meanwhile does not show.
    adapter->changeAdSizeTo(kGADAdSizeLeaderboard);
    const auto sent = builder().value_or(Value::Dictionary{});
    platform::AdvertisingIdentifier::setOverrideForTesting(std::nullopt);

    EXPECT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent.at("zivivu-ad-url-mediation"), Value("1"));
    EXPECT_EQ(sent.at("request_id"), Value("7"));
    EXPECT_EQ(adapter->requestID(), "7");
    EXPECT_EQ(sent.at("data"), Value(connector->data));
    // Tracking is limited: no identifier, and the request still goes out.
    EXPECT_EQ(sent.at("lat"), Value("1"));
    EXPECT_EQ(sent.at("adid"), Value(""));
    const Value& request = sent.at("request_param");
    EXPECT_EQ(request["format"], Value("banner"));
    EXPECT_EQ(request["smart_w"], Value("full"));
    EXPECT_FALSE(request.contains("smart_h"));
    EXPECT_EQ(request["ad_frame"]["w"], Value(frame.size.width));
    EXPECT_EQ(request["ad_bounds"]["h"], Value(frame.size.height));
    // The ordinary request parameters are there, with the network extras of a mediated request.
    EXPECT_TRUE(request.contains("js"));
    EXPECT_EQ(request["extras"]["gw"], Value("1"));
}

TEST_F(GADMAdURLAdapterTest, TheParametersOfAnInterstitialHaveNoPlacement) {
    const auto uuid = platform::Uuid::random();
    platform::AdvertisingIdentifier::setOverrideForTesting(
        platform::AdvertisingIdentifier::Override{uuid, true});
    adapter->getInterstitial();
    ASSERT_TRUE(adapter->interstitial());
    EXPECT_FALSE(adapter->interstitial()->adUnitID());
    EXPECT_EQ(adapter->requestedAdType(), GADRequestedAdType::Interstitial);
    const auto sent = parameters();
    platform::AdvertisingIdentifier::setOverrideForTesting(std::nullopt);

    EXPECT_EQ(sent.at("lat"), Value("0"));
    EXPECT_EQ(sent.at("adid"), Value(uuid.toString()));
    const Value& request = sent.at("request_param");
    EXPECT_EQ(request["format"], Value("interstitial_mb"));
    for (const char* key : {"ad_frame", "ad_bounds", "smart_w", "smart_h"}) {
        EXPECT_FALSE(request.contains(key)) << key;
    }
}

TEST_F(GADMAdURLAdapterTest, ASmartBannerAsksForFullWidthAndAutomaticHeight) {
    adapter->getBannerWithSize(kGADAdSizeSmartBannerPortrait);
    ASSERT_TRUE(adapter->bannerView());
    const Value request = parameters().at("request_param");
    EXPECT_EQ(request["smart_w"], Value("full"));
    EXPECT_EQ(request["smart_h"], Value("auto"));
}

TEST_F(GADMAdURLAdapterTest, TheCoresAdRendersInTheBannerWithoutAFetch) {
    adapter->getBannerWithSize(kGADAdSizeBanner);
    adapter->loadAd(htmlAd(), Value::Dictionary{{"x-rade-ad-size", Value("320x50")}});
    scope.runUntilIdle();
    ASSERT_EQ(bannerSlot().state(), GADSlotState::Rendering);
    const auto& loading = GADSlotTestPeer(bannerSlot()).loadingAd();
    ASSERT_TRUE(loading);
    EXPECT_EQ(loading->adHTML(), "<p>mediated</p>");
    EXPECT_EQ(GADSlotTestPeer(bannerSlot()).loadingAdHeaders()->at("x-rade-ad-size"),
              Value("320x50"));
    // Used once: the banner's request no longer carries the ad.
    EXPECT_FALSE(bannerSlot().request()->networkExtrasAdditionalParameters());

    auto* page = pageShowing("<p>mediated</p>");
    ASSERT_TRUE(page);
    page->fireStart();
    page->fireFinish();
    scope.runUntilIdle();
    ASSERT_EQ(connector->log, std::vector<std::string>{"view"});
    EXPECT_EQ(connector->views.at(0), adapter->bannerView());
}

TEST_F(GADMAdURLAdapterTest, TheCoresFailuresReachTheConnectorWithTheirCodes) {
    struct Case {
        const char* name;
        std::function<void(GADMAdURLAdapter&)> answer;
        std::string heard;
    };
    const std::vector<Case> cases{
        {"ad URL",
         [](auto& a) {
             a.loadAdURLWithParameters({{"url", Value("https://x.test/")}});
         },
         failure(1, "Adapter can't load ad URL.")},
        {"empty ad", [](auto& a) { a.loadAd(nullptr, std::nullopt); },
         failure(3, "Ad received is empty.")},
        {"invalid", [](auto& a) { a.invalidJavaScriptRequest(); }, failure(4, kNoConnection)},
        {"core lost", [](auto& a) { a.failedJavaScriptFile(); }, failure(5, kNoConnection)},
        {"time-out", [](auto& a) { a.SDKCoreRequestDidTimeOut(); }, failure(5, kNoConnection)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Before the adapter made an ad object there is nothing to report for.
        auto idle = GADMAdURLAdapter::create();
        idle->initWithGADMAdNetworkConnector(connector);
        connector->log.clear();
        c.answer(*idle);
        EXPECT_TRUE(connector->log.empty());

        for (bool banner : {true, false}) {
            auto asking = GADMAdURLAdapter::create();
            asking->initWithGADMAdNetworkConnector(connector);
            banner ? asking->getBannerWithSize(kGADAdSizeBanner) : asking->getInterstitial();
            c.answer(*asking);
            EXPECT_EQ(connector->log, std::vector<std::string>{c.heard});
            connector->log.clear();
            // Silenced, the adapter ignores every answer.
            asking->stopBeingDelegate();
            c.answer(*asking);
            EXPECT_TRUE(connector->log.empty());
        }
    }
}

TEST_F(GADMAdURLAdapterTest, ALateAdAfterStopBeingDelegateDoesNothing) {
    adapter->getBannerWithSize(kGADAdSizeBanner);
    scope.runUntilIdle();
    const auto state = bannerSlot().state();
    adapter->stopBeingDelegate();
    adapter->loadAd(htmlAd(), std::nullopt);
    scope.runUntilIdle();
    EXPECT_EQ(bannerSlot().state(), state);
    EXPECT_FALSE(GADSlotTestPeer(bannerSlot()).loadingAd());
    EXPECT_TRUE(connector->log.empty());
}

TEST_F(GADMAdURLAdapterTest, TheCorePageIsAskedForAnAdapterLessMediationAd) {
    auto controller = GADSDKCoreController::sharedInstance();
    adapter->getBannerWithSize(kGADAdSizeBanner);
    SDKCoreTestScope::settle(*controller);
    auto& page = *views.web().pages().at(0);
    page.fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
    SDKCoreTestScope::settle(*controller);
    page.fireStart();
    page.fireFinish();
    SDKCoreTestScope::settle(*controller);

    const std::string prefix = "setTimeout(function(){RADE_getAdapterLessMediationAd(";
    Value sent;
    for (const auto& script : page.evaluations()) {
        if (script.rfind(prefix, 0) != 0) continue;
        sent =
            platform::Json::parse(script.substr(prefix.size(), script.size() - prefix.size() - 8))
                .value_or(Value());
    }
    ASSERT_TRUE(sent.isDictionary());
    EXPECT_EQ(sent["zivivu-ad-url-mediation"], Value("1"));
    EXPECT_EQ(sent["data"]["pubid"], Value("entry-unit"));
    EXPECT_EQ(sent["request_param"]["format"], Value("banner"));
    ASSERT_TRUE(sent["request_id"].isString());
    EXPECT_EQ(adapter->requestID(), sent["request_id"].stringRef());

    // The page's ad, fetched by the page, comes back to the adapter and renders.
    const std::string ad = R"({"ad_html":"<p>core</p>","ad_base_url":"https://ads.test/"})";
    page.fireNavigation("gmsg://movuroute/loadAd?request_id=" + sent["request_id"].stringRef() +
                            "&fetched_ad=" + platform::percentEncodeComponent(ad),
                        NavigationType::Other);
    SDKCoreTestScope::settle(*controller);
    ASSERT_TRUE(GADSlotTestPeer(bannerSlot()).loadingAd());
    EXPECT_EQ(GADSlotTestPeer(bannerSlot()).loadingAd()->adHTML(), "<p>core</p>");
}

}  // namespace
}  // namespace ads
