// The native room's answers to the built-in adapters' native requests, called as the adapters
// call them, with connectors that write down what they are told.

#include <gtest/gtest.h>

#include "ads/foundation/GADLog.h"
#include "ads/mediation/GADMNativeAdapterHooks.h"
#include "ads/native/GADAdLoaderConfiguration.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADCustomEventNativeAd.h"
#include "ads/native/GADMAdNetworkConnectorNativeAd.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/native/tests/NetworkNativeAds.h"
#include "ads/native/tests/SupportPageHarness.h"
#include "ads/slot/GADMConfig.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {
namespace {

using platform::Value;
using testing::ScriptedAdapter;

struct Told {
    std::vector<platform::Error> failures;
    std::vector<std::shared_ptr<void>> ads;
};

template <class Connector>
class Recording : public Connector {
  public:
    using Adapter = GADMAdNetworkConnectorProtocol::Adapter;
    void adapterDidFailAd(Adapter&, const platform::Error& error) override {
        told.failures.push_back(error);
    }
    void adapterDidReceiveMediatedNativeAd(Adapter&, const std::shared_ptr<void>& ad) override {
        told.ads.push_back(ad);
    }
    Told told;
};

using NativeConnector = Recording<GADMAdNetworkConnectorNativeAd>;
using OtherConnector = Recording<GADMAdNetworkConnector>;

// The publisher's native class: it writes down its request and answers when the test says.
class PublisherNativeAd : public GADCustomEventNativeAd {
  public:
    static inline int made = 0;
    static inline std::weak_ptr<PublisherNativeAd> last;

    void requestNativeAdWithParameter(
        const std::optional<std::string>& parameter,
        const std::shared_ptr<const GADCustomEventRequest>&,
        const std::vector<std::string>& adTypes,
        const std::vector<std::shared_ptr<GADAdLoaderOptions>>& options,
        const std::shared_ptr<platform::ui::ViewController>&) override {
        asked = parameter.value_or("(none)") + " types:" + std::to_string(adTypes.size()) +
                " options:" + std::to_string(options.size());
    }
    std::shared_ptr<GADCustomEventNativeAdDelegate> delegate() const override {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<GADCustomEventNativeAdDelegate> delegate) override {
        delegate_ = std::move(delegate);
    }
    std::string asked;

  private:
    std::weak_ptr<GADCustomEventNativeAdDelegate> delegate_;
};

class GADNativeMediationHooksTest : public ::testing::Test {
  protected:
    GADNativeMediationHooksTest() {
        auto& registry = platform::ClassRegistry::shared();
        for (const char* name : {"PublisherNative", "PublisherBannerOnly"}) {
            registry.registerClass<GADCustomEventNativeAd>(
                name, "NSObject", {GADCustomEventNativeAd::kProtocolName}, [] {
                    ++PublisherNativeAd::made;
                    auto made = std::make_shared<PublisherNativeAd>();
                    PublisherNativeAd::last = made;
                    return made;
                });
        }
        registry.addInstanceCalls("PublisherNative", {GADCustomEventNativeAd::kRequestCall});
        PublisherNativeAd::made = 0;
    }
    ~GADNativeMediationHooksTest() override {
        auto& registry = platform::ClassRegistry::shared();
        registry.unregisterClass("PublisherNative");
        registry.unregisterClass("PublisherBannerOnly");
    }

    GADMNativeRequest request(std::shared_ptr<GADMAdNetworkConnectorProtocol> connector) {
        return {
            adapter, std::move(connector), {"1", "2"}, {GADNativeAdImageAdLoaderOptions::create()}};
    }
    static GADMNativeAdapterHooks::CustomEvent event(std::string className) {
        return {std::move(className), "server-parameter", nullptr};
    }

    testing::SupportPageHarness h;
    std::unique_ptr<ScriptedAdapter::Registration> adapterClass =
        ScriptedAdapter::registerClass({});
    std::shared_ptr<ScriptedAdapter> adapter = std::make_shared<ScriptedAdapter>(
        "Adapter", ScriptedAdapter::Script{}, std::make_shared<ScriptedAdapter::Record>());
    std::shared_ptr<NativeConnector> native = std::make_shared<NativeConnector>();
    GADMNativeAdapterHooks& hooks = nativeAdapterHooks();
};

TEST_F(GADNativeMediationHooksTest, ACustomEventIsMadeByNameAndItsAnswersReachTheConnector) {
    ASSERT_TRUE(hooks.customEvent);
    auto handle = hooks.customEvent(request(native), event("PublisherNative"));
    auto publisher = PublisherNativeAd::last.lock();
    ASSERT_TRUE(publisher && handle.object);
    EXPECT_EQ(publisher->asked, "server-parameter types:2 options:1");
    ASSERT_TRUE(publisher->delegate());

    auto network = std::make_shared<testing::NetworkContentAd>();
    publisher->delegate()->customEventNativeAdDidReceiveMediatedNativeAd(*publisher, network);
    ASSERT_EQ(native->told.ads.size(), 1u);
    EXPECT_EQ(std::static_pointer_cast<GADMediatedNativeAdProtocol>(native->told.ads[0]).get(),
              static_cast<GADMediatedNativeAdProtocol*>(network.get()));
    publisher->delegate()->customEventNativeAdDidFailToLoadWithError(
        *publisher, platform::Error::make("publisher", 5, "none today"));
    ASSERT_EQ(native->told.failures.size(), 1u);
    EXPECT_EQ(native->told.failures[0].code, 5);

    // Stopped: the object stays, deaf.
    handle.stopCallbacks();
    EXPECT_FALSE(publisher->delegate());
    EXPECT_EQ(PublisherNativeAd::made, 1);
}

TEST_F(GADNativeMediationHooksTest, ACustomEventThatCannotServeFailsBeforeAnythingIsMade) {
    GADLogFlush();
    platform::LogSink::Capture capture;
    hooks.customEvent(request(native), event("PublisherBannerOnly"));
    hooks.customEvent(request(native), event("Nowhere"));
    hooks.customEvent(request(std::make_shared<OtherConnector>()), event("PublisherNative"));
    GADLogFlush();

    EXPECT_EQ(PublisherNativeAd::made, 0);
    ASSERT_EQ(native->told.failures.size(), 2u);
    for (const auto& failure : native->told.failures) {
        EXPECT_EQ(failure.domain, "ad_mediation");
        EXPECT_EQ(failure.code, 1);
    }
    const std::string notImplemented =
        "Custom event class PublisherBannerOnly doesn't implement method "
        "requestNativeAdWithParameter:request:adTypes:options:rootViewController:.";
    EXPECT_EQ(native->told.failures[0].localizedDescription(), notImplemented);
    EXPECT_EQ(native->told.failures[1].localizedDescription(),
              "Cannot find Custom Event class named Nowhere.");
    EXPECT_TRUE(capture.contains(notImplemented));
    EXPECT_TRUE(capture.contains("Cannot find Custom Event class named Nowhere."));
    // The connector that takes no native ads hears it, unlogged.
    EXPECT_FALSE(capture.contains("isn't a valid connector"));
}

TEST_F(GADNativeMediationHooksTest, TheOwnNetworkNeedsTheNativeConnector) {
    ASSERT_TRUE(hooks.ownNetwork);
    auto other = std::make_shared<OtherConnector>();
    EXPECT_FALSE(hooks.ownNetwork(request(other)).object);
    ASSERT_EQ(other->told.failures.size(), 1u);
    EXPECT_EQ(other->told.failures[0].domain, "com.zivivu.ads");
    EXPECT_EQ(other->told.failures[0].code, 11);
    EXPECT_EQ(other->told.failures[0].localizedDescription(),
              "Connector used GADMAdNetworkConnectorNativeAd isn't a valid connector for "
              "requesting native ad");
}

// The SDK's own network with the real formats: the entry's "ad" is the loader's answer, a
// native answer whose support page never answers, so preprocessing gives up (code 13).
class GADNativeMediationOwnNetworkTest : public ::testing::Test {
  protected:
    GADNativeMediationOwnNetworkTest() { configure(*native, adapterClass->name()); }
    // The connector of a network of this adapter class, whose entry's "ad" is a native answer
    // the support page never answers.
    static void configure(GADMAdNetworkConnector& connector, const std::string& adapterName) {
        const Value entry = Value::dictionary(
            {{"id", Value("1")},
             {"adapters", Value::array({Value(adapterName)})},
             {"data", Value::dictionary({{"pubid", Value("unit")}})},
             {"ad", Value::dictionary(
                        {{"ad_html", Value("{}")}, {"ad_base_url", Value("https://ads.test/")}})}});
        std::optional<GADRequestError> error;
        auto config =
            GADMConfig::create("unit",
                               Value::dictionary({{"ad_type", Value("banner")},
                                                  {"ad_networks", Value::array({entry})}}),
                               error);
        connector.initWithConfig(config, config->adNetworkConfigs().at(0));
    }
    GADMNativeRequest request() { return {adapter, native, {"1", "2"}, {}}; }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    testing::AdServerFixture server;
    std::unique_ptr<ScriptedAdapter::Registration> adapterClass =
        ScriptedAdapter::registerClass({});
    std::shared_ptr<ScriptedAdapter> adapter =
        std::make_shared<ScriptedAdapter>(adapterClass->name(), ScriptedAdapter::Script{},
                                          std::make_shared<ScriptedAdapter::Record>());
    std::shared_ptr<NativeConnector> native = std::make_shared<NativeConnector>();
};

TEST_F(GADNativeMediationOwnNetworkTest, TheConnectorAsksOnlyAdaptersWithTheNativeCall) {
    // The scripted class lists no native call: code 11 through the connector's own failure.
    ASSERT_TRUE(native->setUpAdapter());
    native->getAdFromAdapterWithType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner));
    ASSERT_EQ(native->told.failures.size(), 1u);
    EXPECT_EQ(native->told.failures[0].code, 11);
    EXPECT_EQ(native->told.failures[0].localizedDescription(),
              adapterClass->name() + " adapter doesn't implement protocol for fetching native ad.");

    // One that does gets the loader's ad types and option objects.
    ScriptedAdapter::Script answering;
    answering.answer = ScriptedAdapter::Answer::Silence;
    answering.answersNativeAd = true;
    auto nativeClass = ScriptedAdapter::registerClass(answering);
    auto connector = std::make_shared<NativeConnector>();
    configure(*connector, nativeClass->name());
    connector->setAdLoaderConfiguration(std::const_pointer_cast<GADAdLoaderConfiguration>(
        GADAdLoaderConfiguration::create({"2", "1"}, {GADNativeAdImageAdLoaderOptions::create()})));
    ASSERT_TRUE(connector->setUpAdapter());
    connector->getAdFromAdapterWithType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner));
    EXPECT_EQ(nativeClass->record().calls.back(), "getNativeAdWithAdTypes:1,2 options:1");
    EXPECT_TRUE(connector->told.failures.empty());
}

TEST_F(GADNativeMediationOwnNetworkTest, ItsLoadersFailureReachesTheConnectorUnlessStopped) {
    auto handle = nativeAdapterHooks().ownNetwork(request());
    ASSERT_TRUE(handle.object);
    auto stopped = nativeAdapterHooks().ownNetwork(request());
    stopped.stopCallbacks();
    scope.runUntilIdle();
    scope.advance(kGADAdPreprocessorDeadlineSeconds + 1);
    scope.runUntilIdle();
    // One failure: the stopped loader's went nowhere.
    ASSERT_EQ(native->told.failures.size(), 1u);
    EXPECT_EQ(native->told.failures[0].code, kGADErrorReceivedInvalidResponse);
    EXPECT_TRUE(native->told.ads.empty());
}

}  // namespace
}  // namespace ads
