// A rewarded video connector on its own: its set-up refusals, what it tells its adapter, and
// the request an adapter builds from it.

#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnector.h"

#include <gtest/gtest.h>

#include "RewardTestSupport.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADRequestMediationAdditions.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "platform/base/LogSink.h"

namespace ads {
namespace {

using platform::Value;
using testing::adapterView;
using testing::ScriptedAdapter;
using testing::ScriptedRewardAdapter;

class Heard : public GADMRewardBasedVideoAdConnectorDelegate {
  public:
    void connectorDidSetUpRewardBasedVideoAd(Connector&) override { events.push_back("setUp"); }
    void connectorDidFailToSetUpRewardBasedVideoAdWithError(Connector&,
                                                            const platform::Error& e) override {
        events.push_back("setUpFailed:" + std::to_string(e.code) + ":" + e.localizedDescription());
    }
    void connectorDidReceiveRewardBasedVideoAd(Connector&) override { events.push_back("ad"); }
    void connectorDidFailToReceiveRewardBasedVideoAdWithError(Connector&,
                                                              const platform::Error&) override {
        events.push_back("noAd");
    }
    void connectorDidReceiveClick(Connector&) override { events.push_back("click"); }
    void connectorDidRewardUserWithReward(Connector&,
                                          const std::shared_ptr<const GADAdReward>&) override {
        events.push_back("reward");
    }
    std::vector<std::string> events;
};

std::shared_ptr<const GADMAdNetworkConfig> entry(const std::string& adapter,
                                                 Value::Dictionary more = {}) {
    more["id"] = Value("1");
    if (!adapter.empty()) more["adapters"] = Value::array({Value(adapter)});
    return GADMAdNetworkConfig::parse(Value(std::move(more))).config;
}

class GADMRewardBasedVideoAdNetworkConnectorTest : public ::testing::Test,
                                                   public testing::RewardTest {
  protected:
    std::shared_ptr<GADMRewardBasedVideoAdNetworkConnector> connector(
        std::shared_ptr<const GADMAdNetworkConfig> network) {
        auto made = GADMRewardBasedVideoAdNetworkConnector::create();
        made->setAdNetworkConfig(std::move(network));
        made->setDelegate(heard);
        return made;
    }
    std::shared_ptr<Heard> heard = std::make_shared<Heard>();
};

TEST_F(GADMRewardBasedVideoAdNetworkConnectorTest, ASetUpNeedsAnEntryAndARewardedVideoAdapter) {
    auto banner = ScriptedAdapter::registerClass({});
    auto rewarded = ScriptedRewardAdapter::registerClass({});
    connector(nullptr)->setUpAdapterWithUserID("u");
    connector(entry(""))->setUpAdapterWithUserID("u");
    // A banner adapter is an adapter class, but not of this kind.
    connector(entry(banner->name()))->setUpAdapterWithUserID("u");
    EXPECT_EQ(heard->events,
              (std::vector<std::string>{"setUpFailed:7:No network config to initialize adapter.",
                                        "setUpFailed:8:Adapter class is empty.",
                                        "setUpFailed:8:Adapter class doesn't conform to protocol "
                                        "GADMRewardBasedVideoAdNetworkAdapter."}));
    EXPECT_TRUE(banner->record().calls.empty());

    auto good = connector(entry(rewarded->name()));
    good->setUpAdapterWithUserID("u");
    EXPECT_EQ(heard->events.back(), "setUp");
    EXPECT_EQ(good->userID(), std::optional<std::string>("u"));
    // It stands for one class: an entry of another is not taken.
    good->setAdNetworkConfig(entry(banner->name()));
    EXPECT_EQ(good->adapterClassName(), rewarded->name());

    // Every report reaches the delegate; the screen events need an ad being presented.
    auto adapter = rewarded->record().last();
    adapter->answer(ScriptedRewardAdapter::Answer::Fill);
    adapter->answer(ScriptedRewardAdapter::Answer::NoFill);
    adapter->click();
    adapter->reward(nullptr);
    adapter->open();
    adapter->close();
    EXPECT_EQ(std::vector<std::string>(heard->events.end() - 4, heard->events.end()),
              (std::vector<std::string>{"ad", "noAd", "click", "reward"}));
    good.reset();
    EXPECT_EQ(rewarded->record().calls.back(), "stop");
}

TEST_F(GADMRewardBasedVideoAdNetworkConnectorTest, TheAdapterReadsTheLoadsRequestAndEntry) {
    auto rewarded = ScriptedRewardAdapter::registerClass({.networkExtrasClass = "GADExtras"});
    auto plain = ScriptedRewardAdapter::registerClass({});
    auto made = connector(
        entry(rewarded->name(), {{"data", Value::dictionary({{"pubid", Value(7)},
                                                             {"gwhirl_share_location", Value("1")},
                                                             {"mad_hac", Value("hac")}})},
                                 {"extras", Value::dictionary({{"entry", Value("x")}})},
                                 {"ad", Value::dictionary({{"ad_html", Value("x")}})}}));
    EXPECT_FALSE(adapterView(made).testMode());
    EXPECT_FALSE(adapterView(made).userHasLocation());

    auto request = GADRequest::request();
    request->setTestDevices(
        Value::Array{Value("Simulator"), Value(GADDevice::sharedInstance()->deviceIdentifier())});
    request->tagForChildDirectedTreatment(true);
    request->setRequestAgent(std::string("agent"));
    // No precision test here: a latitude of 0 is a location.
    request->setLocationWithLatitude(0.0, 11.5, 30);
    request->registerAdNetworkExtras(
        GADExtras::create(Value::Dictionary{{"_mediationRequestUrl", Value("https://a.test/")}}));
    made->setRequest(request);
    EXPECT_EQ(adapterView(made).publisherId(), std::optional<std::string>("7"));
    EXPECT_EQ(adapterView(made).credentials().count("gwhirl_share_location"), 0u);
    EXPECT_EQ(adapterView(made).testMode(), request->isATestDevice());
    EXPECT_TRUE(adapterView(made).userHasLocation());
    EXPECT_EQ(adapterView(made).userLongitude(), 11.5);
    EXPECT_EQ(adapterView(made).userLocationAccuracyInMeters(), 30.0);
    ASSERT_TRUE(adapterView(made).networkExtras());

    made->setUpAdapterWithUserID("u");
    const auto built =
        GADRequestMediationAdditions::requestWithConnector(*made, *rewarded->record().last());
    EXPECT_EQ(built->childDirectedTreatment(), true);
    EXPECT_EQ(built->isATestDevice(), request->isATestDevice());
    // Neither the request agent nor the entry's extras or ready ad: those are the ad networks'.
    EXPECT_EQ(built->requestAgent(), std::nullopt);
    const auto extras = built->adNetworkExtrasFor<GADExtras>()->additionalParameters().value();
    EXPECT_EQ(extras.at("gw"), Value("1"));
    EXPECT_EQ(extras.at("mad_hac"), Value("hac"));
    EXPECT_EQ(extras.at("_requestUrl"), Value("https://a.test/"));
    EXPECT_EQ(extras.count("entry"), 0u);
    EXPECT_EQ(extras.count("_ad"), 0u);
    EXPECT_EQ(built->privateMediationExtras(),
              (Value::Dictionary{{"man", Value::array({Value(rewarded->name())})},
                                 {"mcan", Value(rewarded->name())}}));

    // A class without an extras class gets none, with a note for the developer.
    platform::LogSink::Capture log;
    auto other = connector(entry(plain->name()));
    other->setRequest(request);
    EXPECT_FALSE(adapterView(other).networkExtras());
    GADLogFlush();
    EXPECT_TRUE(log.contains("Adapter class " + plain->name() +
                             " does not respond to networkExtrasClass. Unable to retrieve network "
                             "extras."));
}

}  // namespace
}  // namespace ads
