// An interstitial from our loopback ad server, on real WebKit, whose page has one link per way
// out of an ad: the store sheet and the mail composer come up over it through the opener, the
// desktop's opener receives the click URL and, after "Send", the mail. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <algorithm>

#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/services/MailComposer.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::ui::Application;
using platform::ui::ViewController;
using tools::adserver::AdScenario;
using Strings = std::vector<std::string>;

constexpr const char* kAdUnit = "ca-movu-links";

class Listener : public GADInterstitialDelegate, public GADInterstitialAdClickDelegate {
  public:
    void interstitialDidReceiveAd(GADInterstitial&) override { events.push_back("received"); }
    void interstitialDidFailToReceiveAdWithError(GADInterstitial&,
                                                 const platform::Error& error) override {
        events.push_back("failed " + std::to_string(error.code));
    }
    void interstitialWillPresentScreen(GADInterstitial&) override {
        events.push_back("willPresent");
    }
    void interstitialWillDismissScreen(GADInterstitial&) override {
        events.push_back("willDismiss");
    }
    void interstitialDidDismissScreen(GADInterstitial&) override { events.push_back("didDismiss"); }
    void interstitialWillLeaveApplication(GADInterstitial&) override { events.push_back("leave"); }
    void interstitialDidReceiveAdClick(GADInterstitial&) override { events.push_back("click"); }
    Strings events;
};

class GADOpenerWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application, as the game is.
        platform::ui::Application::shared().becomeActive();
        Application::shared().setDesktopOpener([this](const Strings& argv) {
            desktop.push_back(argv.back());
            return true;
        });
        ads.server().setScenario(kAdUnit, AdScenario::links());
    }
    void TearDown() override { Application::shared().setDesktopOpener({}); }

    // Turns the loop and the clock (presentations are animated on the test's clock) until the
    // condition holds.
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitWhileClockMoves(scope, condition, 20);
    }
    int count(const std::string& event) const {
        return static_cast<int>(
            std::count(listener->events.begin(), listener->events.end(), event));
    }
    std::shared_ptr<ViewController> top() {
        auto controller = root;
        while (controller->presentedViewController())
            controller = controller->presentedViewController();
        return controller;
    }
    // Follows the page's first link whose address contains the text, as a tap would.
    void follow(const std::string& text) {
        // The player's finger on the ad: each opening needs one of its own.
        interstitial->slot()->adView()->setTouched(true);
        interstitial->slot()->adView()->executeJavaScriptAsynchronouslyFromString(
            "document.querySelector('a[href*=\"" + text + "\"]').click();");
    }
    void shoot(const std::string& name) {
        ASSERT_TRUE(camera.isReady()) << cameraError;
        std::string error;
        camera.shoot(*window, name, &error);
        EXPECT_EQ(error, "");
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ViewController> root = ViewController::create();
    std::shared_ptr<Listener> listener = std::make_shared<Listener>();
    std::shared_ptr<GADInterstitial> interstitial;
    Strings desktop;
    std::string cameraError;
    platform::testing::ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots",
                                               &cameraError};
};

TEST_F(GADOpenerWebKitTest, StoreSheetAndMailComposerOverAnInterstitial) {
    interstitial = GADInterstitial::create(kAdUnit);
    interstitial->setDelegate(listener);
    interstitial->loadRequest(GADRequest::request());
    ASSERT_TRUE(waitFor([&] { return interstitial->isReady(); })) << listener->events.size();
    interstitial->presentFromRootViewController(root);
    ASSERT_TRUE(
        waitFor([&] { return top() != root && top()->view()->isUserInteractionEnabled(); }));
    auto screen = top();

    // The store sheet waits for its product, then comes up over the ad.
    follow("in_app_store");
    ASSERT_TRUE(waitFor([&] {
        auto sheet = std::dynamic_pointer_cast<platform::services::StoreProductSheet>(top());
        return sheet && sheet->headline() == "Product 123" && !sheet->isBeingPresented();
    }));
    shoot("opener-store-sheet-over-interstitial.png");
    std::dynamic_pointer_cast<platform::services::StoreProductSheet>(top())->rightButton()->tap();
    ASSERT_TRUE(waitFor([&] { return top() == screen; }));

    // Out of the app: the desktop gets the ad's click URL.
    follow("a=app");
    ASSERT_TRUE(waitFor([&] { return !desktop.empty(); }));
    EXPECT_NE(desktop[0].find("/aclk/ticket/"), std::string::npos) << desktop[0];

    // The mail composer, and what "Send" hands to the desktop.
    follow("mailto:");
    ASSERT_TRUE(waitFor([&] {
        auto mail = std::dynamic_pointer_cast<platform::services::MailComposer>(top());
        return mail && !mail->isBeingPresented();
    }));
    auto mail = std::dynamic_pointer_cast<platform::services::MailComposer>(top());
    EXPECT_EQ(mail->fields().to, (Strings{"ads@movuroute.invalid"}));
    shoot("opener-mail-composer-over-interstitial.png");
    mail->sendButton()->tap();
    mail.reset();
    ASSERT_TRUE(waitFor([&] { return top() == screen; }));
    ASSERT_EQ(desktop.size(), 2u);
    EXPECT_EQ(desktop[1].rfind("mailto:ads@movuroute.invalid?", 0), 0u) << desktop[1];

    // Every screen over the ad joined its intermission: the app heard one pair, and a click
    // for each way out.
    std::dynamic_pointer_cast<GADViewController>(screen)->relinquishScreenWithCompletion({});
    ASSERT_TRUE(waitFor([&] { return top() == root && count("didDismiss") == 1; }));
    EXPECT_EQ(count("willPresent"), 1);
    EXPECT_EQ(count("willDismiss"), 1);
    EXPECT_EQ(count("click"), 3);
    EXPECT_EQ(count("leave"), 1);
}

}  // namespace
}  // namespace ads
