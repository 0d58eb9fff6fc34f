// The public ad classes with mediated networks: a banner shows the network's view, an
// interstitial lets the network present once.

#include <gtest/gtest.h>

#include <algorithm>

#include "MediationTestSupport.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/tests/HeardPublicAds.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using platform::Value;
using testing::MediationTest;
using testing::ScriptedAdapter;
using Answer = ScriptedAdapter::Answer;

using Heard = testing::HeardPublicAds;

class MediatedPublicAdsTest : public ::testing::Test, public MediationTest {
  protected:
    std::shared_ptr<Heard> heard = std::make_shared<Heard>();
};

TEST_F(MediatedPublicAdsTest, ABannerShowsTheNetworksView) {
    auto network = ScriptedAdapter::registerClass({});
    auto banner = GADBannerView::create(kGADAdSizeBanner);
    banner->setAdUnitID("unit");
    banner->setDelegate(heard);
    auto root = platform::ui::ViewController::create();
    banner->setRootViewController(root);
    banner->loadRequest(mediatedRequest(config({{{network->name()}}})));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !heard->log.empty(); }));
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_EQ(banner->mediatedAdView(), network->record().last()->view());
    EXPECT_EQ(banner->adNetworkClassName(), network->name());
    // The network presents from the banner's root controller.
    auto connector = network->record().last()->connector();
    ASSERT_TRUE(connector);
    EXPECT_EQ(connector->viewControllerForPresentingModalView(), root);
}

TEST_F(MediatedPublicAdsTest, AnInterstitialIsPresentedOnceByItsNetwork) {
    auto network = ScriptedAdapter::registerClass({Answer::Interstitial});
    auto interstitial = GADInterstitial::create("unit");
    interstitial->setDelegate(heard);
    interstitial->loadRequest(mediatedRequest(config({{{network->name()}}}, "interstitial")));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !heard->log.empty(); }));
    scope.runUntilIdle();
    ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_TRUE(interstitial->isReady());
    auto root = platform::ui::ViewController::create();
    interstitial->presentFromRootViewController(root);
    EXPECT_TRUE(interstitial->hasBeenUsed());
    network->record().last()->dismissInterstitial();
    interstitial->presentFromRootViewController(root);
    scope.runUntilIdle();
    // The second time the app hears that the interstitial was used.
    EXPECT_EQ(heard->log, (std::vector<std::string>{"received", "willPresent", "willDismiss",
                                                    "didDismiss", "fail:6"}));
    EXPECT_EQ(std::count(network->record().calls.begin(), network->record().calls.end(), "present"),
              1);
}

}  // namespace
}  // namespace ads
