// A purchase ad from our loopback ad server on real WebKit: its "Buy" link asks for an in-app
// purchase, the SDK's default flow puts the store's purchase sheet over the ad, and the user's
// choice on the sheet decides what the ad's report and the conversion report say. Leaves
// <build>/screenshots/iap_purchase_sheet.png for a person to look at. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <algorithm>

#include "../IapTestSupport.h"
#include "ads/foundation/GADRequest.h"
#include "ads/iap/GADDefaultInAppPurchaseFlow.h"
#include "ads/iap/GADInAppPurchaseRoom.h"
#include "ads/iap/GADInAppPurchaseTransactionReporter.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/RecordingInterstitialDelegate.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using Log = std::vector<std::string>;
using platform::ui::AlertView;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

using RecordingDelegate = testing::RecordingInterstitialDelegate;

class GADInAppPurchaseWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-offer";

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        registerInAppPurchaseClasses();
        testing::useSampleCatalogue();
        window->setRootViewController(app);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application, as the game is.
        platform::ui::Application::shared().becomeActive();
        buyer->finish = true;
        GADDefaultInAppPurchase::enableDefaultPurchaseFlowWithDelegate(buyer);
    }
    void TearDown() override {
        GADDefaultInAppPurchase::disableDefaultPurchaseFlow();
        interstitial.reset();
        scope.runUntilIdle();
    }

    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitWhileClockMoves(scope, condition, 20);
    }
    // Loaded, presented and drawn; then the page's "Buy" link followed, as a tap would.
    bool presentAndBuy() {
        ads.server().setScenario(kUnit, AdScenario::purchase("coins").withColor("#204080"));
        interstitial = GADInterstitial::create(kUnit);
        interstitial->setDelegate(delegate);
        interstitial->loadRequest(GADRequest::request());
        if (!waitFor([&] { return interstitial->isReady(); })) return false;
        interstitial->presentFromRootViewController(app);
        auto painted = [&] {
            auto adView = interstitial->slot()->adView();
            if (!adView) return false;
            const auto& frame = adView->webView()->paintedFrame();
            return !frame.empty() && frame.pixel(160, 400) == 0x204080ffu;
        };
        if (!waitFor(painted)) return false;
        // Until the screen has come and takes touches, the ad is not on screen to buy from.
        if (!waitFor([&] {
                auto screen = app->presentedViewController();
                return screen && screen->view()->isUserInteractionEnabled();
            })) {
            return false;
        }
        interstitial->slot()->adView()->executeJavaScriptAsynchronouslyFromString(
            "document.getElementById('buy').click();");
        return waitFor([&] {
            auto sheet = AlertView::visibleAlert();
            return sheet && sheet->title() == "Coins";
        });
    }
    int count(const std::string& event) const {
        return static_cast<int>(std::count(delegate->log.begin(), delegate->log.end(), event));
    }

    platform::testing::PlatformStateScope state;
    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> app = platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<testing::RecordingBuyer> buyer = std::make_shared<testing::RecordingBuyer>();
    std::shared_ptr<GADInterstitial> interstitial;
    std::string cameraError;
    platform::testing::ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots",
                                               &cameraError};
};

TEST_F(GADInAppPurchaseWebKitTest, BuyingOnTheSheetPaysOnceClosesTheAdAndReportsTheConversion) {
    ASSERT_TRUE(presentAndBuy());
    // The SDK's start-up switched the conversion reports on.
    EXPECT_TRUE(GADInAppPurchaseTransactionReporter::sharedInstance()->isReportingEnabled());
    auto sheet = AlertView::visibleAlert();
    EXPECT_EQ(sheet->message(), "Coins \u00d7 1: 0.99 USD. Nothing is charged here.");
    ASSERT_TRUE(camera.isReady()) << cameraError;
    std::string error;
    camera.shoot(*window, "iap_purchase_sheet.png", &error);
    EXPECT_EQ(error, "");

    sheet->tapButton(testing::kSheetBuy);
    ASSERT_TRUE(waitFor([&] { return count("didDismiss") == 1; })) << delegate->log.size();
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::PurchaseReport, 1));
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Conversion, 1));
    scope.runUntilIdle();

    EXPECT_EQ(buyer->paid.size(), 1u);
    EXPECT_EQ(count("willDismiss"), 1);
    EXPECT_EQ(count("didDismiss"), 1);
    const auto report = ads.log().of(RequestKind::PurchaseReport).at(0);
    EXPECT_EQ(report.param("status"), "1");
    EXPECT_EQ(report.param("sku"), "coins");
    EXPECT_EQ(report.param("quantity"), "1");
    const auto conversion = ads.log().of(RequestKind::Conversion).at(0);
    EXPECT_EQ(conversion.param("price"), "0.99");
    EXPECT_EQ(conversion.param("currency_code"), "USD");
    EXPECT_EQ(conversion.param("sku"), "coins");
    EXPECT_EQ(ads.log().count(RequestKind::Conversion), 1u);
    EXPECT_TRUE(platform::services::PaymentQueue::defaultQueue()->transactions().empty());
}

TEST_F(GADInAppPurchaseWebKitTest, CancellingOnTheSheetReportsCancelAndNoConversion) {
    ASSERT_TRUE(presentAndBuy());
    AlertView::visibleAlert()->tapButton(testing::kSheetCancel);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::PurchaseReport, 1));
    scope.runUntilIdle();
    EXPECT_EQ(ads.log().of(RequestKind::PurchaseReport).at(0).param("status"), "2");
    EXPECT_EQ(ads.log().count(RequestKind::Conversion), 0u);
    EXPECT_TRUE(buyer->paid.empty());
    // The ad stays up for another try.
    EXPECT_EQ(count("willDismiss"), 0);
    EXPECT_TRUE(app->presentedViewController());
}

}  // namespace
}  // namespace ads
