#include "ads/fullscreen/GADBrowserViewController.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/fullscreen/GADBrowserAdView.h"
#include "ads/fullscreen/GADBrowserAdViewDelegate.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADOpenerGMSGHandler.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/base/LogSink.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::ui::AlertView;
using platform::ui::Application;
using platform::ui::ViewController;
using platform::web::FakeWebPage;
using platform::web::NavigationType;
using Strings = std::vector<std::string>;

// The time a modal presentation or dismissal takes, and a little more.
constexpr double kAnimation = 0.5;

class GADBrowserViewControllerTest : public ::testing::Test {
  protected:
    GADBrowserViewControllerTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application.
        platform::ui::Application::shared().becomeActive();
        opener->setSlot(slot);
        opener->setViewController(root);
        (void)GADSDKCoreController::sharedInstance();
        adView = GADAdView::create({0, 0, 320, 50});
        opener->setAdView(adView);
        root->view()->addSubview(adView);
        Application::shared().setDesktopOpener([](const Strings&) { return true; });
        openedBefore = Application::shared().openedURLs().size();
    }
    ~GADBrowserViewControllerTest() override {
        Application::shared().setDesktopOpener({});
        Application::shared().setStatusBarOrientation(platform::ui::OrientationPortrait);
        AlertView::resetAll();
    }

    // The browser the opener put up, once its presentation has finished.
    std::shared_ptr<GADBrowserViewController> openBrowser(const std::string& url,
                                                          std::uint64_t orientations = 30) {
        adView->setTouched(true);
        opener->openBrowserToURL(*Url::parse(url), orientations);
        scope.advance(kAnimation);
        return shownBrowser();
    }
    std::shared_ptr<GADBrowserViewController> shownBrowser() {
        auto top = root;
        while (top->presentedViewController()) top = top->presentedViewController();
        return std::dynamic_pointer_cast<GADBrowserViewController>(top);
    }
    static std::shared_ptr<FakeWebPage> pageOf(const GADBrowserViewController& browser,
                                               ads::testing::AdViewTestScope& views) {
        for (const auto& page : views.web().pages()) {
            if (page->viewAlive() &&
                page->width() == static_cast<int>(browser.adView()->bounds().size.width) &&
                !page->loads().empty()) {
                return page;
            }
        }
        return nullptr;
    }
    std::shared_ptr<FakeWebPage> page(const GADBrowserViewController& browser) {
        return pageOf(browser, views);
    }
    int clicks() const {
        return static_cast<int>(std::count(slot->clickLog.begin(), slot->clickLog.end(), "click"));
    }
    Strings opened() {
        const auto& all = Application::shared().openedURLs();
        return {all.begin() + static_cast<std::ptrdiff_t>(openedBefore), all.end()};
    }
    std::optional<Value> statistic(const std::string& key) const {
        return slot->statistics->objectForKey(key);
    }
    // The labels of the toolbar's items, "-" for a space, with "*" after an enabled one.
    static Strings toolbarItems(const GADBrowserViewController& browser) {
        Strings labels;
        for (const auto& item : browser.toolbar()->items()) {
            if (item->isSpace()) {
                labels.push_back("-");
                continue;
            }
            labels.push_back(item->accessibilityLabel() + (item->isEnabled() ? "*" : ""));
        }
        return labels;
    }
    // Runs a navigation of the page through its delegate and answers whether it may load.
    bool navigate(FakeWebPage& page, const std::string& url, NavigationType type) {
        auto navigation = page.fireNavigation(url, type);
        scope.runUntilIdle();
        return navigation->answer.value_or(false);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ViewController> root = ViewController::create();
    std::shared_ptr<ads::testing::FakeFullScreenSlot> slot =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<GADOpener> opener = GADOpener::create();
    std::shared_ptr<GADAdView> adView;
    std::size_t openedBefore = 0;
};

TEST_F(GADBrowserViewControllerTest, AWaitingLoadRunsOnTheFirstAppearanceWithTheReferrersHost) {
    auto browser = GADBrowserViewController::create();
    browser->setSlot(slot);
    browser->load(*Url::parse("https://land.test/page"),
                  Url::parse("https://ads.test:8443/ad?unit=1&q=secret"));
    EXPECT_EQ(browser->adView(), nullptr);
    EXPECT_EQ(browser->URLToLoad()->absoluteString(), "https://land.test/page");
    ASSERT_TRUE(browser->presentFromViewController(root, {}));
    scope.advance(kAnimation);

    // The page fills the view above the toolbar, overlapping it by one point.
    ASSERT_NE(browser->adView(), nullptr);
    EXPECT_EQ(browser->adView()->frame(), platform::Rect(0, 0, 320, 480 - 44 + 1));
    EXPECT_EQ(browser->toolbar()->frame(), platform::Rect(0, 437, 320, 44));
    EXPECT_EQ(browser->adView()->delegate(), browser->adViewDelegate());
    EXPECT_EQ(browser->adView()->browserViewController(), browser);
    EXPECT_FALSE(browser->adView()->showDebug());
    EXPECT_FALSE(browser->URLToLoad());
    EXPECT_FALSE(browser->referringURLToLoad());
    auto landing = page(*browser);
    ASSERT_NE(landing, nullptr);
    ASSERT_EQ(landing->loads().size(), 1u);
    const auto& request = *landing->loads()[0].request;
    EXPECT_EQ(request.url().absoluteString(), "https://land.test/page");
    // Only the host: the ad request's parameters never reach the landing page's server.
    EXPECT_EQ(request.valueForHttpHeaderField("Referer"), "ads.test");

    // A second appearance makes nothing new; a load now goes straight to the page, and
    // without a referrer it names none.
    const auto pages = views.web().pages().size();
    auto shownPage = browser->adView();
    browser->viewWillAppear(false);
    EXPECT_EQ(browser->adView(), shownPage);
    EXPECT_EQ(views.web().pages().size(), pages);
    browser->load(*Url::parse("http://land.test/two"), std::nullopt);
    ASSERT_EQ(landing->loads().size(), 2u);
    EXPECT_FALSE(landing->loads()[1].request->allHttpHeaderFields().contains("Referer"));

    // The landing page's messages reach the leading handlers of the ad app pages, with the
    // delegate's own opener, then the timing reports'.
    const auto& handlers = browser->adViewDelegate()->gmsgHandlers();
    ASSERT_EQ(handlers.size(), 5u);
    auto openerHandler = std::dynamic_pointer_cast<GADOpenerGMSGHandler>(handlers[0]);
    ASSERT_TRUE(openerHandler);
    EXPECT_EQ(openerHandler->opener(), browser->adViewDelegate()->opener());
    EXPECT_TRUE(std::dynamic_pointer_cast<GADVideoPlayerGMSGHandler>(handlers[2]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADPrecacheGMSGHandler>(handlers[3]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADCSIGMSGHandler>(handlers[4]));

    // The browser's page view takes no other controller.
    auto other = ViewController::create();
    browser->adView()->setViewController(other);
    EXPECT_EQ(browser->adView()->viewController(), browser);
    browser->adView()->setViewController({});
    EXPECT_EQ(browser->adView()->browserViewController(), browser);
    browser->relinquishScreenWithCompletion({});
    scope.advance(kAnimation);
}

TEST_F(GADBrowserViewControllerTest, InLandscapeTheToolbarIsLower) {
    Application::shared().setStatusBarOrientation(platform::ui::OrientationLandscapeLeft);
    scope.runUntilIdle();
    auto browser = openBrowser("https://land.test/");
    ASSERT_NE(browser, nullptr);
    const double height = browser->view()->bounds().size.height;
    EXPECT_EQ(browser->toolbar()->frame().size.height, 30);
    EXPECT_EQ(browser->adView()->frame().size.height, height - 30 + 1);
}

TEST_F(GADBrowserViewControllerTest, TheToolbarFollowsThePageBeforeDuringAndAfterALoad) {
    auto browser = openBrowser("https://land.test/");
    ASSERT_NE(browser, nullptr);
    auto landing = page(*browser);
    ASSERT_NE(landing, nullptr);
    // The load has been asked for: the spinner stands in for reload, Safari waits.
    EXPECT_EQ(toolbarItems(*browser), (Strings{"Back", "-", "Forward", "-", "Spinner*", "-",
                                               "View in Safari", "-", "Done*"}));
    EXPECT_TRUE(browser->spinner()->isAnimating());
    EXPECT_EQ(browser->spinner()->frame().size, platform::Size(20, 20));
    EXPECT_EQ(browser->backButton()->width(), 27);
    EXPECT_EQ(browser->reloadButton()->width(), 27);
    EXPECT_EQ(browser->toolbar()->buttonForItem(0)->accessibilityLabel(), "Back");
    EXPECT_EQ(browser->toolbar()->viewForItem(4), browser->spinner());

    landing->fireStart();
    scope.runUntilIdle();
    EXPECT_EQ(browser->toolbar()->items()[4], browser->spinnerContainingButton());
    EXPECT_FALSE(browser->safariButton()->isEnabled());

    landing->setCanGoBack(true);
    landing->fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(toolbarItems(*browser), (Strings{"Back*", "-", "Forward", "-", "Reload*", "-",
                                               "View in Safari*", "-", "Done*"}));
    EXPECT_FALSE(browser->spinner()->isAnimating());

    // A failed load brings the toolbar up to date as well.
    browser->reload();
    EXPECT_EQ(landing->reloadCount(), 1);
    landing->fireStart();
    landing->setCanGoForward(true);
    landing->fireFail(platform::Error("test", 1));
    scope.runUntilIdle();
    EXPECT_EQ(toolbarItems(*browser), (Strings{"Back*", "-", "Forward*", "-", "Reload*", "-",
                                               "View in Safari*", "-", "Done*"}));

    // Back and forward act only when the page can go that way; stop stops.
    browser->back();
    browser->forward();
    landing->setCanGoBack(false);
    browser->back();
    browser->stop();
    EXPECT_EQ(landing->backCount(), 1);
    EXPECT_EQ(landing->forwardCount(), 1);
    EXPECT_EQ(landing->stopCount(), 1);

    // "Done" gives the screen back.
    browser->toolbar()->buttonForItem(8)->tap();
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(GADBrowserViewControllerTest, TheRoadOpensWebPagesOnlyAndCountsOneClick) {
    opener->setReferringURL(Url::parse("https://ads.test/page?x=1"));
    auto browser = openBrowser("https://land.test/", 6);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->supportedInterfaceOrientations(), 6u);
    EXPECT_EQ(browser->slot(), slot);
    EXPECT_EQ(page(*browser)->loads()[0].request->valueForHttpHeaderField("Referer"), "ads.test");
    EXPECT_EQ(slot->clickLog, (Strings{"click"}));
    EXPECT_EQ(slot->clickPings, 1);
    browser->doneButtonPressed();
    scope.advance(kAnimation);

    // Anything but a web page opens nothing and is no click.
    platform::LogSink::Capture log;
    for (const char* url : {"tel:+15551234", "ftp://files.test/x", "javascript:alert(1)"}) {
        adView->setTouched(true);
        opener->openBrowserToURL(*Url::parse(url), 30);
        scope.advance(kAnimation);
        EXPECT_EQ(root->presentedViewController(), nullptr) << url;
    }
    EXPECT_EQ(clicks(), 1);
    EXPECT_TRUE(log.contains("web pages only"));

    // A page's "open" of a video link takes the browser too.
    adView->setTouched(true);
    opener->openVideoToURL(*Url::parse("http://video.test/clip.mp4"), 30);
    scope.advance(kAnimation);
    EXPECT_NE(shownBrowser(), nullptr);
    EXPECT_EQ(clicks(), 2);
}

TEST_F(GADBrowserViewControllerTest, ABrowserOverAnInterstitialIsOneScreenForTheApp) {
    auto interstitial = GADViewController::create();
    interstitial->setSlot(slot);
    ASSERT_TRUE(interstitial->presentFromViewController(root, {}));
    scope.advance(kAnimation);
    opener->setViewController(interstitial);
    // The ad is the interstitial's: the app's screen beneath is covered.
    interstitial->view()->addSubview(adView);

    auto browser = openBrowser("https://land.test/");
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(interstitial->presentedViewController(), browser);
    browser->doneButtonPressed();
    scope.advance(kAnimation);
    EXPECT_EQ(interstitial->presentedViewController(), nullptr);
    EXPECT_EQ(slot->events, (Strings{"willPresent"}));
    interstitial->relinquishScreenWithCompletion({});
    scope.advance(kAnimation);
    EXPECT_EQ(slot->events, (Strings{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(clicks(), 1);
}

TEST_F(GADBrowserViewControllerTest, TheLandingPageIsTimedAndCountedButHasNoClicks) {
    auto browser = openBrowser("https://land.test/");
    ASSERT_NE(browser, nullptr);
    auto landing = page(*browser);
    ASSERT_NE(landing, nullptr);
    const int clicksBefore = clicks();
    const int pingsBefore = slot->clickPings;

    landing->fireStart();
    scope.runUntilIdle();
    const auto start = statistic("tlanding_page_load_start");
    ASSERT_TRUE(start);
    EXPECT_FALSE(statistic("tlanding_page_load_end"));
    landing->fireFinish();
    scope.runUntilIdle();
    const auto end = statistic("tlanding_page_load_end");
    ASSERT_TRUE(end);

    // Links the user follows and forms the user sends count by scheme, case aside, and load
    // in place; script navigations, redirects and other schemes count nothing.
    EXPECT_TRUE(navigate(*landing, "http://land.test/a", NavigationType::LinkClicked));
    EXPECT_TRUE(navigate(*landing, "HTTPS://land.test/b", NavigationType::FormSubmitted));
    EXPECT_TRUE(navigate(*landing, "https://land.test/c", NavigationType::LinkClicked));
    EXPECT_TRUE(navigate(*landing, "http://land.test/d", NavigationType::Other));
    EXPECT_TRUE(navigate(*landing, "https://land.test/e", NavigationType::BackForward));
    Application::shared().setOwnURLSchemes({"movuroute"});
    // Out of the page only by the player's own touch of it, one each: the page's script
    // following the link again opens nothing more.
    browser->adView()->setTouched(true);
    EXPECT_FALSE(navigate(*landing, "movuroute://level/3", NavigationType::LinkClicked));
    EXPECT_FALSE(navigate(*landing, "movuroute://level/4", NavigationType::LinkClicked));
    auto redirect = landing->fireRedirect("http://land.test/f", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_TRUE(redirect->answer.value_or(false));
    EXPECT_EQ(statistic("plpnc")->intValue(), 1);
    EXPECT_EQ(statistic("plpsnc")->intValue(), 2);

    // The first start stays; the end follows the last finished load.
    scope.advance(2);
    landing->fireStart();
    landing->fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(statistic("tlanding_page_load_start")->integerValue(), start->integerValue());
    EXPECT_GE(statistic("tlanding_page_load_end")->integerValue(), end->integerValue() + 2000);

    // None of it was a click on the ad: nothing counted, nothing pinged, although one link
    // left for another app.
    EXPECT_EQ(clicks(), clicksBefore);
    EXPECT_EQ(slot->clickPings, pingsBefore);
    EXPECT_EQ(slot->leftDueToClick, 0);
    EXPECT_FALSE(browser->adViewDelegate()->opener()->slot());
    scope.runUntilIdle();
    EXPECT_EQ(opened(), (Strings{"movuroute://level/3"}));
    Application::shared().setOwnURLSchemes({});
}

TEST_F(GADBrowserViewControllerTest, ViewInSafariLeavesForThePageShownAfterItsConfirmation) {
    platform::UserDefaults::standard().setObject(settings_keys::kClickthroughConfirmSchemes,
                                                 Value::dictionary({{"https", Value("Open")}}));
    auto browser = openBrowser("https://land.test/");
    ASSERT_NE(browser, nullptr);
    auto landing = page(*browser);
    ASSERT_NE(landing, nullptr);
    EXPECT_EQ(clicks(), 1);

    // Nothing shown yet: nothing opens and nothing is recorded.
    landing->setCurrentUrl("");
    browser->openInSafari();
    scope.runUntilIdle();
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_FALSE(statistic("pcbo"));

    landing->setCurrentUrl("https://land.test/deeper");
    landing->fireFinish();
    scope.runUntilIdle();
    // Even when the ad's own opener guards against automatic clicks.
    opener->setAutoClickProtected(true);
    browser->toolbar()->buttonForItem(6)->tap();
    EXPECT_EQ(statistic("pcbo"), Value(true));
    auto alert = AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->message(), "//land.test/deeper");
    scope.runUntilIdle();
    EXPECT_TRUE(opened().empty());

    // Nothing but the browser keeps the opener that asked; the answer still reaches it.
    alert->tapButton(alert->firstOtherButtonIndex());
    scope.runUntilIdle();
    EXPECT_EQ(opened(), (Strings{"https://land.test/deeper"}));
    // A click on the ad again, and the app left for it.
    EXPECT_EQ(clicks(), 2);
    EXPECT_EQ(slot->leftDueToClick, 1);
}

}  // namespace
}  // namespace ads
