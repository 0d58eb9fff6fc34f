#include "ads/iap/GADInAppPurchaseRoom.h"
#include "ads/slot/tests/GADSlotTestPeer.h"

#include <gtest/gtest.h>

#include "IapTestSupport.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADLog.h"
#include "ads/fullscreen/GADInAppPurchaseDelegate.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/iap/GADDefaultInAppPurchaseFlow.h"
#include "ads/iap/GADInAppPurchaseTransactionReporter.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/services/PaymentQueue.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

class AppPurchases : public GADInAppPurchaseDelegate {
  public:
    void didReceiveInAppPurchase(const std::shared_ptr<GADInAppPurchase>& purchase) override {
        received.push_back(purchase);
    }
    std::vector<std::shared_ptr<GADInAppPurchase>> received;
};

class GADInAppPurchaseRoomTest : public ::testing::Test {
  protected:
    GADInAppPurchaseRoomTest() {
        registerInAppPurchaseClasses();
        registerInAppPurchaseClasses();
        testing::useSampleCatalogue();
        opener->setSlot(interstitial->slot());
        // The ad that asks, on screen in an active application: ads open nothing otherwise.
        window->makeKeyWindow();
        platform::ui::Application::shared().becomeActive();
        window->addSubview(adView);
        opener->setAdView(adView);
        adServer.text("/adpage/conversion/", "");
    }
    // The player's touch on the ad: each purchase it asks for needs one of its own.
    void tap() { adView->setTouched(true); }
    ~GADInAppPurchaseRoomTest() override {
        GADDefaultInAppPurchaseFlow::sharedInstance()->disableDefaultPurchaseFlow();
    }

    platform::testing::PlatformStateScope state;
    // A purchase's conversion report goes to the ad server: ours, not a host of the web.
    platform::testing::TestHttpServer adServer;
    platform::testing::ScopedEnv adServerOrigin{"MOVUROUTE_AD_SERVER", adServer.url("")};
    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    platform::LogSink::Capture log;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 430, 320, 50});
    std::shared_ptr<GADInterstitial> interstitial = GADInterstitial::create("ca-movu-iap");
    std::shared_ptr<GADOpener> opener = GADOpener::create();
};

TEST_F(GADInAppPurchaseRoomTest, TheOpenersRoadHandsThePurchaseToTheAppsDelegate) {
    const auto& slot = interstitial->slot();
    EXPECT_FALSE(GADSlotTestPeer(slot).hasInAppPurchaseDelegate());
    tap();
    opener->openInAppPurchase("coins", 2, {"https://r.invalid/@status@"});
    GADLogFlush();
    EXPECT_TRUE(log.contains(kGADNoInAppPurchaseDelegateMessage));

    auto app = std::make_shared<AppPurchases>();
    interstitial->setInAppPurchaseDelegate(app);
    EXPECT_TRUE(GADSlotTestPeer(slot).hasInAppPurchaseDelegate());
    EXPECT_EQ(slot->inAppPurchaseDelegate(), app);
    tap();
    opener->openInAppPurchase("coins", 2, {"https://r.invalid/@status@"});
    ASSERT_EQ(app->received.size(), 1u);
    const auto& purchase = app->received[0];
    EXPECT_EQ(purchase->productID(), "coins");
    EXPECT_EQ(purchase->quantity(), 2);
    EXPECT_EQ(purchase->reportingURLStringFormats(),
              std::vector<std::string>{"https://r.invalid/@status@"});
    EXPECT_FALSE(purchase->adViewController());  // the opener shows from no ad screen here

    // The gate first: a protected ad nobody touched buys nothing.
    opener->setAutoClickProtected(true);
    opener->openInAppPurchase("coins", 1, {});
    EXPECT_EQ(app->received.size(), 1u);
}

TEST_F(GADInAppPurchaseRoomTest, WhileTheDefaultFlowIsOnSlotsHandItThePurchases) {
    auto app = std::make_shared<AppPurchases>();
    interstitial->setInAppPurchaseDelegate(app);
    auto buyer = std::make_shared<testing::RecordingBuyer>();
    buyer->finish = true;
    GADDefaultInAppPurchase::enableDefaultPurchaseFlowWithDelegate(buyer);
    const auto& slot = interstitial->slot();
    EXPECT_EQ(slot->inAppPurchaseDelegate(), GADDefaultInAppPurchaseFlow::sharedInstance());

    tap();
    opener->openInAppPurchase("coins", 1, {});
    auto& cache = *GADInAppPurchaseProductCache::sharedInstance();
    testing::settle(scope, cache);
    ASSERT_TRUE(testing::tapVisibleAlert(testing::kSheetBuy));
    testing::settle(scope, cache);
    EXPECT_TRUE(app->received.empty());
    ASSERT_EQ(buyer->paid.size(), 1u);
    scope.runUntilIdle();
    EXPECT_TRUE(platform::services::PaymentQueue::defaultQueue()->transactions().empty());

    GADDefaultInAppPurchase::disableDefaultPurchaseFlow();
    EXPECT_EQ(slot->inAppPurchaseDelegate(), app);
}

TEST_F(GADInAppPurchaseRoomTest, AdRequestsSayWhetherTheStoreTakesPayments) {
    auto capability = [] {
        auto parameters = GADDevice::sharedInstance()->parameters();
        return parameters.count("cap_noiap") ? parameters.at("cap_noiap").asString() : "<none>";
    };
    EXPECT_EQ(capability(), "0");  // the sample catalogue sells something
    platform::services::StoreCatalogue::setSharedForTesting(
        std::make_shared<platform::services::StoreCatalogue>());
    EXPECT_EQ(capability(), "1");
}

}  // namespace
}  // namespace ads
