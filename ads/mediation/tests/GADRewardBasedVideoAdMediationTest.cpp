// The rewarded video ad's own waterfall with scripted adapters on the manual clock: set-ups
// kept between loads, time-outs per attempt, the reward the app hears, the ad on screen
// outliving a new load, and the pings as the loopback server records them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "RewardTestSupport.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnector.h"
#include "ads/slot/GADMConfig.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Decimal;
using platform::Value;
using testing::adapterView;
using testing::RewardTest;
using testing::ScriptedRewardAdapter;
using Script = ScriptedRewardAdapter::Script;
using SetUp = ScriptedRewardAdapter::SetUp;
using Answer = ScriptedRewardAdapter::Answer;
using Events = std::vector<std::string>;

Value::Dictionary timeout(int millis, Value::Dictionary settings = {}) {
    settings["ad_network_timeout_millis"] = Value(millis);
    return settings;
}

Value::Dictionary rewards(Value::Array list, Value::Dictionary settings = {}) {
    settings["rewards"] = Value(std::move(list));
    return settings;
}

Value reward(Value type, Value amount) {
    return Value::dictionary({{"rb_type", std::move(type)}, {"rb_amount", std::move(amount)}});
}

long count(const std::vector<std::string>& calls, const std::string& call) {
    return std::count(calls.begin(), calls.end(), call);
}

class GADRewardBasedVideoAdMediationTest : public ::testing::Test, public RewardTest {};

TEST_F(GADRewardBasedVideoAdMediationTest, ASlowSetUpTimesOutAndIsStaleAtTheNextLoad) {
    auto slow = ScriptedRewardAdapter::registerClass({.setUp = SetUp::Silence});
    auto quick = ScriptedRewardAdapter::registerClass({});
    const auto configuration = config({{slow->name()}, {quick->name()}}, timeout(2000));
    load(configuration);
    // The slow network is the one asking, waiting for its set-up; the quick one is set up.
    EXPECT_TRUE(delegate->events.empty());
    scope.advance(2);
    settle();
    EXPECT_EQ(delegate->events, Events{"receive"});
    EXPECT_EQ(slow->record().calls, (Events{"init", "setUp:user-1"}));
    EXPECT_EQ(quick->record().calls, (Events{"init", "setUp:user-1", "request"}));

    // Still not set up a moment after its time ran out: it goes, and a new one is set up.
    scope.advance(0.5);
    load(configuration);
    EXPECT_EQ(slow->record().calls,
              (Events{"init", "setUp:user-1", "stop", "init", "setUp:user-1"}));
    EXPECT_EQ(count(quick->record().calls, "setUp:user-1"), 1);
}

TEST_F(GADRewardBasedVideoAdMediationTest, TwoEntriesShareAConnectorTriedTwiceEachWithItsFullTime) {
    auto network =
        ScriptedRewardAdapter::registerClass({.answer = Answer::NoFill, .answerDelay = 1.5});
    load(config({{network->name(), {{"data", Value::dictionary({{"pubid", Value("first")}})}}},
                 {network->name(), {{"data", Value::dictionary({{"pubid", Value("second")}})}}}},
                timeout(2000)));
    auto connector = peer().connectorFor(network->name());
    ASSERT_TRUE(connector);
    // Configured from the first entry.
    EXPECT_EQ(adapterView(connector).publisherId(), std::optional<std::string>("first"));

    network->setScript({.answer = Answer::Fill, .answerDelay = 1.5});
    scope.advance(1.5);  // no fill: the same connector is asked again
    settle();
    EXPECT_EQ(count(network->record().calls, "request"), 2);
    // The first attempt's time-out fires at 2 s and leaves the second attempt alone.
    scope.advance(0.6);
    EXPECT_TRUE(delegate->events.empty());
    scope.advance(0.9);
    EXPECT_EQ(delegate->events, Events{"receive"});
    EXPECT_EQ(count(network->record().calls, "init"), 1);
}

TEST_F(GADRewardBasedVideoAdMediationTest,
       TheNextLoadReusesTheSetUpWithItsOwnEntryButNotForAnotherUser) {
    auto network = ScriptedRewardAdapter::registerClass({});
    load(config({{network->name(), {{"data", Value::dictionary({{"pubid", Value("one")}})}}}}));
    load(config({{network->name(),
                  {{"data", Value::dictionary({{"pubid", Value("two")},
                                               {"gwhirl_share_location", Value("1")}})}}}}));
    EXPECT_EQ(network->record().calls, (Events{"init", "setUp:user-1", "request", "request"}));
    auto connector = peer().connectorFor(network->name());
    EXPECT_EQ(adapterView(connector).publisherId(), std::optional<std::string>("two"));
    EXPECT_EQ(connector->mediationConfig(), peer().mediationConfig());
    EXPECT_EQ(adapterView(connector).credentials(), (Value::Dictionary{{"pubid", Value("two")}}));
    EXPECT_EQ(delegate->events, (Events{"receive", "receive"}));

    // Rewards must reach the right user: another user's load sets a new adapter up.
    load(config({{network->name()}}), "user-2");
    EXPECT_EQ(network->record().calls, (Events{"init", "setUp:user-1", "request", "request", "stop",
                                               "init", "setUp:user-2", "request"}));
    EXPECT_NE(peer().connectorFor(network->name()), connector);
}

TEST_F(GADRewardBasedVideoAdMediationTest, TheConfigurationsFirstRewardWinsOverTheNetworks) {
    auto network = ScriptedRewardAdapter::registerClass({});
    const auto networkReward = GADAdReward::create("gems", Decimal::fromInteger(3));
    const auto watch = [&](const Value& configuration) {
        load(configuration);
        ad->presentFromRootViewController(nullptr);
        network->record().last()->reward(networkReward);
        network->record().last()->reward(nullptr);
        network->record().last()->close();
    };
    watch(config({{network->name()}},
                 rewards({reward(Value("coins"), Value(10)), reward(Value("x"), Value(1))})));
    // A malformed first description gives the app no reward, whatever follows.
    watch(config({{network->name()}},
                 rewards({reward(Value("coins"), Value("10")), reward(Value("x"), Value(1))})));
    // Without a list the network's own reward is passed on, when it has one.
    watch(config({{network->name()}}));
    EXPECT_EQ(delegate->events,
              (Events{"receive", "reward:coins:10", "reward:coins:10", "close", "receive",
                      "reward:none", "reward:none", "close", "receive", "reward:gems:3", "close"}));
}

TEST_F(GADRewardBasedVideoAdMediationTest, ALateTimeOutOrALateAnswerDoesNothing) {
    auto first = ScriptedRewardAdapter::registerClass({.answer = Answer::Fill, .answerDelay = 1});
    auto second = ScriptedRewardAdapter::registerClass({});
    load(config({{first->name()}, {second->name()}}, timeout(2000)));
    scope.advance(5);
    EXPECT_EQ(delegate->events, Events{"receive"});
    EXPECT_TRUE(ad->isReady());
    EXPECT_EQ(count(second->record().calls, "request"), 0);
    // A network that answers again (or late) is not heard: the load is over.
    first->record().last()->answer(Answer::Fill);
    first->record().last()->answer(Answer::NoFill);
    settle();
    EXPECT_EQ(delegate->events, Events{"receive"});
    EXPECT_TRUE(ad->isReady());
}

TEST_F(GADRewardBasedVideoAdMediationTest, AFailedSetUpLeavesTheListAndIsNeverAsked) {
    // The first network takes its time and finds nothing; the second's set-up fails meanwhile,
    // after the list to try was built.
    auto slow = ScriptedRewardAdapter::registerClass({.answer = Answer::NoFill, .answerDelay = 1});
    auto failing = ScriptedRewardAdapter::registerClass({.setUp = SetUp::Fails, .setUpDelay = 0.5});
    load(config({{slow->name()}, {failing->name()}}));
    scope.advance(1);
    settle();
    EXPECT_EQ(delegate->events, Events{"fail:9:" + std::string(GADRewardBasedVideoAd::kNoAdText)});
    EXPECT_EQ(failing->record().calls, (Events{"init", "setUp:user-1", "stop"}));
    EXPECT_FALSE(peer().connectorFor(failing->name()));

    // Failing as the one asking, or inside the set-up call, hands over to the next network.
    auto quick = ScriptedRewardAdapter::registerClass({});
    auto refusing = ScriptedRewardAdapter::registerClass({.setUp = SetUp::Fails});
    load(config({{failing->name()}, {refusing->name()}, {quick->name()}}));
    scope.advance(0.5);
    settle();
    EXPECT_EQ(delegate->events.back(), "receive");
    EXPECT_EQ(count(failing->record().calls, "request"), 0);
    EXPECT_EQ(refusing->record().calls, (Events{"init", "setUp:user-1", "stop"}));
}

TEST_F(GADRewardBasedVideoAdMediationTest, AFailureInsideTheAdaptersCallIsHandledOnTheNextTurn) {
    auto first = ScriptedRewardAdapter::registerClass({.answer = Answer::Silence});
    auto second = ScriptedRewardAdapter::registerClass({});
    load(config({{first->name()}, {second->name()}}));
    settle();
    first->record().last()->answer(Answer::Error);
    // Not nested in the failing adapter's call.
    EXPECT_EQ(count(second->record().calls, "request"), 0);
    settle();
    EXPECT_EQ(count(second->record().calls, "request"), 1);
    EXPECT_EQ(delegate->events, Events{"receive"});
}

TEST_F(GADRewardBasedVideoAdMediationTest, TheAdOnScreenKeepsItsRewardAndCloseWhileANewLoadRuns) {
    auto network = ScriptedRewardAdapter::registerClass({});
    load(config({{network->name()}}, rewards({reward(Value("coins"), Value(10))})));
    ad->presentFromRootViewController(nullptr);
    auto shown = network->record().last();
    shown->open();
    shown->start();

    // The next load reuses the same connector and waits for its network.
    network->setScript({.answer = Answer::Silence});
    load(config({{network->name()}}, rewards({reward(Value("gems"), Value(5))})));
    EXPECT_TRUE(ad->isLoading());
    shown->click();
    shown->leaveApplication();
    shown->reward(nullptr);
    shown->close();
    EXPECT_EQ(delegate->events,
              (Events{"receive", "open", "start", "leave", "reward:coins:10", "close"}));
    // After the close the connector belongs to the running load alone.
    shown->reward(nullptr);
    shown->answer(Answer::Fill);
    EXPECT_EQ(delegate->events.back(), "receive");
}

class Pings : public GADRewardBasedVideoAdMediationTest {
  protected:
    // What the server saw, by path and "kind", e.g. "/ping:start", "/clk".
    std::map<std::string, int> seen(std::size_t total) {
        platform::testing::runMainLoopUntil([&] {
            return server.requestCount("/ping") + server.requestCount("/clk") +
                       server.requestCount("/imp") + server.requestCount("/nofill") >=
                   total;
        });
        std::map<std::string, int> kinds;
        for (const auto& request : server.requests()) {
            if (request.path == "/ping") ++kinds["/ping:" + request.param("kind")];
            if (request.path == "/clk" || request.path == "/imp" || request.path == "/nofill") {
                ++kinds[request.path];
            }
        }
        return kinds;
    }
};

TEST_F(Pings, DefaultsAtTheConfigurationNoneForEmptyNetworkListsAndPlaceholdersStay) {
    auto network = ScriptedRewardAdapter::registerClass({});
    Value::Dictionary settings{{"imp_urls", Value::array({Value(pingTemplate("imp"))})}};
    load(config({{network->name(),
                  {{"imp_urls", Value::array()},
                   {"video_start_urls", Value::array({Value(pingTemplate("start"))})},
                   {"video_complete_urls", Value::array({Value(pingTemplate("complete"))})}}}},
                settings));
    ad->presentFromRootViewController(nullptr);
    auto shown = network->record().last();
    shown->start();
    shown->click();
    shown->reward(nullptr);
    shown->close();
    // The configuration's impression; the network's empty impression list sends nothing; a
    // click pings the default template twice (no list at either level); start and complete.
    EXPECT_EQ(seen(5),
              (std::map<std::string, int>{
                  {"/ping:imp", 1}, {"/clk", 2}, {"/ping:start", 1}, {"/ping:complete", 1}}));
    const auto start = server.requestsFor("/ping").at(0);
    const auto ping = [&](const std::string& kind) {
        for (const auto& request : server.requestsFor("/ping")) {
            if (request.param("kind") == kind) return request;
        }
        return start;
    };
    const auto started = ping("start");
    EXPECT_EQ(started.param("q"), "q");
    EXPECT_FALSE(started.param("v").empty());
    EXPECT_FALSE(started.param("n").empty());
    EXPECT_EQ(started.param("d"), "");
    EXPECT_EQ(started.param("r"), "0");
    for (const char* kept : {"loc", "net", "alloc", "aec", "adt"}) {
        EXPECT_EQ(started.param(kept), "@gw_" +
                                           std::string(kept == std::string("loc")     ? "adlocid"
                                                       : kept == std::string("net")   ? "adnetid"
                                                       : kept == std::string("alloc") ? "allocid"
                                                                                      : kept) +
                                           "@")
            << kept;
    }

    // No fill anywhere: the default no-fill template.
    network->setScript({.answer = Answer::NoFill});
    load(config({{network->name()}}));
    settle();
    EXPECT_EQ(seen(6)["/nofill"], 1);
    EXPECT_EQ(delegate->events.back(), "fail:9:" + std::string(GADRewardBasedVideoAd::kNoAdText));

    // Nothing named anywhere: both impressions take the default template, and the video's
    // start and completion have none.
    network->setScript({});
    load(config({{network->name()}}));
    ad->presentFromRootViewController(nullptr);
    network->record().last()->start();
    network->record().last()->reward(nullptr);
    // Two default clicks after them, to wait for.
    network->record().last()->click();
    network->record().last()->close();
    const auto all = seen(10);
    EXPECT_EQ(all.at("/imp"), 2);
    EXPECT_EQ(all.at("/clk"), 4);
    EXPECT_EQ(all.count("/ping:start") + all.count("/ping:complete"), 2u);
    EXPECT_EQ(all.at("/ping:start") + all.at("/ping:complete"), 2);
}

}  // namespace
}  // namespace ads
