#include "ads/foundation/GADApplication.h"

#include <gtest/gtest.h>

#include <fstream>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADPlistFile.h"
#include "ads/foundation/GADSession.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Application.h"

namespace ads {
namespace {

using platform::Value;
using platform::ui::Application;

class GADApplicationTest : public ::testing::Test {
  protected:
    testing::AdsTestScope scope;
    std::shared_ptr<GADApplication> app = GADApplicationTestPeer::create();
    GADApplicationTestPeer peer{app};

    // Until the changes made so far have reached the application.
    static void settle(const std::shared_ptr<GADStatisticDictionary>& ad) {
        ad->dictionary();
        ad->dictionary();
    }

    std::int64_t stat(const char* key) {
        return app->statistics()->objectForKey(key).value_or(Value()).asInteger(-999);
    }
};

TEST_F(GADApplicationTest, AFreshApplication) {
    const std::string& session = app->currentSession()->uniqueID();
    EXPECT_FALSE(session.empty());
    EXPECT_EQ(session.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(app->statistics()->dictionary(),
              Value::dictionary({{"session_id", session}, {"preqs", -1}}));
    EXPECT_EQ(app->nextActiveViewID(), 1u);
    EXPECT_EQ(app->nextActiveViewID(), 2u);
    EXPECT_EQ(app->timeSinceFirstAdRequestInMilliseconds(), 0u);
    EXPECT_FALSE(peer.appFinishedLaunching());
    peer.setSequenceNumber(5);
    EXPECT_EQ(peer.sequenceNumber(), 5u);
}

TEST_F(GADApplicationTest, RequestStatistics) {
    scope.advance(1);
    auto first = app->nextRequestStatisticsDictionaryForSlot(false);
    EXPECT_EQ(first["preqs"], Value(0));
    EXPECT_EQ(first["seq_num"], Value(1));
    EXPECT_EQ(first["basets"], first["currts"]);
    scope.advance(0.5);
    EXPECT_EQ(app->timeSinceFirstAdRequestInMilliseconds(), 500u);
    auto second = app->nextRequestStatisticsDictionaryForSlot(true);
    // A mediating slot's request lowers the count again; the first request time stays.
    EXPECT_EQ(second["preqs"], Value(-1));
    EXPECT_EQ(second["seq_num"], Value(2));
    EXPECT_EQ(second["basets"], first["basets"]);
    EXPECT_EQ(second["currts"].asInteger(), first["currts"].asInteger() + 500);

    EXPECT_EQ(app->nextSequenceNumberAsString(), "3");
    EXPECT_EQ(app->nextSequenceNumberAsString(), "4");
    app->incrementTotalAdClickCount();
    peer.incrementTotalAdRequestCount();
    peer.decrementTotalAdRequestCount();
    peer.incrementTotalAdRequestCount();
    EXPECT_EQ(stat("pclick"), 1);
    EXPECT_EQ(stat("preqs"), 0);

    // A first-request time ahead of the clock is no age at all.
    app->statistics()->setObject(Value(std::int64_t{1} << 40), "basets", false);
    EXPECT_EQ(app->timeSinceFirstAdRequestInMilliseconds(), 0u);
}

TEST_F(GADApplicationTest, PendingAdStatisticsAreHandedOverAndBack) {
    auto ad = GADStatisticDictionary::create(app);
    auto other = GADStatisticDictionary::create(app);
    ad->setObject(Value(1), "imp", true);
    other->incrementNumberForKey("n", true);
    settle(ad);
    settle(other);
    auto pending = app->pendingAdStatistics();
    EXPECT_EQ(pending, (GADApplication::StatisticsSet{ad, other}));
    EXPECT_TRUE(app->pendingAdStatistics().empty());
    app->didNotSendAdStatistics(pending);
    EXPECT_EQ(app->pendingAdStatistics(), pending);
    // Quiet writes are not pending.
    ad->setObject(Value(2), "imp", false);
    settle(ad);
    EXPECT_TRUE(app->pendingAdStatistics().empty());
}

TEST_F(GADApplicationTest, ClickTimesOnTheWayBackIntoTheApp) {
    peer.didBecomeActive();  // no click: nothing happens

    auto silent = GADStatisticDictionary::create(app);
    app->willLeaveApplicationDueToClickOnAd(silent);
    peer.didBecomeActive();
    EXPECT_FALSE(silent->objectForKey("tclick"));

    auto ad = GADStatisticDictionary::create(app);
    scope.advance(2);
    const auto clicked = static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds());
    ad->setObject(Value(clicked), "tclickcurr", false);
    app->willLeaveApplicationDueToClickOnAd(ad);
    scope.advance(30);
    // The application's own notification brings the user back.
    Application::shared().becomeActive();
    EXPECT_EQ(ad->objectForKey("tclick"), Value::array({Value::array({clicked, clicked + 30000})}));
    settle(ad);
    EXPECT_EQ(app->pendingAdStatistics(), GADApplication::StatisticsSet{ad});
    // The remembered ad was let go.
    Application::shared().resignActive();
    Application::shared().becomeActive();
    EXPECT_EQ(ad->objectForKey("tclick")->size(), 1u);
}

TEST_F(GADApplicationTest, ActiveUnlessSentToTheBackgroundAfterLaunching) {
    auto& ui = Application::shared();
    EXPECT_TRUE(app->isAppActive());  // inactive counts as active
    ui.enterBackground();
    ASSERT_EQ(ui.applicationState(), platform::ui::ApplicationState::Background);
    EXPECT_TRUE(app->isAppActive());  // launching in the background
    peer.setAppFinishedLaunching(true);
    EXPECT_FALSE(app->isAppActive());
    ui.enterForeground();
    EXPECT_TRUE(app->isAppActive());
}

TEST_F(GADApplicationTest, BundleFactsAndTheStoreMetadataFile) {
    platform::testing::TempDir bundle;
    ASSERT_TRUE(platform::PropertyList::writeFile(
        bundle / "Info.plist",
        Value::dictionary({{"CFBundleVersion", "1.0.7"}, {"CFBundleIdentifier", "com.test.app"}}),
        platform::PropertyListFormat::Xml));
    platform::Bundle::setMainBundlePath(bundle.path());
    auto bundled = GADApplicationTestPeer::create();
    EXPECT_EQ(bundled->version(), "1.0.7");
    EXPECT_EQ(bundled->mainBundleIdentifier(), "com.test.app");
    platform::Bundle::setMainBundlePath(bundle / "missing");
    EXPECT_EQ(GADApplicationTestPeer::create()->version(), "");
    platform::Bundle::setMainBundlePath(std::nullopt);

    ASSERT_TRUE(peer.iTunesMetadataPath());
    EXPECT_EQ(*peer.iTunesMetadataPath(), scope.home().path() / "iTunesMetadata.plist");
    EXPECT_EQ(app->iTunesMetadata(), Value::dictionary());
    auto withFile = GADApplicationTestPeer::create();
    ASSERT_TRUE(platform::PropertyList::writeFile(*peer.iTunesMetadataPath(),
                                                  Value::dictionary({{"itemId", 42}})));
    EXPECT_EQ(withFile->iTunesMetadata(), Value::dictionary({{"itemId", 42}}));
    // Read once.
    platform::PropertyList::writeFile(*peer.iTunesMetadataPath(), Value::dictionary());
    EXPECT_EQ(withFile->iTunesMetadata(), Value::dictionary({{"itemId", 42}}));
}

TEST_F(GADApplicationTest, PlistFilesMustHoldADictionary) {
    platform::Error error;
    EXPECT_FALSE(GADDictionaryWithPlistFile(scope.home() / "missing.plist", &error));
    EXPECT_TRUE(error.is(kGADPrivateErrorDomain, 1));
    EXPECT_EQ(error.localizedDescription(), "File could not be read.");

    const auto list = scope.home() / "list.plist";
    ASSERT_TRUE(platform::PropertyList::writeFile(list, Value::array({1, 2})));
    platform::Error untouched;
    EXPECT_FALSE(GADDictionaryWithPlistFile(list, &untouched));
    EXPECT_TRUE(untouched.domain.empty());

    const auto broken = scope.home() / "broken.plist";
    std::ofstream(broken) << "<?xml version=\"1.0\"?><plist><dict><key>a</key>";
    EXPECT_FALSE(GADDictionaryWithPlistFile(broken, &error));
    EXPECT_FALSE(error.is(kGADPrivateErrorDomain, 1));

    const auto dict = scope.home() / "dict.plist";
    ASSERT_TRUE(platform::PropertyList::writeFile(dict, Value::dictionary({{"a", 1}})));
    EXPECT_EQ(GADDictionaryWithPlistFile(dict), Value::dictionary({{"a", 1}}));
}

TEST_F(GADApplicationTest, AdapterNamesComeFromTheClassRegistry) {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerName("GADMAdapterHTML", "NSObject", {"GADMAdNetworkAdapter"});
    registry.registerName("TestNetworkBase", "NSObject", {"GADMAdNetworkAdapter"});
    registry.registerName("TestNetworkAdapter", "TestNetworkBase");
    registry.registerName("TestNotAnAdapter", "NSObject");
    // Until the SDK core names them, the adapters are unknown rather than none.
    EXPECT_EQ(app->availableAdapterNames(), std::nullopt);
    app->updateAvailableAdapterNamesWithPotentialAdapterNames(std::nullopt);
    EXPECT_EQ(app->availableAdapterNames(), std::vector<std::string>{"GADMAdapterHTML"});
    app->updateAvailableAdapterNamesWithPotentialAdapterNames(
        std::vector<std::string>{"TestNetworkAdapter", "TestNotAnAdapter", "Unknown"});
    EXPECT_EQ(app->availableAdapterNames(),
              (std::vector<std::string>{"GADMAdapterHTML", "TestNetworkAdapter"}));
    peer.setAvailableAdapterNames(std::vector<std::string>{"X"});
    EXPECT_EQ(app->availableAdapterNames(), std::vector<std::string>{"X"});
    for (const char* name :
         {"GADMAdapterHTML", "TestNetworkBase", "TestNetworkAdapter", "TestNotAnAdapter"}) {
        registry.unregisterClass(name);
    }
}

TEST_F(GADApplicationTest, AdapterClassChecksReadTheRegistryWithoutAnInstance) {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerName("TestBannerOnly", "NSObject", {"GADMAdNetworkAdapter"});
    registry.addInstanceCalls("TestBannerOnly", {"getBannerWithSize:"});
    registry.registerName("TestInterstitialChild", "TestBannerOnly");
    registry.registerName("TestOldAPI", "NSObject", {"GADMAdNetworkAdapter"});
    registry.addInstanceCalls("TestOldAPI", {"getAd"});
    registry.registerName("TestRewardOnly", "NSObject", {"GADMRewardBasedVideoAdNetworkAdapter"});
    registry.registerName("TestNoProtocol", "NSObject");
    registry.addInstanceCalls("TestNoProtocol", {"getInterstitial"});
    struct Case {
        const char* name;
        bool adapterClass, currentAPI;
    };
    for (const Case& c :
         {Case{"TestBannerOnly", true, true}, Case{"TestInterstitialChild", true, true},
          Case{"TestOldAPI", true, false}, Case{"TestRewardOnly", true, true},
          Case{"TestNoProtocol", false, true}, Case{"Unknown", false, false}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GADApplication::classIsAdapterClass(c.name), c.adapterClass);
        EXPECT_EQ(GADApplication::classImplementsCurrentAdapterAPI(c.name), c.currentAPI);
    }
    for (const char* name : {"TestBannerOnly", "TestInterstitialChild", "TestOldAPI",
                             "TestRewardOnly", "TestNoProtocol"}) {
        registry.unregisterClass(name);
    }
}

TEST_F(GADApplicationTest, StartUpStepsAndTheContentHashingSwitch) {
    std::vector<int> ran;
    app->addEarlyActivity(GADEarlyActivities::Rank::ContentHashing, [&] { ran.push_back(7); });
    app->addEarlyActivity(GADEarlyActivities::Rank::DeviceFacts, [&] { ran.push_back(1); });
    app->runEarlyActivities();
    EXPECT_TRUE(peer.hasRunEarlyActivities());
    EXPECT_EQ(ran, std::vector<int>{1});  // content hashing is off

    auto hashing = GADApplicationTestPeer::create();
    platform::UserDefaults::standard().setBool(settings_keys::kContentURLEnabled, true);
    hashing->addEarlyActivity(GADEarlyActivities::Rank::ContentHashing, [&] { ran.push_back(7); });
    hashing->runEarlyActivities();
    EXPECT_EQ(ran, (std::vector<int>{1, 7}));
}

TEST_F(GADApplicationTest, LoadingObservesTheEndOfLaunching) {
    // The shared application is the process's: this test leaves it launched.
    auto shared = GADApplication::sharedInstance();
    EXPECT_EQ(GADApplication::sharedInstance(), shared);
    GADApplicationTestPeer(shared).setAppFinishedLaunching(false);
    int steps = 0;
    shared->addEarlyActivity(GADEarlyActivities::Rank::Pinger, [&] { ++steps; });
    GADApplication::load();
    GADApplication::load();
    Application::shared().finishLaunching();
    EXPECT_TRUE(GADApplicationTestPeer(shared).appFinishedLaunching());
    EXPECT_EQ(steps, 1);
    Application::shared().finishLaunching();
    EXPECT_EQ(steps, 1);
}

}  // namespace
}  // namespace ads
