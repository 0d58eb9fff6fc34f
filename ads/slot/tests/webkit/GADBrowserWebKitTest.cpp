// The in-app browser and the precaching of an ad's video, on real WebKit against our loopback
// ad server: an interstitial's "open" of a browser link shows the landing page with its
// toolbar, a link inside it enables "Back", "Done" returns to the ad; the landing page's
// statistics reach the ad; a creative downloads the server's video ahead and shows its
// progress, and the file stays until the ad goes. Needs a display: scripts/test runs these
// under xvfb-run.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/fullscreen/GADBrowserAdView.h"
#include "ads/fullscreen/GADBrowserAdViewDelegate.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::ui::Application;
using platform::ui::ViewController;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;
using Strings = std::vector<std::string>;

constexpr const char* kLinksUnit = "ca-movu-links";
constexpr const char* kPrecacheUnit = "ca-movu-precache";

class Listener : public GADInterstitialDelegate, public GADInterstitialAdClickDelegate {
  public:
    void interstitialDidReceiveAd(GADInterstitial&) override { events.push_back("received"); }
    void interstitialWillPresentScreen(GADInterstitial&) override {
        events.push_back("willPresent");
    }
    void interstitialWillDismissScreen(GADInterstitial&) override {
        events.push_back("willDismiss");
    }
    void interstitialDidDismissScreen(GADInterstitial&) override { events.push_back("didDismiss"); }
    void interstitialDidReceiveAdClick(GADInterstitial&) override { events.push_back("click"); }
    int count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    Strings events;
};

class GADBrowserWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application, as the game is.
        Application::shared().becomeActive();
        Application::shared().setDesktopOpener([](const Strings&) { return true; });
        ads.server().setScenario(kLinksUnit, AdScenario::links());
        ads.server().setScenario(kPrecacheUnit, AdScenario::precache());
    }
    void TearDown() override { Application::shared().setDesktopOpener({}); }

    bool waitFor(const std::function<bool()>& condition, double seconds = 20) {
        return ads.waitWhileClockMoves(scope, condition, seconds);
    }
    std::shared_ptr<ViewController> top() {
        auto controller = root;
        while (controller->presentedViewController())
            controller = controller->presentedViewController();
        return controller;
    }
    bool shown(const std::shared_ptr<ViewController>& controller) {
        return top() == controller && controller->view()->isUserInteractionEnabled();
    }
    // Loads the unit's interstitial and shows it; answers its screen.
    std::shared_ptr<ViewController> showInterstitial(const char* unit) {
        interstitial = GADInterstitial::create(unit);
        interstitial->setDelegate(listener);
        interstitial->loadRequest(GADRequest::request());
        if (!waitFor([&] { return interstitial->isReady(); })) return nullptr;
        interstitial->presentFromRootViewController(root);
        if (!waitFor([&] { return top() != root && top()->view()->isUserInteractionEnabled(); }))
            return nullptr;
        return top();
    }
    std::shared_ptr<GADStatisticDictionary> statistics() {
        return std::static_pointer_cast<GADFullScreenSlot>(interstitial->slot())
            ->currentAdStatistics();
    }
    std::size_t landings(const std::string& path) {
        std::size_t count = 0;
        for (const auto& r : ads.server().log().of(RequestKind::Landing)) count += r.path == path;
        return count;
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
    std::string cameraError;
    platform::testing::ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots",
                                               &cameraError};
};

TEST_F(GADBrowserWebKitTest, AnInterstitialOpensTheLandingPageInTheBrowserAndGetsItBack) {
    auto screen = showInterstitial(kLinksUnit);
    ASSERT_NE(screen, nullptr) << listener->events.size();
    interstitial->slot()->adView()->executeJavaScriptAsynchronouslyFromString(
        "document.querySelector('a[href*=\"a=browser\"]').click();");
    std::shared_ptr<GADBrowserViewController> browser;
    ASSERT_TRUE(waitFor([&] {
        browser = std::dynamic_pointer_cast<GADBrowserViewController>(top());
        return browser && shown(browser) && browser->adViewDelegate() &&
               browser->adViewDelegate()->hasLoadedAtLeastOnce() &&
               !browser->adView()->webView()->isLoading();
    }));
    EXPECT_EQ(landings("/landing"), 1u);
    EXPECT_EQ(listener->count("click"), 1);
    // The landing page is timed in the ad's statistics.
    EXPECT_TRUE(statistics()->objectForKey("tlanding_page_load_start"));
    EXPECT_TRUE(statistics()->objectForKey("tlanding_page_load_end"));
    EXPECT_FALSE(browser->backButton()->isEnabled());
    // The page's own background, painted.
    ASSERT_TRUE(waitFor(
        [&] { return browser->adView()->webView()->paintedFrame().pixel(10, 10) == 0xfff8e0ffu; }));
    shoot("browser-landing-page.png");

    // A link inside the page: browsing, counted by scheme, no click; "Back" comes on.
    browser->adView()->executeJavaScriptAsynchronouslyFromString(
        "document.getElementById('next').click();");
    ASSERT_TRUE(waitFor([&] {
        return landings("/landing") == 2 && browser->backButton()->isEnabled() &&
               !browser->adView()->webView()->isLoading();
    }));
    EXPECT_EQ(statistics()->objectForKey("plpnc")->integerValue(), 1);
    // The form goes to the server and counts too.
    browser->adView()->executeJavaScriptAsynchronouslyFromString(
        "document.getElementById('send').click();");
    ASSERT_TRUE(waitFor([&] {
        return landings("/landing/form") == 1 && !browser->adView()->webView()->isLoading();
    }));
    EXPECT_EQ(ads.server().log().last(RequestKind::Landing)->param("q"), "tilt");
    EXPECT_EQ(statistics()->objectForKey("plpnc")->integerValue(), 2);
    shoot("browser-after-a-link.png");
    EXPECT_EQ(listener->count("click"), 1);

    // "Done" gives the ad back; the app heard one screen for both.
    browser->toolbar()->buttonForItem(8)->tap();
    ASSERT_TRUE(waitFor([&] { return shown(screen); }));
    browser.reset();
    EXPECT_EQ(listener->count("willPresent"), 1);
    EXPECT_EQ(listener->count("willDismiss"), 0);
    std::dynamic_pointer_cast<GADViewController>(screen)->relinquishScreenWithCompletion({});
    ASSERT_TRUE(waitFor([&] { return top() == root && listener->count("didDismiss") == 1; }));
    EXPECT_EQ(listener->count("willDismiss"), 1);
}

TEST_F(GADBrowserWebKitTest, TheLandingPageHearsTheReferrersHost) {
    auto browser = GADBrowserViewController::create();
    browser->load(*platform::Url::parse(ads.server().url("/landing?slot=ref&ad=1")),
                  platform::Url::parse("https://ads.movuroute.invalid/mads/gma?secret=1"));
    ASSERT_TRUE(browser->presentFromViewController(root, {}));
    ASSERT_TRUE(waitFor([&] { return landings("/landing") == 1; }));
    const auto referer = ads.server().log().last(RequestKind::Landing)->header("Referer");
    // WebKit sends the host-only value as it is: never the ad request's own URL.
    EXPECT_EQ(referer, "ads.movuroute.invalid");
    browser->doneButtonPressed();
    ASSERT_TRUE(waitFor([&] { return top() == root; }));
}

TEST_F(GADBrowserWebKitTest, ACreativeFetchesTheVideoAheadAndTheFileLastsAsLongAsTheAd) {
    auto screen = showInterstitial(kPrecacheUnit);
    ASSERT_NE(screen, nullptr) << listener->events.size();
    auto ended = [&] {
        for (const auto& r : ads.server().log().of(RequestKind::CreativeEvent)) {
            if (r.param("event") == "precacheComplete" || r.param("event") == "precacheCanceled")
                return std::optional(r);
        }
        return std::optional<tools::adserver::LoggedRequest>();
    };
    ASSERT_TRUE(waitFor([&] { return ended().has_value(); }, 60));
    const auto end = *ended();
    EXPECT_EQ(end.param("event"), "precacheComplete");
    EXPECT_EQ(end.param("bytes"), std::to_string(tools::adserver::AdServer::kMediaBytes));
    EXPECT_EQ(end.param("total"), std::to_string(tools::adserver::AdServer::kMediaBytes));
    EXPECT_EQ(ads.server().log().count(RequestKind::Media), 1u);
    // The page learns the file's place in the precache folder, not where the user's home is.
    const auto cached = platform::Url::parse(end.param("cached"));
    ASSERT_TRUE(cached);
    ASSERT_TRUE(cached->isFileUrl());
    EXPECT_EQ(cached->pathComponents().size(), 3u) << cached->absoluteString();
    const std::filesystem::path file = GADPrecacheGMSGHandler::cacheFolder() /
                                       std::filesystem::path(cached->path()).relative_path();
    EXPECT_EQ(file.filename(), "movuroute-test-ad.mp4");
    EXPECT_EQ(std::filesystem::file_size(file), tools::adserver::AdServer::kMediaBytes);
    scope.advance(0.5);
    shoot("precache-complete.png");

    // The file stays while the ad does, and goes with it.
    std::dynamic_pointer_cast<GADViewController>(screen)->relinquishScreenWithCompletion({});
    ASSERT_TRUE(waitFor([&] { return top() == root; }));
    screen.reset();
    EXPECT_TRUE(std::filesystem::exists(file));
    interstitial.reset();
    ASSERT_TRUE(waitFor([&] { return !std::filesystem::exists(file); }));
    EXPECT_FALSE(std::filesystem::exists(file.parent_path()));
}

}  // namespace
}  // namespace ads
