#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/slot/tests/GADSlotTestPeer.h"

#include <gtest/gtest.h>

#include <set>

#include "MediationTestSupport.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADMAdManager.h"
#include "ads/mediation/GADMAdNetworkConnectorBanner.h"
#include "ads/mediation/GADMAdNetworkConnectorInterstitial.h"
#include "ads/mediation/GADMediatedAd.h"
#include "ads/mediation/GADRequestMediationAdditions.h"
#include "platform/base/LogSink.h"

namespace ads {
namespace {

using platform::Value;
using testing::MediationTest;
using testing::Network;
using testing::ScriptedAdapter;
using Answer = ScriptedAdapter::Answer;
using Script = ScriptedAdapter::Script;
using Kind = tools::adserver::RequestKind;

// Another network's extras class, which the SDK's own adapters do not read.
class OtherExtras : public GADAdNetworkExtras {
  public:
    std::string extrasClassName() const override { return "OtherExtras"; }
};

// The connector as its adapter reads it.
const GADMAdNetworkConnectorProtocol& adapterView(
    const std::shared_ptr<GADMAdNetworkConnector>& connector) {
    return *connector;
}

class GADMAdNetworkConnectorTest : public ::testing::Test, public MediationTest {
  protected:
    // A banner network that fills, loaded with the request; its connector.
    std::shared_ptr<GADMAdNetworkConnector> shown(const std::shared_ptr<GADRequest>& request,
                                                  Value::Dictionary entry = {},
                                                  Script script = {}) {
        registration = ScriptedAdapter::registerClass(script);
        load(config({{{registration->name()}, std::move(entry)}}), request);
        auto manager =
            std::dynamic_pointer_cast<GADMAdManager>(GADSlotTestPeer(slot).mediationManager());
        return manager ? manager->receivedConnector() : nullptr;
    }
    std::unique_ptr<ScriptedAdapter::Registration> registration;
};

TEST_F(GADMAdNetworkConnectorTest, LocationOnlyWhenSharedAndPrecise) {
    struct Case {
        std::optional<const char*> share;
        double latitude;
        bool hasLocation;
        bool description;
    };
    for (const Case& c : {Case{"1", 48.1, true, true}, Case{"0", 48.1, false, false},
                          Case{std::nullopt, 48.1, false, false}, Case{"1", 0.0, false, true}}) {
        SCOPED_TRACE(c.latitude);
        auto request = GADRequest::request();
        request->setLocationWithLatitude(c.latitude, 11.5, 30);
        ASSERT_TRUE(request->location());
        Value::Dictionary data{{"pubid", Value("pub")}};
        if (c.share) data["gwhirl_share_location"] = Value(*c.share);
        auto connector = shown(request, {{"data", Value(data)}});
        ASSERT_TRUE(connector);
        EXPECT_EQ(adapterView(connector).userHasLocation(), c.hasLocation);
        EXPECT_EQ(adapterView(connector).userLatitude(), c.hasLocation ? c.latitude : 0.0);
        EXPECT_EQ(adapterView(connector).userLongitude(), c.hasLocation ? 11.5 : 0.0);
        EXPECT_EQ(adapterView(connector).userLocationAccuracyInMeters(),
                  c.hasLocation ? 30.0 : 0.0);
        EXPECT_EQ(adapterView(connector).userLocationDescription().has_value(), c.description);
        EXPECT_EQ(adapterView(connector).credentials().count("gwhirl_share_location"), 0u);
        EXPECT_EQ(adapterView(connector).publisherId(), "pub");
    }
    // Let go by its manager, a connector has no publisher request.
    auto request = GADRequest::request();
    request->setGender(kGADGenderFemale);
    request->setKeywords(std::vector<std::string>{"k"});
    auto connector =
        shown(request, {{"data", Value::dictionary({{"gwhirl_share_location", Value("1")}})}});
    EXPECT_EQ(adapterView(connector).userGender(), kGADGenderFemale);
    EXPECT_EQ(adapterView(connector).userKeywords(), std::vector<std::string>{"k"});
    GADSlotTestPeer(slot).cancelLoad();
    EXPECT_FALSE(connector->adManager());
    EXPECT_EQ(adapterView(connector).userGender(), kGADGenderUnknown);
    EXPECT_EQ(adapterView(connector).userKeywords(), std::nullopt);
    EXPECT_FALSE(adapterView(connector).testMode());
    EXPECT_EQ(adapterView(connector).userLocationDescription(), std::nullopt);
}

TEST_F(GADMAdNetworkConnectorTest, TheRequestBuiltForAnAdapterCopiesTheNetworkExtras) {
    auto request = GADRequest::request();
    request->setTestDevices(Value::Array{Value("Simulator")});
    request->tagForChildDirectedTreatment(true);
    request->setRequestAgent(std::string("agent"));
    auto publisherExtras = GADExtras::create(Value::Dictionary{
        {"_mediationRequestUrl", Value("https://ads.test/ad")}, {"mine", Value("1")}});
    request->registerAdNetworkExtras(publisherExtras);
    Script script;
    script.networkExtrasClass = "GADExtras";
    auto connector = shown(request,
                           {{"data", Value::dictionary({{"mad_hac", Value("hac")}})},
                            {"extras", Value::dictionary({{"s", Value("v")}, {"n", Value(2)}})},
                            {"ad", Value::dictionary({{"ad_html", Value("x")}})}},
                           script);
    ASSERT_TRUE(connector);
    auto adapter = registration->record().last();
    const auto built = GADRequestMediationAdditions::requestWithConnector(*connector, *adapter);
    EXPECT_EQ(built->childDirectedTreatment(), true);
    EXPECT_EQ(built->requestAgent(), "agent");
    if (adapterView(connector).testMode()) {
        ASSERT_TRUE(built->testDevices());
        EXPECT_EQ(built->testDevices()->size(), 3u);
    }
    const auto extras = built->adNetworkExtrasFor<GADExtras>();
    ASSERT_TRUE(extras);
    const auto& parameters = *extras->additionalParameters();
    EXPECT_EQ(parameters.at("_requestUrl").stringRef(), "https://ads.test/ad");
    EXPECT_EQ(parameters.at("mine").stringRef(), "1");
    EXPECT_EQ(parameters.at("mad_hac").stringRef(), "hac");
    EXPECT_EQ(parameters.at("gw").stringRef(), "1");
    EXPECT_EQ(parameters.at("s").stringRef(), "v");
    EXPECT_EQ(parameters.count("n"), 0u);
    EXPECT_TRUE(parameters.at("_ad").isDictionary());
    // The publisher's own extras never gain what the network's request adds.
    EXPECT_EQ(publisherExtras->additionalParameters()->count("gw"), 0u);
    EXPECT_EQ(publisherExtras->additionalParameters()->count("_ad"), 0u);
    const auto& mediation = *built->privateMediationExtras();
    EXPECT_EQ(mediation.at("mcan").stringRef(), registration->name());
    EXPECT_EQ(mediation.at("man").description(),
              Value(Value::Array{Value(Value::Array{Value(registration->name())})}).description());
    EXPECT_EQ(GADRequestMediationAdditions::requestWithConnector(*connector, *adapter)
                  ->privateMediationExtras()
                  ->at("man")
                  .asArray()
                  .size(),
              1u);

    // Extras of another class give no parameters: a fresh GADExtras carries the network's.
    auto other = GADRequest::request();
    other->registerAdNetworkExtras(std::make_shared<OtherExtras>());
    Script otherScript;
    otherScript.networkExtrasClass = "OtherExtras";
    connector = shown(other, {}, otherScript);
    const auto fresh = GADRequestMediationAdditions::requestWithConnector(
        *connector, *registration->record().last());
    const auto freshExtras = fresh->adNetworkExtrasFor<GADExtras>();
    ASSERT_TRUE(freshExtras);
    EXPECT_EQ(freshExtras->additionalParameters()->size(), 1u);  // "gw"

    // An adapter class that names no extras class is told so in the log.
    platform::LogSink::Capture logs;
    connector = shown(other);
    EXPECT_EQ(adapterView(connector).networkExtras(), nullptr);
    GADLogFlush();
    EXPECT_TRUE(logs.contains("Adapter class " + registration->name() +
                              " does not respond to networkExtrasClass. Unable to retrieve "
                              "network extras."));
    // Without a connector or an adapter the steps do nothing.
    auto bare = GADRequest::request();
    GADRequestMediationAdditions::configureNetworkExtrasWithConnector(*bare, nullptr, nullptr);
    GADRequestMediationAdditions::addAdapterListWithConnector(*bare, connector.get(), nullptr);
    EXPECT_EQ(bare->adNetworkExtrasFor<GADExtras>(), nullptr);
    EXPECT_EQ(bare->privateMediationExtras(), std::nullopt);
}

TEST_F(GADMAdNetworkConnectorTest, OneClickPingPerAdAndAnImpressionPingEachTime) {
    auto connector = shown(GADRequest::request());
    ASSERT_TRUE(connector);
    ASSERT_EQ(pings(1).size(), 1u);  // the impression
    auto adapter = registration->record().last();
    adapter->click();
    adapter->click();
    adapter->leaveApplication();
    EXPECT_EQ(owner->events, (std::vector<std::string>{"loaded", "leave"}));
    server.waitOnMainLoop(Kind::MediationPing, 2);
    scope.runUntilIdle();
    auto all = pings(2);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].path, "/clk");
    EXPECT_EQ(all[1].param("ad_network_id"), "1");
    // A new ad from the network allows another click; every impression pings.
    adapter->answer(Answer::View);
    adapter->click();
    all = pings(4);
    ASSERT_EQ(all.size(), 4u);
    // The two go out together, so they may arrive in either order.
    std::multiset<std::string> latest;
    for (std::size_t i = 2; i < all.size(); ++i) {
        latest.insert(all[i].path + " nr=" + all[i].param("nr"));
    }
    EXPECT_EQ(latest, (std::multiset<std::string>{"/clk nr=1", "/imp nr=1"}));
    // Full-screen events of a banner network reach the slot; opening one counts as the click.
    adapter->presentFullScreenModal();
    adapter->dismissFullScreenModal();
    EXPECT_EQ(owner->events, (std::vector<std::string>{"loaded", "leave", "loaded", "willPresent",
                                                       "willDismiss", "didDismiss"}));
}

TEST_F(GADMAdNetworkConnectorTest, AskingForAnAdOfTheWrongKindFailsWithoutTheAdapter) {
    auto connector = shown(GADRequest::request());
    ASSERT_TRUE(connector);
    registration->record().calls.clear();
    connector->getAdFromAdapterWithType(GADAdType::bannerAdTypeForSize(kGADAdSizeInvalid));
    connector->getAdFromAdapterWithType(GADAdType::interstitialAdType());
    EXPECT_TRUE(registration->record().calls.empty());
    // A banner network that already answered: its failures are its refresh, code 3 each.
    EXPECT_EQ(owner->events, (std::vector<std::string>{"loaded", "fail:3", "fail:3"}));
    EXPECT_EQ(owner->errors, (std::vector<std::string>{"Banner adType requested is invalid.",
                                                       "Connector GADMAdNetworkConnectorBanner "
                                                       "doesn't support interstitial"}));

    auto interstitial = std::make_shared<GADMAdNetworkConnectorInterstitial>();
    interstitial->getAdFromAdapterWithType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner));
    auto base = std::make_shared<GADMAdNetworkConnector>();
    base->getAdFromAdapterWithType(GADAdType::interstitialAdType());
    EXPECT_FALSE(base->setUpAdapter());  // nothing to make before its configurations
    EXPECT_EQ(base->adapterVersion(), "adapter: (null), version: unknown");
}

TEST_F(GADMAdNetworkConnectorTest, AdapterVersionsFromTheClassOrTheInstance) {
    Script versioned;
    versioned.version = "2.1";
    auto connector = shown(GADRequest::request(), {}, versioned);
    EXPECT_EQ(connector->adapterVersion(),
              "adapter: " + registration->name() + ", version: 2.1-class");
    connector = shown(GADRequest::request());
    EXPECT_EQ(connector->adapterVersion(),
              "adapter: " + registration->name() + ", version: unknown");
}

TEST(GADMediatedAdTest, HandlersRunInOrderEachTime) {
    GADMediatedAd ad("Net", nullptr);
    std::vector<int> ran;
    ad.addClickHandler([&] { ran.push_back(1); });
    ad.addClickHandler([&] { ran.push_back(2); });
    ad.addImpressionHandler([&] { ran.push_back(3); });
    ad.addClickHandler(nullptr);
    ad.reportClick();
    ad.reportImpression();
    ad.reportImpression();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 3}));
    EXPECT_EQ(ad.adNetworkClassName(), "Net");
}

}  // namespace
}  // namespace ads
