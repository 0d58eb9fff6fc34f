// The program's interstitials on the real ads SDK, with the SDK core on the scripted web
// engine: what the SDK answers reaches the announcement manager's face of the ad.

#include "online/SdkInterstitialAd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnnounceTestSupport.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "online/AnnounceManager.h"
#include "platform/ui/ViewController.h"

using namespace online;

namespace {

struct Recorder : AnnounceInterstitialAdDelegate {
    void interstitialDidReceiveAd(AnnounceInterstitialAd&) override { log.push_back("received"); }
    void interstitialDidFailToReceiveAdWithError(AnnounceInterstitialAd&,
                                                 const platform::Error& error) override {
        log.push_back("failed " + std::to_string(error.code));
    }
    void interstitialDidDismissScreen(AnnounceInterstitialAd&) override {
        log.push_back("dismissed");
    }
    void interstitialWillLeaveApplication(AnnounceInterstitialAd&) override {
        log.push_back("left");
    }
    std::vector<std::string> log;
};

class SdkInterstitialAdTest : public ::testing::Test {
  protected:
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    // Runs the clock for up to a minute, until the recorder hears something.
    bool waitForAnswer() {
        for (int s = 0; s < 60 && recorder->log.empty(); ++s) scope.advance(1);
        return !recorder->log.empty();
    }

    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

}  // namespace

TEST_F(SdkInterstitialAdTest, TheSdksAnswersReachTheFaceOnlyWhileItLives) {
    auto ad = SdkInterstitialAd::factory()("unit");
    ad->setDelegate(recorder);
    EXPECT_FALSE(ad->isReady());
    // Not ready: the SDK shows nothing and the ad stays unused.
    ad->presentFromRootViewController(platform::ui::ViewController::create());
    scope.runUntilIdle();
    EXPECT_TRUE(recorder->log.empty());
    EXPECT_FALSE(ad->hasBeenUsed());

    // The SDK core's page never loads on the scripted engine: the load fails in time.
    ad->loadRequest();
    EXPECT_TRUE(waitForAnswer());
    ASSERT_EQ(recorder->log.size(), 1u);
    EXPECT_EQ(recorder->log[0].rfind("failed ", 0), 0u);
    EXPECT_FALSE(ad->isReady());

    // An ad let go while it loads is never heard of again.
    recorder->log.clear();
    auto dropped = SdkInterstitialAd::factory()("unit");
    dropped->setDelegate(recorder);
    dropped->loadRequest();
    dropped.reset();
    EXPECT_FALSE(waitForAnswer());
}

TEST_F(SdkInterstitialAdTest, TheManagerAsksTheSdkAndGoesOnWhenItFails) {
    auto& am = AnnounceManager::sharedAnnounceManager();
    am.resetForTesting();
    auto appCore = std::make_shared<announce_test::FakeCore>();
    am.setAppCore(appCore);
    am.setAmProperties(platform::Value::dictionary(
        {{"durezInterstitialAdPublisherId", "unit"}, {"durezInterstitialAdContextFlag", "3"}}));
    am.requestInterstitialAd();
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=0 used=0 loading=1)");
    for (int s = 0; s < 60 && am.istAdStatus() != "null"; ++s) scope.advance(1);
    EXPECT_EQ(am.istAdStatus(), "null");

    int runs = 0;
    am.showPopupAds(AnnounceManager::kContextStartFromTitle, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(am.interstitialAdPresenting());
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=0 used=0 loading=1)");
    am.resetForTesting();
}
