// Networks' native ads through the loader's slot, the mediation manager and the native
// connector, with scripted adapters and the scripted formats.

#include <gtest/gtest.h>

#include <thread>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADMediatedAd.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADCustomEventNativeAd.h"
#include "ads/native/GADMAdNetworkConnectorNativeAd.h"
#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeAdDelegate.h"
#include "ads/native/tests/NetworkNativeAds.h"
#include "ads/native/tests/SupportPageHarness.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using platform::Value;
using testing::NetworkAppInstallAd;
using testing::NetworkBothAd;
using testing::NetworkContentAd;
using testing::ScriptedAdapter;
using testing::ScriptedNativeAd;
using Kind = tools::adserver::RequestKind;

using Heard = testing::ScriptedFormatsApp;

class ContentOnly : public testing::ScriptedContentDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError&) override {}
    void adLoaderDidReceiveScriptedContentAd(GADAdLoader&, ScriptedNativeAd&) override {}
};

// The screen events an app hears, and on which thread.
class ScreenEvents : public GADNativeAdDelegate {
  public:
    void nativeAdWillPresentScreen(GADNativeAd&) override { note("willPresent"); }
    void nativeAdDidDismissScreen(GADNativeAd&) override { note("didDismiss"); }
    // No will-dismiss or will-leave: those are not heard.
    std::vector<std::string> heard;
    bool allOnMain = true;

  private:
    void note(const char* what) {
        heard.push_back(what);
        allOnMain = allOnMain && platform::isMainThread();
    }
};

// The publisher's native custom event: answers its request at once with the network ad the
// test gives it.
class AnsweringCustomEvent : public GADCustomEventNativeAd {
  public:
    static constexpr const char* kClassName = "AnsweringCustomEvent";
    static inline std::shared_ptr<GADMediatedNativeAdProtocol> answer;
    static inline std::string parameter;

    void requestNativeAdWithParameter(
        const std::optional<std::string>& serverParameter,
        const std::shared_ptr<const GADCustomEventRequest>&, const std::vector<std::string>&,
        const std::vector<std::shared_ptr<GADAdLoaderOptions>>&,
        const std::shared_ptr<platform::ui::ViewController>&) override {
        parameter = serverParameter.value_or("");
        if (auto d = delegate()) d->customEventNativeAdDidReceiveMediatedNativeAd(*this, answer);
    }
    std::shared_ptr<GADCustomEventNativeAdDelegate> delegate() const override {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<GADCustomEventNativeAdDelegate> delegate) override {
        delegate_ = std::move(delegate);
    }

  private:
    std::weak_ptr<GADCustomEventNativeAdDelegate> delegate_;
};

ScriptedAdapter::Script nativeScript(std::shared_ptr<GADMediatedNativeAdProtocol> ad) {
    ScriptedAdapter::Script script;
    script.answer = ScriptedAdapter::Answer::NativeAd;
    script.answersNativeAd = true;
    script.nativeAd = std::move(ad);
    return script;
}

class GADMediatedNativeAdTest : public ::testing::Test {
  protected:
    std::shared_ptr<GADAdLoader> makeLoader(std::vector<std::string> adTypes = {"1", "2"}) {
        auto loader = GADAdLoader::create("unit", controller, adTypes, {});
        loader->setDelegate(heard);
        return loader;
    }
    // The server answers the loader's request with a mediation configuration of these
    // networks, one adapter each; the main loop turns until the waterfall has settled.
    void loadMediation(GADAdLoader& loader, const std::vector<std::string>& adapters,
                       const Value::Dictionary& credentials = {}) {
        Value::Array networks;
        for (std::size_t i = 0; i < adapters.size(); ++i) {
            networks.emplace_back(Value::dictionary({{"id", Value(std::to_string(i + 1))},
                                                     {"adapters", Value::array({adapters[i]})},
                                                     {"data", Value(credentials)}}));
        }
        const Value configuration = Value::dictionary({{"ad_type", Value("banner")},
                                                       {"qdata", Value("q")},
                                                       {"ad_networks", Value(networks)}});
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
            {"_ad", Value::dictionary({{"ad_json", configuration}})},
            {"_adHeaders", Value::dictionary({{"x-rade-mediation", Value("1")},
                                              {"content-type", Value("application/json")}})}}));
        loader.loadRequest(request);
        for (int turn = 0; turn < 5; ++turn) h.scope.runUntilIdle();
    }
    // The app's ad when the only network answers with this object.
    std::shared_ptr<ScriptedNativeAd> deliveredFrom(
        const std::shared_ptr<GADMediatedNativeAdProtocol>& network) {
        // Both stay for the test: the manager's pings need the loader's waterfall.
        adapterClass_ = ScriptedAdapter::registerClass(nativeScript(network));
        loader_ = makeLoader();
        loadMediation(*loader_, {adapterClass_->name()});
        return heard->received.size() == 1 ? heard->received[0] : nullptr;
    }
    std::size_t pingsAt(const std::string& path) {
        std::size_t count = 0;
        for (const auto& ping : h.server.log().of(Kind::MediationPing)) count += ping.path == path;
        return count;
    }

    testing::SupportPageHarness h;
    testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<Heard> heard = std::make_shared<Heard>();

  private:
    std::unique_ptr<ScriptedAdapter::Registration> adapterClass_;
    std::shared_ptr<GADAdLoader> loader_;
};

TEST_F(GADMediatedNativeAdTest, AnObjectOfBothProtocolsBecomesAnAppInstallAdNamedAfterItsNetwork) {
    auto network = std::make_shared<NetworkBothAd>();
    network->assets.extraAssets = Value::Dictionary{{"stars", Value(5)}};
    auto adapter = ScriptedAdapter::registerClass(nativeScript(network));
    auto loader = makeLoader();
    loadMediation(*loader, {adapter->name()});

    EXPECT_EQ(adapter->record().calls.at(1), "getNativeAdWithAdTypes:1,2 options:0");
    ASSERT_EQ(heard->received.size(), 1u);
    auto ad = heard->received[0];
    EXPECT_EQ(ad->clickActionTemplateID(), "2");
    EXPECT_EQ(ad->adNetworkClassName(), adapter->name());
    EXPECT_EQ(ad->extraAssets(), network->assets.extraAssets);
    EXPECT_EQ(ad->adUnitID(), "unit");
    EXPECT_EQ(ad->rootViewController(), controller);
    ASSERT_TRUE(ad->mediatedNativeAd());
    EXPECT_EQ(ad->mediatedNativeAd()->ad(), network);
    EXPECT_TRUE(loader->nativeAds().empty());
    EXPECT_TRUE(heard->failures.empty());
}

TEST_F(GADMediatedNativeAdTest, ARefusedOrUnloadableAdMakesTheManagerAskTheNextNetwork) {
    // No headline: the format refuses it. Then an image that cannot load, then a good ad.
    auto refused = std::make_shared<NetworkContentAd>();
    refused->assets.headline.reset();
    auto broken = std::make_shared<NetworkContentAd>();
    broken->assets.images = {
        GADNativeAdImage::createWithURL(*platform::Url::parse("file:///nowhere.png"), 1)};
    auto good = std::make_shared<NetworkContentAd>();
    auto first = ScriptedAdapter::registerClass(nativeScript(refused));
    auto second = ScriptedAdapter::registerClass(nativeScript(broken));
    auto third = ScriptedAdapter::registerClass(nativeScript(good));
    auto loader = makeLoader({"1"});
    loadMediation(*loader, {first->name(), second->name(), third->name()});

    EXPECT_EQ(first->record().calls.back(), "stopBeingDelegate");
    EXPECT_EQ(second->record().calls.back(), "stopBeingDelegate");
    ASSERT_EQ(heard->received.size(), 1u);
    EXPECT_EQ(heard->received[0]->mediatedNativeAd()->ad(), good);
    EXPECT_TRUE(heard->failures.empty());
    EXPECT_TRUE(loader->nativeAds().empty());
}

TEST_F(GADMediatedNativeAdTest, ARefusedLastNetworkIsLetGoBeforeTheLoaderFails) {
    // The only network's ad has no headline; its library then keeps talking after the loader
    // refused it and the waterfall ran out: a second copy of the ad, then a no fill.
    auto refused = std::make_shared<NetworkContentAd>();
    refused->assets.headline.reset();
    auto script = nativeScript(refused);
    script.misbehaves = true;
    script.delay = 0.1;
    auto network = ScriptedAdapter::registerClass(script);
    auto loader = makeLoader({"1"});
    loadMediation(*loader, {network->name()});
    // Its library keeps the adapter, whatever the SDK does with it.
    auto adapter = network->record().last();
    ASSERT_TRUE(adapter);
    h.scope.advance(0.1);
    for (int turn = 0; turn < 5; ++turn) h.scope.runUntilIdle();
    ASSERT_TRUE(h.server.waitOnMainLoop(Kind::MediationPing, 1));
    ASSERT_EQ(heard->failures.size(), 1u);
    EXPECT_EQ(heard->failures[0].code, kGADErrorMediationNoFill);
    EXPECT_EQ(network->record().calls.back(), "stopBeingDelegate");

    adapter->answer(ScriptedAdapter::Answer::NativeAd);
    adapter->answer(ScriptedAdapter::Answer::NoFill);
    for (int turn = 0; turn < 5; ++turn) h.scope.runUntilIdle();
    // A ping is on its way from the call that sends it until its tracker is done.
    ASSERT_TRUE(h.server.waitOnMainLoopUntil(
        [] { return GADClickTrackerCollection::sharedInstance()->trackerCount() == 0; }));
    EXPECT_EQ(pingsAt("/nofill"), 1u);
    EXPECT_EQ(heard->failures.size(), 1u);
    EXPECT_TRUE(heard->received.empty());
}

TEST_F(GADMediatedNativeAdTest, WhatTheLoaderCannotUseFailsTheNetworkWithItsText) {
    auto loader = makeLoader({"1"});
    std::vector<platform::Error> errors;
    const auto record = [&](const std::optional<platform::Error>& error) {
        errors.push_back(error.value_or(platform::Error()));
    };
    // A network's ad of a kind the loader does not know.
    loader->processMediatedAd(*GADAd::create(), std::make_shared<GADMediatedAd>("Net", nullptr),
                              record);
    // An app install ad for a delegate of content ads only.
    auto contentOnly = std::make_shared<ContentOnly>();
    auto twoTypes = GADAdLoader::create("unit", controller, {"1"}, {});
    twoTypes->setDelegate(contentOnly);
    twoTypes->processMediatedNativeAd(
        std::make_shared<GADMediatedNativeAd>("Net", std::make_shared<NetworkAppInstallAd>()),
        record);
    // An object of neither protocol.
    struct Neither : GADMediatedNativeAdProtocol {
        std::shared_ptr<GADMediatedNativeAdDelegate> mediatedNativeAdDelegate() const override {
            return nullptr;
        }
        const std::optional<Value::Dictionary>& extraAssets() const override { return none; }
        std::optional<Value::Dictionary> none;
    };
    loader->processMediatedNativeAd(
        std::make_shared<GADMediatedNativeAd>("Net", std::make_shared<Neither>()), record);

    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].domain, "com.zivivu.ads.private");
    EXPECT_EQ(errors[0].code, 11);
    EXPECT_EQ(errors[0].localizedDescription(),
              "Ad loader currently isn't able to process returned mediated ad class "
              "ads::GADMediatedAd");
    EXPECT_EQ(errors[1].code, 3);
    EXPECT_NE(errors[1].localizedDescription().find("ScriptedAppInstallDelegate"),
              std::string::npos);
    EXPECT_EQ(errors[2].code, 3);
    EXPECT_NE(errors[2].localizedDescription().find("protocol, (null)."), std::string::npos);
    EXPECT_TRUE(loader->nativeAds().empty());
}

TEST_F(GADMediatedNativeAdTest, AnAdapterWithoutTheNativeCallFailsWithCode11AndAllFailingIsNoFill) {
    ScriptedAdapter::Script bannerOnly;
    bannerOnly.answer = ScriptedAdapter::Answer::View;
    auto first = ScriptedAdapter::registerClass(bannerOnly);
    ScriptedAdapter::Script empty = nativeScript(nullptr);
    empty.answer = ScriptedAdapter::Answer::NoFill;
    auto second = ScriptedAdapter::registerClass(empty);
    auto loader = makeLoader({"1"});
    loadMediation(*loader, {first->name(), second->name()});

    EXPECT_EQ(first->record().calls, (std::vector<std::string>{"init", "stopBeingDelegate"}));
    EXPECT_EQ(second->record().calls.at(1), "getNativeAdWithAdTypes:1 options:0");
    ASSERT_EQ(heard->failures.size(), 1u);
    EXPECT_EQ(heard->failures[0].code, kGADErrorMediationNoFill);
    EXPECT_TRUE(heard->received.empty());
}

TEST_F(GADMediatedNativeAdTest, ANativeCustomEventsAdReachesTheAppThroughTheCustomEventsAdapter) {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<GADCustomEventNativeAd>(
        AnsweringCustomEvent::kClassName, "NSObject", {GADCustomEventNativeAd::kProtocolName},
        [] { return std::make_shared<AnsweringCustomEvent>(); });
    registry.addInstanceCalls(AnsweringCustomEvent::kClassName,
                              {GADCustomEventNativeAd::kRequestCall});
    auto network = std::make_shared<NetworkContentAd>();
    AnsweringCustomEvent::answer = network;
    auto loader = makeLoader({"1"});
    loadMediation(*loader, {"GADMAdapterCustomEvents"},
                  Value::Dictionary{{"class_name", Value(AnsweringCustomEvent::kClassName)},
                                    {"parameter", Value("from-server")}});
    registry.unregisterClass(AnsweringCustomEvent::kClassName);
    AnsweringCustomEvent::answer.reset();

    EXPECT_EQ(AnsweringCustomEvent::parameter, "from-server");
    ASSERT_EQ(heard->received.size(), 1u);
    EXPECT_EQ(heard->received[0]->mediatedNativeAd()->ad(), network);
    EXPECT_EQ(heard->received[0]->adNetworkClassName(), "GADMAdapterCustomEvents");
}

TEST_F(GADMediatedNativeAdTest, TheSDKsOwnAdTravelsAsItIsAndKeepsAWrapperWithoutAd) {
    auto own = ScriptedNativeAd::create(
        Value::dictionary({{"type", Value("native")}, {"template_id", Value(1)}}));
    auto adapter = ScriptedAdapter::registerClass(nativeScript(own));
    auto loader = makeLoader();
    loadMediation(*loader, {adapter->name()});

    ASSERT_EQ(heard->received.size(), 1u);
    EXPECT_EQ(heard->received[0], own);
    EXPECT_EQ(own->adNetworkClassName(), adapter->name());
    ASSERT_TRUE(own->mediatedNativeAd());
    EXPECT_FALSE(own->mediatedNativeAd()->ad());
    EXPECT_EQ(own->adUnitID(), "unit");
    // Its impression reaches only the manager's handler: one impression ping.
    own->recordImpression();
    EXPECT_TRUE(h.server.waitOnMainLoop(Kind::MediationPing, 1));
    EXPECT_EQ(pingsAt("/imp"), 1u);
}

TEST_F(GADMediatedNativeAdTest, TheNetworkHearsOneImpressionOneRenderingAndEachClick) {
    auto network = std::make_shared<NetworkContentAd>();
    auto ad = deliveredFrom(network);
    ASSERT_TRUE(ad);

    ad->recordImpression();
    ad->recordImpression();
    auto view = platform::ui::View::create({0, 0, 300, 250});
    ad->reportRenderedInView(view);
    ad->reportRenderedInView(view);
    ad->performClickOnView(view, "headline", std::nullopt);
    ad->performClickOnView(view, "", std::nullopt);
    EXPECT_EQ(network->hears->heard,
              (std::vector<std::string>{"impression", "rendered", "click:headline"}));
    EXPECT_EQ(network->hears->renderedView, view);
    EXPECT_EQ(network->hears->clickedView, view);
    EXPECT_EQ(network->hears->clickController, controller);
    // The manager's pings: one impression, one click.
    EXPECT_TRUE(h.server.waitOnMainLoop(Kind::MediationPing, 2));
    EXPECT_EQ(pingsAt("/imp"), 1u);
    EXPECT_EQ(pingsAt("/clk"), 1u);
}

TEST_F(GADMediatedNativeAdTest, ScreenEventsPostedOnAnyThreadReachTheDelegateOnMain) {
    auto network = std::make_shared<NetworkContentAd>();
    auto ad = deliveredFrom(network);
    ASSERT_TRUE(ad);
    auto events = std::make_shared<ScreenEvents>();
    ad->setDelegate(events);

    std::thread pool([&] {
        for (const char* name : {kGADMediatedNativeAdWillPresentScreenNotification,
                                 kGADMediatedNativeAdWillDismissScreenNotification,
                                 kGADMediatedNativeAdDidDismissScreenNotification,
                                 kGADMediatedNativeAdWillLeaveApplicationNotification}) {
            postMediatedNativeAdNotification(name, *network);
        }
    });
    pool.join();
    EXPECT_TRUE(events->heard.empty());
    h.scope.runUntilIdle();
    EXPECT_EQ(events->heard, (std::vector<std::string>{"willPresent", "didDismiss"}));
    EXPECT_TRUE(events->allOnMain);

    // Another network's object is not this ad's; a gone ad hears nothing.
    postMediatedNativeAdNotification(kGADMediatedNativeAdWillPresentScreenNotification,
                                     NetworkContentAd());
    h.scope.runUntilIdle();
    EXPECT_EQ(events->heard.size(), 2u);
    heard->received.clear();
    h.formats.made.clear();
    ad.reset();
    postMediatedNativeAdNotification(kGADMediatedNativeAdWillPresentScreenNotification, *network);
    h.scope.runUntilIdle();
    EXPECT_EQ(events->heard.size(), 2u);
}

}  // namespace
}  // namespace ads
