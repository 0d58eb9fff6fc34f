// The SDK's own network as a mediated network: the inner ad objects it makes, the entry's ad
// rendered without a fetch, the relays of both built-in adapters, native requests through the
// native room's hook and the registration of the built-in adapters.

#include "ads/mediation/GADMAdapterZivivuDuRezAds.h"

#include <gtest/gtest.h>

#include "MediationTestSupport.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/mediation/GADMAdManager.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMAdURLAdapter.h"
#include "ads/mediation/GADMAdapterCustomEvents.h"
#include "ads/mediation/GADMAdapterHTML.h"
#include "ads/mediation/tests/HeardPublicAds.h"
#include "ads/mediation/tests/RecordingConnector.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using platform::Value;
using testing::MediationTest;
using testing::RecordingConnector;
using Kind = tools::adserver::RequestKind;

class GADMAdapterZivivuDuRezAdsTest : public ::testing::Test, public MediationTest {
  protected:
    static Value::Dictionary htmlAd(const std::string& html) {
        return {{"ad_html", Value(html)},
                {"ad_base_url", Value("https://ads.test/")},
                {"ad_size", Value("320x50")}};
    }
    // A request whose mediation answer has one network of the SDK's own adapter.
    static std::shared_ptr<GADRequest> ownNetworkRequest(Value::Dictionary entry) {
        return mediatedRequest(config({{{kGADOwnAdapterClassName}, std::move(entry)}}));
    }
    // The adapter the outer slot's waterfall made.
    static std::shared_ptr<GADMAdapterZivivuDuRezAds> adapterOf(GADSlot& outer) {
        auto manager =
            std::dynamic_pointer_cast<GADMAdManager>(GADSlotTestPeer(outer).mediationManager());
        if (!manager) return nullptr;
        auto connector = manager->receivedConnector() ? manager->receivedConnector()
                                                      : manager->requestingConnector();
        if (!connector) return nullptr;
        return std::dynamic_pointer_cast<GADMAdapterZivivuDuRezAds>(connector->adapter());
    }
    platform::web::FakeWebPage* pageShowing(const std::string& html) {
        for (const auto& page : views.web().pages()) {
            for (const auto& load : page->loads()) {
                if (load.html.find(html) != std::string::npos) return page.get();
            }
        }
        return nullptr;
    }

    std::shared_ptr<testing::HeardPublicAds> heard = std::make_shared<testing::HeardPublicAds>();
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
};

TEST_F(GADMAdapterZivivuDuRezAdsTest, TheEntrysAdRendersInAnInnerBannerThatNeverReloads) {
    auto outer = GADBannerView::create(kGADAdSizeBanner);
    outer->setAdUnitID("outer-unit");
    outer->setRootViewController(root);
    outer->setDelegate(heard);
    GADSlot& outerSlot = *outer->slot()->adSlot();
    outerSlot.opener()->setAutoClickProtected(true);
    outer->loadRequest(ownNetworkRequest({{"data", Value::dictionary({{"pubid", Value("inner")}})},
                                          {"ad", Value(htmlAd("<p>own network</p>"))}}));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return adapterOf(outerSlot) != nullptr; }));
    auto adapter = adapterOf(outerSlot);
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return pageShowing("<p>own network</p>") != nullptr; }));

    const auto& inner = adapter->bannerView();
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->adUnitID(), "inner");
    EXPECT_EQ(inner->rootViewController(), root);
    GADSlot& innerSlot = *inner->slot()->adSlot();
    EXPECT_FALSE(innerSlot.reloadTimer().reloadable());
    EXPECT_TRUE(innerSlot.opener()->autoClickProtected());
    // Rendered from the entry, without asking the SDK core or the server for an ad.
    EXPECT_FALSE(server.log().last(Kind::CoreCall));
    EXPECT_FALSE(server.log().last(Kind::AdRequest));
    // The inner request carries the publisher's extras of a mediated request, not the outer's.
    const auto extras = innerSlot.request()->adNetworkExtrasFor<GADExtras>();
    ASSERT_TRUE(extras);
    EXPECT_EQ(extras->additionalParameters()->at("gw"), Value("1"));
    EXPECT_EQ(extras->additionalParameters()->at("_ad")["ad_html"], Value("<p>own network</p>"));
    EXPECT_EQ(extras->additionalParameters()->count("_adHeaders"), 0u);

    auto* page = pageShowing("<p>own network</p>");
    page->fireStart();
    page->fireFinish();
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !heard->log.empty(); }));
    EXPECT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_EQ(outer->mediatedAdView(), inner);
    EXPECT_EQ(outer->adNetworkClassName(), kGADOwnAdapterClassName);

    // The impression, then one click for the inner banner's will-present and will-leave.
    ASSERT_EQ(pings(1).size(), 1u);
    adapter->adViewWillPresentScreen(*inner);
    adapter->adViewWillLeaveApplication(*inner);
    adapter->adViewDidDismissScreen(*inner);
    const auto all = pings(2);
    scope.runUntilIdle();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].path, "/imp");
    EXPECT_EQ(all[1].path, "/clk");
    EXPECT_EQ(server.log().of(Kind::MediationPing).size(), 2u);
}

TEST_F(GADMAdapterZivivuDuRezAdsTest, BothAdaptersRelayTheirObjectsEvents) {
    for (const bool own : {true, false}) {
        SCOPED_TRACE(own ? "own network" : "ad URL");
        auto connector = std::make_shared<RecordingConnector>();
        connector->root = root;
        auto make = [&]() -> std::shared_ptr<GADMPublicAdAdapter> {
            std::shared_ptr<GADMPublicAdAdapter> made;
            if (own) {
                made = GADMAdapterZivivuDuRezAds::create();
            } else {
                made = GADMAdURLAdapter::create();
            }
            made->initWithGADMAdNetworkConnector(connector);
            return made;
        };
        auto adapter = make();
        adapter->getBannerWithSize(kGADAdSizeBanner);
        auto& banner = *adapter->bannerView();
        adapter->adViewDidReceiveAd(banner);
        adapter->adViewWillPresentScreen(banner);
        adapter->adViewWillDismissScreen(banner);
        adapter->adViewDidDismissScreen(banner);
        adapter->adViewWillLeaveApplication(banner);
        adapter->adViewDidFailToReceiveAdWithError(banner,
                                                   platform::Error::make("inner", 2, "broke"));
        // The ad URL adapter reports no click of its own for the banner's screen events.
        std::vector<std::string> expected{"view"};
        if (own) expected.push_back("click");
        expected.insert(expected.end(),
                        {"willPresentModal", "willDismissModal", "didDismissModal"});
        if (own) expected.push_back("click");
        expected.insert(expected.end(), {"leave", "fail:inner:2:broke"});
        EXPECT_EQ(connector->log, expected);
        EXPECT_EQ(connector->views.at(0), adapter->bannerView());

        // The interstitial's events, on an adapter of the same class.
        connector->log.clear();
        auto second = make();
        second->getInterstitial();
        auto& interstitial = *second->interstitial();
        second->interstitialDidReceiveAd(interstitial);
        second->interstitialWillPresentScreen(interstitial);
        second->interstitialDidReceiveAdClick(interstitial);
        second->interstitialWillLeaveApplication(interstitial);
        second->interstitialWillDismissScreen(interstitial);
        second->interstitialDidDismissScreen(interstitial);
        second->interstitialDidFailToReceiveAdWithError(interstitial,
                                                        platform::Error::make("inner", 1, "none"));
        EXPECT_EQ(connector->log,
                  (std::vector<std::string>{"interstitial", "willPresent", "click", "leave",
                                            "willDismiss", "didDismiss", "fail:inner:1:none"}));

        // Events of objects the adapter does not hold, or after it stopped, are dropped.
        connector->log.clear();
        auto foreign = GADBannerView::create(kGADAdSizeBanner);
        adapter->adViewDidReceiveAd(*foreign);
        adapter->interstitialDidReceiveAd(interstitial);
        adapter->stopBeingDelegate();
        EXPECT_FALSE(adapter->bannerView()->delegate());
        second->stopBeingDelegate();
        EXPECT_FALSE(second->interstitial()->delegate());
        EXPECT_TRUE(connector->log.empty());
        EXPECT_TRUE(adapter->isBannerAnimationOK(0));
    }
}

TEST_F(GADMAdapterZivivuDuRezAdsTest, EachRequestMakesFreshObjectsForTheEntrysUnit) {
    auto connector = std::make_shared<RecordingConnector>();
    connector->root = root;
    auto adapter = GADMAdapterZivivuDuRezAds::create();
    adapter->initWithGADMAdNetworkConnector(connector);
    adapter->getInterstitial();
    auto first = adapter->interstitial();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->adUnitID(), "inner-unit");
    EXPECT_EQ(first->delegate(), adapter);
    // A connector that is no network connector leaves the protection as it was.
    EXPECT_FALSE(first->slot()->opener()->autoClickProtected());
    adapter->getInterstitial();
    EXPECT_NE(adapter->interstitial(), first);
    EXPECT_FALSE(first->delegate());

    adapter->getBannerWithSize(kGADAdSizeBanner);
    auto banner = adapter->bannerView();
    adapter->changeAdSizeTo(kGADAdSizeLargeBanner);
    EXPECT_TRUE(GADAdSizeEqualToSize(banner->adSize(), kGADAdSizeLargeBanner));
    adapter->getBannerWithSize(kGADAdSizeBanner);
    EXPECT_NE(adapter->bannerView(), banner);
    EXPECT_FALSE(banner->delegate());
    // A size no banner can take fails the request.
    adapter->getBannerWithSize(kGADAdSizeInvalid);
    EXPECT_EQ(connector->log.back().rfind("fail:com.zivivu.ads:10:", 0), 0u);
    EXPECT_TRUE(connector->log.size() == 1u);

    // Without its connector the adapter makes nothing.
    auto orphan = GADMAdapterZivivuDuRezAds::create();
    orphan->initWithGADMAdNetworkConnector(std::make_shared<RecordingConnector>());
    orphan->getInterstitial();
    EXPECT_FALSE(orphan->interstitial());
    EXPECT_FALSE(orphan->request());
}

TEST_F(GADMAdapterZivivuDuRezAdsTest, AnAdThePublisherHandedOverStaysWithTheOuterSlot) {
    auto connector = std::make_shared<RecordingConnector>();
    connector->extras = GADExtras::create(
        Value::Dictionary{{"_ad", Value::dictionary({{"ad_json", Value::dictionary({})}})},
                          {"_adHeaders", Value::dictionary({{"x-rade-mediation", Value("1")}})},
                          {"color", Value("blue")}});
    auto adapter = GADMAdapterZivivuDuRezAds::create();
    adapter->initWithGADMAdNetworkConnector(connector);
    // Otherwise the inner slot would mediate the same configuration again.
    const auto sent = adapter->request()->adNetworkExtrasFor<GADExtras>()->additionalParameters();
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->count("_ad"), 0u);
    EXPECT_EQ(sent->count("_adHeaders"), 0u);
    EXPECT_EQ(sent->at("color"), Value("blue"));
    EXPECT_EQ(sent->at("gw"), Value("1"));
}

TEST_F(GADMAdapterZivivuDuRezAdsTest, NativeRequestsGoThroughTheNativeRoomsHook) {
    auto connector = std::make_shared<RecordingConnector>();
    auto adapter = GADMAdapterZivivuDuRezAds::create();
    adapter->initWithGADMAdNetworkConnector(connector);
    auto saved = std::exchange(nativeAdapterHooks().ownNetwork, nullptr);
    adapter->getNativeAdWithAdTypes({"native_content"}, {});
    EXPECT_EQ(connector->log,
              std::vector<std::string>{
                  "fail:com.zivivu.ads:11:Connector used GADMAdNetworkConnectorNativeAd isn't a "
                  "valid connector for requesting native ad"});

    std::vector<GADMNativeRequest> asked;
    int stopped = 0;
    nativeAdapterHooks().ownNetwork = [&](const GADMNativeRequest& request) {
        asked.push_back(request);
        return GADMNativeRequestHandle{std::make_shared<int>(asked.size()), [&] { ++stopped; }};
    };
    auto option = std::make_shared<int>(3);
    adapter->getNativeAdWithAdTypes({"native_content", "native_app_install"}, {option});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].adapter.lock(), adapter);
    EXPECT_EQ(asked[0].connector, connector);
    EXPECT_EQ(asked[0].adTypes, (std::vector<std::string>{"native_content", "native_app_install"}));
    EXPECT_EQ(asked[0].options.at(0), option);
    EXPECT_EQ(*std::static_pointer_cast<int>(adapter->nativeRequestObject()), 1);
    // The next request stops the earlier loader's callbacks; so does stopBeingDelegate.
    adapter->getNativeAdWithAdTypes({"native_content"}, {});
    EXPECT_EQ(stopped, 1);
    adapter->stopBeingDelegate();
    EXPECT_EQ(stopped, 2);
    adapter.reset();
    EXPECT_EQ(stopped, 2);
    nativeAdapterHooks().ownNetwork = std::move(saved);
}

TEST_F(GADMAdapterZivivuDuRezAdsTest, TheBuiltInAdaptersAreRegisteredWithTheirFacts) {
    auto& registry = platform::ClassRegistry::shared();
    struct Expected {
        const char* name;
        std::string version;
    };
    for (const auto& e : {Expected{kGADOwnAdapterClassName, GADRequest::sdkVersion()},
                          Expected{GADMAdURLAdapter::kClassName, "1.0.0"}}) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(registry.conformsTo(e.name, GADMAdNetworkAdapterProtocol::kProtocolName));
        for (const char* call : {GADMAdNetworkAdapterProtocol::kGetBannerCall,
                                 GADMAdNetworkAdapterProtocol::kGetInterstitialCall,
                                 GADMAdNetworkAdapterProtocol::kGetNativeAdCall,
                                 GADMAdNetworkAdapterProtocol::kChangeAdSizeCall}) {
            EXPECT_TRUE(registry.instancesRespondTo(e.name, call)) << call;
        }
        const auto record = registry.classRecord<GADMAdapterClassRecord>(e.name);
        ASSERT_TRUE(record && record->adapterVersion);
        EXPECT_EQ(record->adapterVersion(), e.version);
        EXPECT_EQ(record->networkExtrasClass, "GADExtras");
        EXPECT_TRUE(registry.create<GADMAdNetworkAdapterProtocol>(e.name));
    }
    EXPECT_TRUE(registry.conformsTo(GADMAdURLAdapter::kClassName, "GADSDKCoreControllerDelegate"));

    // The adapter list every request sends names the four built-in adapters.
    const std::vector<std::string> builtIn{kGADOwnAdapterClassName, GADMAdURLAdapter::kClassName,
                                           GADMAdapterHTML::kClassName,
                                           GADMAdapterCustomEvents::kClassName};
    auto application = GADApplication::sharedInstance();
    application->updateAvailableAdapterNamesWithPotentialAdapterNames(std::nullopt);
    const auto names = application->availableAdapterNames();
    ASSERT_TRUE(names);
    for (const auto& name : builtIn) {
        EXPECT_NE(std::find(names->begin(), names->end(), name), names->end()) << name;
    }
    const Value parameters(GADRequest::request()->parameters());
    ASSERT_TRUE(parameters["adapters"].isArray());
    std::vector<std::string> sent;
    for (const auto& name : parameters["adapters"].asArray()) sent.push_back(name.stringRef());
    for (const auto& name : builtIn) {
        EXPECT_NE(std::find(sent.begin(), sent.end(), name), sent.end()) << name;
    }
}

}  // namespace
}  // namespace ads
