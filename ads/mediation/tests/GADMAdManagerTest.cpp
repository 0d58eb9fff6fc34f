#include "ads/mediation/GADMAdManager.h"
#include "ads/slot/tests/GADSlotTestPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "MediationTestSupport.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSlotStatistics.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMAdURLAdapter.h"
#include "ads/mediation/GADMAdapterZivivuDuRezAds.h"
#include "ads/mediation/GADMediatedAd.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/GADMConfig.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestGate.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using platform::Value;
using testing::MediationTest;
using testing::Network;
using testing::ScriptedAdapter;
using Answer = ScriptedAdapter::Answer;
using Script = ScriptedAdapter::Script;
using Kind = tools::adserver::RequestKind;

class GADMAdManagerTest : public ::testing::Test, public MediationTest {
  protected:
    std::shared_ptr<GADMAdManager> manager() const {
        return std::dynamic_pointer_cast<GADMAdManager>(GADSlotTestPeer(slot).mediationManager());
    }
    static Script after(double seconds, Answer answer) {
        Script script;
        script.answer = answer;
        script.delay = seconds;
        return script;
    }
    static Script silent() { return after(0, Answer::Silence); }
    static Script at(Answer answer) {
        Script script;
        script.answer = answer;
        return script;
    }
    // The impression, click or no-fill pings of the default templates, by path.
    std::vector<tools::adserver::LoggedRequest> pingsAt(const std::string& path) {
        std::vector<tools::adserver::LoggedRequest> found;
        for (const auto& ping : server.log().of(Kind::MediationPing)) {
            if (ping.path == path) found.push_back(ping);
        }
        return found;
    }
};

TEST_F(GADMAdManagerTest, NoAdapterClassesGiveFoursANoFillPingAndCode9) {
    load(config({{{"Missing"}}, {{"AlsoMissing"}}}));
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:9"});
    EXPECT_EQ(owner->errors[0], "Request Error: No ad to show from all configured ad networks.");
    const auto ping = pings(1).at(0);
    EXPECT_EQ(ping.path, "/nofill");
    EXPECT_EQ(ping.param("aec"), "4,4");
    EXPECT_EQ(ping.param("ad_loc"), "unit");
    EXPECT_EQ(ping.param("qdata"), "q");
    EXPECT_EQ(slot->state(), GADSlotState::InvalidAd);
    EXPECT_EQ(mediatedSlotOf(*slot).slotStats()->adapterExitCodesParameter(), std::nullopt);
}

TEST_F(GADMAdManagerTest, ASilentNetworkTimesOutAndTheNextOneFills) {
    auto quiet = ScriptedAdapter::registerClass(silent());
    auto filling = ScriptedAdapter::registerClass(after(0.04, Answer::View));
    load(config({{{quiet->name()}}, {{filling->name()}}}));
    EXPECT_EQ(quiet->record().calls,
              (std::vector<std::string>{"init", "getBannerWithSize:320x50"}));
    EXPECT_TRUE(manager()->requestInProgress());
    scope.advance(9.9);
    EXPECT_TRUE(filling->record().calls.empty());
    scope.advance(0.1);
    EXPECT_EQ(quiet->record().calls.back(), "stopBeingDelegate");
    EXPECT_EQ(filling->record().calls.size(), 2u);
    EXPECT_TRUE(owner->events.empty());
    scope.advance(0.04);
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    ASSERT_EQ(owner->views.size(), 1u);
    EXPECT_EQ(owner->views[0], filling->record().last()->view());
    EXPECT_EQ(slot->state(), GADSlotState::ValidAd);
    EXPECT_TRUE(slot->isMediating());
    EXPECT_EQ(slot->adNetworkClassName(), filling->name());
    const auto ping = pings(1).at(0);
    EXPECT_EQ(ping.path, "/imp");
    EXPECT_EQ(ping.param("aec"), "3,0");
    EXPECT_EQ(ping.param("adt"), "10000,40");
    EXPECT_EQ(ping.param("ad_network_id"), "2");
    EXPECT_EQ(ping.param("nr"), "0");
}

TEST_F(GADMAdManagerTest, LateAndStaleAnswersAreIgnored) {
    // The first network answers after its time-out (its library ignores being stopped); the
    // second says nothing, so its own time-out must still run out in full.
    Script late = after(12, Answer::NoFill);
    late.misbehaves = true;
    auto first = ScriptedAdapter::registerClass(late);
    auto second = ScriptedAdapter::registerClass(silent());
    auto third = ScriptedAdapter::registerClass(at(Answer::View));
    load(config({{{first->name()}}, {{second->name()}}, {{third->name()}}}));
    scope.advance(10);
    EXPECT_TRUE(first->record().last()->stopped());
    EXPECT_EQ(second->record().calls.size(), 2u);
    scope.advance(2);  // the late no-fill arrives while the second network is asked
    scope.runUntilIdle();
    EXPECT_TRUE(third->record().calls.empty());
    EXPECT_TRUE(manager()->requestInProgress());
    scope.advance(7.9);
    EXPECT_TRUE(third->record().calls.empty());
    scope.advance(0.1);
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    EXPECT_EQ(pings(1).at(0).param("aec"), "3,3,0");
}

TEST_F(GADMAdManagerTest, NoFillAndErrorsMoveOnOneTurnLater) {
    auto empty = ScriptedAdapter::registerClass(at(Answer::NoFill));
    auto broken = ScriptedAdapter::registerClass(at(Answer::Error));
    auto interstitialOnly = ScriptedAdapter::registerClass(at(Answer::Interstitial));
    load(config({{{empty->name()}}, {{broken->name()}}, {{interstitialOnly->name()}}}));
    // Failing inside its request call, a network does not ask the next one from there.
    EXPECT_EQ(empty->record().calls,
              (std::vector<std::string>{"init", "getBannerWithSize:320x50", "stopBeingDelegate"}));
    EXPECT_TRUE(broken->record().calls.empty());
    scope.runUntilIdle();
    EXPECT_EQ(broken->record().calls.size(), 3u);
    // A banner connector ignores an interstitial; that network then times out.
    scope.advance(10);
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:9"});
    EXPECT_EQ(pings(1).at(0).param("aec"), "1,2,3");
}

TEST_F(GADMAdManagerTest, ManyNetworksFailingAtOnceDoNotNest) {
    auto empty = ScriptedAdapter::registerClass(at(Answer::NoFill));
    std::vector<Network> networks(60, Network{{empty->name()}});
    load(config(networks));
    scope.runUntilIdle();
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:9"});
    EXPECT_EQ(empty->record().instances.size(), 60u);
}

TEST_F(GADMAdManagerTest, AnAnswerOfThousandsOfNetworksAsksAHundred) {
    auto empty = ScriptedAdapter::registerClass(at(Answer::NoFill));
    load(config(std::vector<Network>(5000, Network{{empty->name()}})));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !owner->events.empty(); }));
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:9"});
    EXPECT_EQ(empty->record().instances.size(), GADMConfig::kMaxAdNetworks);
    const auto codes = pings(1).at(0).param("aec");
    EXPECT_EQ(std::count(codes.begin(), codes.end(), '1'), 100);
}

TEST_F(GADMAdManagerTest, APassSavesItsStatisticsOnceAndNeverWaitsForTheSave) {
    auto empty = ScriptedAdapter::registerClass(at(Answer::NoFill));
    auto filling = ScriptedAdapter::registerClass(at(Answer::View));
    auto& stats = *mediatedSlotOf(*slot).slotStats();
    // The queue that writes the statistics is held for the whole pass: were the main thread
    // to wait for it anywhere, the pass could not end.
    platform::testing::TestGate gate;
    stats.savingQueue().async([&] { gate.wait(); });
    ASSERT_TRUE(gate.waitForArrivals(1));
    bool abandoned = false;
    std::mutex mutex;
    std::condition_variable ended;
    bool passOver = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, std::chrono::seconds(60), [&] { return passOver; })) {
            abandoned = true;
            gate.abandon();
        }
    });
    const auto before = stats.savesQueued();
    load(config(std::vector<Network>(50, Network{{empty->name()}})));
    const bool over = platform::testing::runMainLoopUntil([&] { return !owner->events.empty(); });
    {
        std::lock_guard lock(mutex);
        passOver = true;
    }
    ended.notify_one();
    watchdog.join();
    ASSERT_TRUE(over);
    EXPECT_FALSE(abandoned);
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:9"});
    EXPECT_EQ(pings(1).at(0).param("aec").size(), 99u);
    // The lists and the timing, once each, after the no-fill ping.
    EXPECT_EQ(stats.savesQueued() - before, 2u);
    gate.release();

    // A pass that ends with an ad saves once, after its impression ping.
    load(config({{{empty->name()}}, {{filling->name()}}}));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return owner->events.size() == 2; }));
    EXPECT_EQ(owner->events.back(), "loaded");
    EXPECT_EQ(stats.savesQueued() - before, 4u);
    stats.waitForSaves();
    EXPECT_EQ(platform::UserDefaults::standard().objectForKey("zivivu_stats_unit"),
              Value::dictionary());
}

TEST_F(GADMAdManagerTest, OurOwnAdsAreNotAskedAgainDeepInTheirOwnWaterfalls) {
    auto filling = ScriptedAdapter::registerClass(at(Answer::View));
    const std::vector<Network> networks{
        {{kGADOwnAdapterClassName}}, {{GADMAdURLAdapter::kClassName}}, {{filling->name()}}};
    auto deep = GADRequest::request();
    deep->setMediationDepth(GADMAdManager::kMaxOwnNetworkDepth);
    load(config(networks), deep);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !owner->events.empty(); }));
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    EXPECT_EQ(pings(1).at(0).param("aec"), "2,2,0");

    // One waterfall less deep, our own network is asked, and its banner's request lies one
    // deeper than the slot's.
    owner->root = platform::ui::ViewController::create();
    auto shallower = GADRequest::request();
    shallower->setMediationDepth(GADMAdManager::kMaxOwnNetworkDepth - 1);
    load(config(networks), shallower);
    auto connector = manager()->requestingConnector();
    ASSERT_TRUE(connector);
    EXPECT_EQ(connector->adapterClassName(), kGADOwnAdapterClassName);
    auto own = std::dynamic_pointer_cast<GADMAdapterZivivuDuRezAds>(connector->adapter());
    ASSERT_TRUE(own && own->bannerView());
    EXPECT_EQ(own->request()->mediationDepth(), GADMAdManager::kMaxOwnNetworkDepth);
    EXPECT_EQ(own->bannerView()->slot()->adSlot()->request()->mediationDepth(),
              GADMAdManager::kMaxOwnNetworkDepth);
}

TEST_F(GADMAdManagerTest, ASecondPassWhileOneRunsKeepsItsQueue) {
    auto quiet = ScriptedAdapter::registerClass(silent());
    auto filling = ScriptedAdapter::registerClass(at(Answer::View));
    load(config({{{quiet->name()}}, {{filling->name()}}}));
    auto config2 = GADMConfig::create("unit", config({{{quiet->name()}}}),
                                      *std::make_unique<std::optional<GADRequestError>>());
    manager()->mediateForAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), config2);
    EXPECT_EQ(manager()->queuedNetworkCount(), 1u);
    EXPECT_EQ(quiet->record().instances.size(), 1u);
    scope.advance(10);
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
}

TEST_F(GADMAdManagerTest, CancelMidAttemptStopsTheNetworkAndTheTimeOut) {
    auto quiet = ScriptedAdapter::registerClass(silent());
    auto filling = ScriptedAdapter::registerClass(at(Answer::View));
    load(config({{{quiet->name()}}, {{filling->name()}}}));
    GADSlotTestPeer(slot).cancelLoad();
    EXPECT_EQ(quiet->record().calls.back(), "stopBeingDelegate");
    EXPECT_FALSE(manager()->requestInProgress());
    EXPECT_FALSE(manager()->requestingConnector());
    EXPECT_EQ(quiet->record().last(), nullptr);  // released
    scope.advance(30);
    EXPECT_TRUE(filling->record().calls.empty());
    EXPECT_TRUE(owner->events.empty());

    // From another thread the whole cancel is posted to the main thread.
    load(config({{{quiet->name()}}, {{filling->name()}}}));
    std::thread([m = manager()] { m->cancel(); }).join();
    EXPECT_TRUE(manager()->requestInProgress());
    EXPECT_TRUE(manager()->requestingConnector());
    scope.runUntilIdle();
    EXPECT_FALSE(manager()->requestingConnector());
    scope.advance(30);
    EXPECT_TRUE(filling->record().calls.empty());
}

TEST_F(GADMAdManagerTest, AConnectorClassThatCannotBeMadePingsThenFailsWith8) {
    auto filling = ScriptedAdapter::registerClass(at(Answer::View));
    owner->connectorClass = "NoSuchConnector";
    load(config({{{filling->name()}}}));
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:8"});
    EXPECT_EQ(pings(1).at(0).path, "/nofill");
    EXPECT_TRUE(filling->record().calls.empty());
}

TEST_F(GADMAdManagerTest, MismatchedTypesFailWith10AndReloadLater) {
    auto filling = ScriptedAdapter::registerClass(at(Answer::View));
    slot->reloadTimer().setReloadable(true);
    load(config({{{filling->name()}}}, "interstitial", {{"refresh", Value(30)}}));
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:10"});
    EXPECT_EQ(owner->errors[0],
              "Unable to request kGADAdSizeBanner when mediation configuration was for an "
              "interstitial.");
    EXPECT_TRUE(slot->reloadTimer().isScheduled());
    EXPECT_TRUE(filling->record().calls.empty());

    // An unknown type is replaced by the one asked for, with a warning.
    owner->events.clear();
    load(config({{{filling->name()}}}, "Banner"));
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    EXPECT_EQ(GADSlotTestPeer(slot).mediationConfiguration()->adType(),
              GADAdType::bannerAdTypeForSize(kGADAdSizeBanner));
}

TEST_F(GADMAdManagerTest, ConsistencyTable) {
    const auto banner = GADAdType::bannerAdTypeForSize(kGADAdSizeBanner);
    const auto invalid = GADAdType::bannerAdTypeForSize(kGADAdSizeInvalid);
    const auto interstitial = GADAdType::interstitialAdType();
    struct Case {
        std::optional<GADAdType> requested;
        std::optional<GADAdType> configured;
        std::optional<std::int64_t> code;
        std::string text;
    };
    const Case cases[] = {
        {std::nullopt, banner, 0, "Invalid requested GADAdType: (null)."},
        {banner, std::nullopt, 7, "Invalid mediation configuration GADAdType: (null)."},
        {interstitial, banner, 10,
         "Unable to request an interstitial when mediation configuration was for "
         "kGADAdSizeBanner."},
        {banner, interstitial, 10,
         "Unable to request kGADAdSizeBanner when mediation configuration was for an "
         "interstitial."},
        {interstitial, interstitial, std::nullopt, ""},
        {GADAdType::bannerAdTypeForSize(kGADAdSizeLeaderboard), banner, std::nullopt, ""},
        {invalid, banner, 10,
         "Unable to request ad with invalid size: " + NSStringFromGADAdSize(kGADAdSizeInvalid) +
             "."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        owner->events.clear();
        owner->errors.clear();
        std::optional<GADRequestError> error;
        std::shared_ptr<GADMConfig> configured;
        if (c.configured) {
            configured = GADMConfig::create("unit", config({}), error);
            configured->setAdType(*c.configured);
        }
        GADSlotTestPeer(slot).requestAdWithType(banner, configured);
        owner->events.clear();
        owner->errors.clear();
        EXPECT_EQ(GADSlotTestPeer(slot).hasConsistentMediationConfigForAdType(c.requested),
                  !c.code);
        if (c.code) {
            EXPECT_EQ(owner->events, std::vector<std::string>{"fail:" + std::to_string(*c.code)});
            EXPECT_EQ(owner->errors.at(0), c.text);
        }
    }
}

TEST_F(GADMAdManagerTest, ABannerNetworksOwnRefreshSucceedsOrFailsWithCode3) {
    auto filling = ScriptedAdapter::registerClass(at(Answer::View));
    load(config({{{filling->name()}}}));
    ASSERT_EQ(owner->events, std::vector<std::string>{"loaded"});
    EXPECT_EQ(pings(1).back().param("nr"), "0");
    auto adapter = filling->record().last();
    scope.advance(5);
    adapter->answer(Answer::View);
    EXPECT_EQ(owner->events, (std::vector<std::string>{"loaded", "loaded"}));
    EXPECT_EQ(owner->views.size(), 2u);
    const auto refreshed = pings(2).back();
    EXPECT_EQ(refreshed.param("nr"), "1");
    EXPECT_EQ(refreshed.param("aec"), "0");
    EXPECT_EQ(refreshed.param("adt"), "0");  // not the time since the first attempt
    adapter->answer(Answer::Error);
    EXPECT_EQ(owner->events.back(), "fail:3");
    EXPECT_EQ(owner->errors.back(), "network broke");
    EXPECT_TRUE(slot->hasAutoRefreshed());
    scope.runUntilIdle();
    EXPECT_EQ(pingsAt("/nofill").size(), 0u);
}

TEST_F(GADMAdManagerTest, AMediatedInterstitialPresentsOnceAndItsFailureAfterwardsIsTheSlots) {
    owner->connectorClass = "GADMAdNetworkConnectorInterstitial";
    slot->setAdType(GADAdType::interstitialAdType(), false);
    auto network = ScriptedAdapter::registerClass(at(Answer::Interstitial));
    auto spare = ScriptedAdapter::registerClass(at(Answer::Interstitial));
    load(config({{{network->name()}}, {{spare->name()}}}, "interstitial"));
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    EXPECT_FALSE(manager()->requestingConnector());
    slot->presentMediatedInterstitialFromRootViewController(nullptr);
    auto adapter = network->record().last();
    EXPECT_EQ(network->record().calls.back(), "present");
    // Only did-dismiss from the network: will-dismiss comes first all the same.
    adapter->dismissInterstitial(false);
    EXPECT_EQ(owner->events,
              (std::vector<std::string>{"loaded", "willPresent", "willDismiss", "didDismiss"}));
    const auto impressions = pingsAt("/imp");
    ASSERT_EQ(pings(1).size(), 1u);
    EXPECT_EQ(pings(1).at(0).param("aec"), "0");
    (void)impressions;

    // The network then refuses: the slot hears that error, no other network is asked, and no
    // exit code or no-fill follows.
    adapter->failPresenting(ScriptedAdapter::networkError());
    EXPECT_EQ(owner->events.back(), "fail:11");
    scope.runUntilIdle();
    EXPECT_TRUE(spare->record().calls.empty());
    EXPECT_EQ(mediatedSlotOf(*slot).slotStats()->adapterExitCodesParameter(), std::nullopt);
    EXPECT_TRUE(pingsAt("/nofill").empty());
}

TEST_F(GADMAdManagerTest, ChangingTheAdTypeAsksTheShownNetwork) {
    Script resizing = at(Answer::View);
    resizing.answersChangeAdSize = true;
    auto network = ScriptedAdapter::registerClass(resizing);
    auto fixed = ScriptedAdapter::registerClass(at(Answer::View));
    EXPECT_FALSE(slot->changeAdTypeTo(GADAdType::bannerAdTypeForSize(kGADAdSizeLargeBanner)));
    load(config({{{network->name()}}}));
    EXPECT_TRUE(slot->changeAdTypeTo(GADAdType::bannerAdTypeForSize(kGADAdSizeLargeBanner)));
    EXPECT_EQ(network->record().calls.back(), "changeAdSizeTo:320x100");
    EXPECT_FALSE(slot->changeAdTypeTo(GADAdType::interstitialAdType()));
    load(config({{{fixed->name()}}}));
    EXPECT_FALSE(slot->changeAdTypeTo(GADAdType::bannerAdTypeForSize(kGADAdSizeLargeBanner)));
}

// A native connector as the native room will bring it: it hands the network's ad over.
class ScriptedNativeConnector : public GADMAdNetworkConnector {
  public:
    static constexpr const char* kClassName = "ScriptedNativeConnector";
    const char* className() const override { return kClassName; }
    void getAdFromAdapterWithType(const GADAdType&) override { asked = true; }
    void deliver() {
        if (auto manager = adManager()) {
            manager->adRequestReturnsFromConnectorWithMediatedAd(
                *this, std::make_shared<GADMediatedAd>(adapterClassName().value_or(""),
                                                       std::make_shared<int>(7)));
        }
    }
    bool asked = false;
};

class NativeOwner : public testing::MediationOwner {
  public:
    bool answersProcessMediatedAd() const override { return true; }
    void processMediatedAd(const GADAd&, const std::shared_ptr<void>&,
                           Completion completion) override {
        completions.push_back(std::move(completion));
    }
    std::vector<Completion> completions;
};

class GADMAdManagerNativeTest : public GADMAdManagerTest {
  protected:
    GADMAdManagerNativeTest() {
        platform::ClassRegistry::shared().registerClass<GADMAdNetworkConnector>(
            ScriptedNativeConnector::kClassName, GADMAdNetworkConnector::kClassName, {},
            [] { return std::make_shared<ScriptedNativeConnector>(); });
        native->connectorClass = ScriptedNativeConnector::kClassName;
        owner = native;
        GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::slot, owner);
        GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::adLoad, owner);
        GADSlotTestPeer(slot).setDelegate(&GADSlotDelegates::adResponse, owner);
    }
    ~GADMAdManagerNativeTest() override {
        platform::ClassRegistry::shared().unregisterClass(ScriptedNativeConnector::kClassName);
    }
    std::shared_ptr<ScriptedNativeConnector> asked() const {
        return std::dynamic_pointer_cast<ScriptedNativeConnector>(manager()->requestingConnector());
    }

    std::shared_ptr<NativeOwner> native = std::make_shared<NativeOwner>();
};

TEST_F(GADMAdManagerNativeTest, ACompletionCountsOnlyForItsOwnPassAndConnector) {
    auto first = ScriptedAdapter::registerClass(silent());
    auto second = ScriptedAdapter::registerClass(silent());
    load(config({{{first->name()}}, {{second->name()}}}));
    auto connector = asked();
    ASSERT_TRUE(connector && connector->asked);
    connector->deliver();
    ASSERT_EQ(native->completions.size(), 1u);
    // The delegate fails it: the next network is asked; the old completion is then stale.
    native->completions[0](platform::Error::make("native", 1));
    auto next = asked();
    ASSERT_TRUE(next && next != connector);
    native->completions[0](std::nullopt);
    EXPECT_FALSE(manager()->receivedConnector());
    next->deliver();
    native->completions[1](std::nullopt);
    EXPECT_EQ(manager()->receivedConnector(), next);
    EXPECT_EQ(native->events, std::vector<std::string>{"loaded"});
}

TEST_F(GADMAdManagerNativeTest, ARefusedAdOfTheLastNetworkEndsThePassForGood) {
    auto only = ScriptedAdapter::registerClass(silent());
    load(config({{{only->name()}}}));
    auto connector = asked();
    ASSERT_TRUE(connector);
    connector->deliver();
    ASSERT_EQ(native->completions.size(), 1u);
    native->completions[0](platform::Error::make("native", 1));
    EXPECT_EQ(native->events, std::vector<std::string>{"fail:9"});
    EXPECT_FALSE(manager()->requestingConnector());
    EXPECT_FALSE(connector->adManager());
    // The network's next ad finds no manager: nothing is delivered after the failure.
    connector->deliver();
    scope.runUntilIdle();
    EXPECT_EQ(native->completions.size(), 1u);
    EXPECT_EQ(native->events, std::vector<std::string>{"fail:9"});
    EXPECT_EQ(pings(1).size(), 1u);
}

TEST_F(GADMAdManagerTest, WithoutAMediationDelegateTheAnswerFailsWith7) {
    owner->takesPartInMediation = false;
    load(config({{{"Missing"}}}));
    EXPECT_EQ(owner->events, std::vector<std::string>{"fail:7"});
    EXPECT_EQ(owner->errors[0], "Current class not set up for processing mediation.");
}

}  // namespace
}  // namespace ads
