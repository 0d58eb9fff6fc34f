#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/fullscreen/GADOpenerGMSGHandler.h"

#include <gtest/gtest.h>

#include "platform/ui/Application.h"

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/fullscreen/GADAdAppAdViewDelegate.h"
#include "ads/fullscreen/GADAdAppGMSGHandler.h"
#include "ads/fullscreen/GADDefaultGMSGHandler.h"
#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/fullscreen/GADInterstitialViewController.h"
#include "ads/fullscreen/GADIntrinsicImages.h"
#include "ads/fullscreen/GADMRAIDResizeProperties.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADSupplementalAdAppViewController.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

using ads::GADAdAppViewController;
using ads::GADAdView;
using ads::testing::FakeFullScreenSlot;
using platform::Rect;
using platform::Url;
using platform::ui::ViewController;
using platform::web::FakeWebPage;
using platform::web::NavigationType;

namespace {

using Log = std::vector<std::string>;

// The scripts that delivered events to the page, in order.
Log eventScripts(const FakeWebPage& page) {
    Log scripts;
    for (const auto& script : page.evaluations())
        if (script.rfind("RADE_ReceiveMessage(", 0) == 0) scripts.push_back(script);
    return scripts;
}

// The names of the events the page was sent, in order.
Log pageEvents(const FakeWebPage& page) {
    Log names;
    for (const auto& script : eventScripts(page)) {
        // The name is the first argument, a quoted script string.
        const auto open = std::string("RADE_ReceiveMessage(").size();
        const char quote = script[open];
        names.push_back(script.substr(open + 1, script.find(quote, open + 1) - open - 1));
    }
    return names;
}

class GADAdAppViewControllerTest : public ::testing::Test {
  protected:
    GADAdAppViewControllerTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application.
        platform::ui::Application::shared().becomeActive();
    }
    std::shared_ptr<GADAdAppViewController> controller(std::shared_ptr<GADAdView> adView = {}) {
        auto vc = GADAdAppViewController::create(std::move(adView));
        vc->setSlot(slot);
        return vc;
    }
    // Presented through the modal presenter and the animation run to its end.
    template <class C>
    void show(const std::shared_ptr<C>& vc) {
        ASSERT_TRUE(vc->presentFromViewController(root, nullptr));
        scope.advance(1);
    }
    // The page of the ad view made last.
    FakeWebPage& lastPage() { return *views.web().lastPage(); }
    static void finishLoad(FakeWebPage& page) {
        page.fireStart();
        page.fireFinish();
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    std::shared_ptr<FakeFullScreenSlot> slot = FakeFullScreenSlot::create();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ViewController> root = ViewController::create();
};

}  // namespace

TEST_F(GADAdAppViewControllerTest, TheCloseButtonSitsTopLeftAndGivesTheScreenUp) {
    auto vc = controller();
    EXPECT_EQ(vc->adView()->viewController(), vc);  // the ad view it made
    show(vc);
    auto& button = vc->closeButton();
    EXPECT_EQ(button->superview(), vc->view());
    EXPECT_EQ(button->frame(), (Rect{0, 0, 32, 32}));
    EXPECT_EQ(button->accessibilityLabel(), "Close Advertisement");
    EXPECT_EQ(button->imageForState(platform::ui::ControlStateNormal),
              ads::GADIntrinsicImages::sharedInstance().closeButton());
    EXPECT_EQ(vc->adView()->superview(), vc->view());
    EXPECT_EQ(vc->adView()->frame(), vc->view()->bounds());
    EXPECT_FALSE(vc->adView()->isHidden());
    EXPECT_EQ(vc->adView()->delegate(), vc->adViewDelegate());
    EXPECT_EQ(slot->viewEvents, (Log{"willAppear"}));
    EXPECT_EQ(slot->visibility, (std::vector<bool>{true}));

    button->tap();
    scope.advance(1);
    EXPECT_EQ(slot->events, (Log{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(slot->viewEvents, (Log{"willAppear", "willDisappear"}));
    EXPECT_EQ(slot->visibility, (std::vector<bool>{true, false}));
}

TEST_F(GADAdAppViewControllerTest, CustomCloseHidesTheButtonUnlessTheAdSpeaksMraid) {
    auto plain = controller();
    plain->setUseCustomClose(true);
    show(plain);
    EXPECT_EQ(plain->closeButton()->superview(), nullptr);
    plain->setUseCustomClose(false);  // the creative gives its control up again
    EXPECT_EQ(plain->closeButton()->superview(), plain->view());
    plain->relinquishScreenWithCompletion(nullptr);
    scope.advance(1);

    // Under MRAID: an invisible, tappable area at the creative's close position.
    slot->mraidEnabled = true;
    auto mraid = controller();
    mraid->setUseCustomClose(true);
    mraid->setCustomClosePosition(int(ads::GADMRAIDClosePosition::BottomLeft));
    show(mraid);
    auto& button = mraid->closeButton();
    ASSERT_EQ(button->superview(), mraid->view());
    EXPECT_EQ(button->imageForState(platform::ui::ControlStateNormal),
              ads::GADIntrinsicImages::sharedInstance().transparentImage());
    EXPECT_EQ(button->frame(), (Rect{0, 430, 50, 50}));
    EXPECT_EQ(button->autoresizingMask(), 12u);
    mraid->setCustomClosePosition(int(ads::GADMRAIDClosePosition::TopRight));
    EXPECT_EQ(button->frame(), (Rect{270, 0, 50, 50}));
    // Later controls stay on top of the button.
    EXPECT_EQ(mraid->view()->subviews().back(), button);
}

TEST_F(GADAdAppViewControllerTest, EveryClosePositionHasItsSquareAndItsMargins) {
    using ads::GADMRAIDResizeProperties;
    const Rect content{10, 20, 300, 200};
    const struct {
        int position;
        Rect rect;
        unsigned mask;
    } cases[] = {
        {0, {260, 20, 50, 50}, 33}, {1, {135, 20, 50, 50}, 37}, {2, {10, 20, 50, 50}, 36},
        {3, {135, 95, 50, 50}, 45}, {4, {260, 170, 50, 50}, 9}, {5, {135, 170, 50, 50}, 13},
        {6, {10, 170, 50, 50}, 12}, {7, {10, 20, 50, 50}, 0},   {-1, {10, 20, 50, 50}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GADMRAIDResizeProperties::closeButtonRectForPosition(c.position, content), c.rect)
            << c.position;
        EXPECT_EQ(GADMRAIDResizeProperties::autoresizingMaskForClosePosition(c.position), c.mask)
            << c.position;
    }
}

TEST_F(GADAdAppViewControllerTest, LoadsWaitForThePagesOwnDelegate) {
    auto vc = controller();
    auto& page = lastPage();
    vc->load(Url::parse("https://landing.test/a").value());
    vc->loadHTML("<p>ignored: a URL waits already</p>", std::nullopt);
    EXPECT_TRUE(page.loads().empty());
    show(vc);
    ASSERT_EQ(page.loads().size(), 1u);
    ASSERT_TRUE(page.loads()[0].request);
    EXPECT_EQ(page.loads()[0].request->url().absoluteString(), "https://landing.test/a");

    // Once configured, loads go to the page at once.
    vc->loadHTML("<p>now</p>", Url::parse("https://ads.test/"));
    ASSERT_EQ(page.loads().size(), 2u);
    EXPECT_EQ(page.loads()[1].html, "<p>now</p>");

    vc->relinquishScreenWithCompletion(nullptr);
    scope.advance(1);
    auto html = controller();
    auto& second = lastPage();
    html->loadHTML("<p>later</p>", Url::parse("https://ads.test/base"));
    show(html);
    ASSERT_EQ(second.loads().size(), 1u);
    EXPECT_EQ(second.loads()[0].html, "<p>later</p>");
    EXPECT_EQ(second.loads()[0].baseUrl, "https://ads.test/base");
}

TEST_F(GADAdAppViewControllerTest, TheForegroundRule) {
    auto vc = controller();
    auto& page = lastPage();
    vc->loadHTML("<p>ad</p>", std::nullopt);
    show(vc);
    // Another app was opened before the page had loaded: nothing to come back to.
    vc->adViewDelegate()->setDidOpenAnotherApplication(true);
    EXPECT_TRUE(vc->shouldDismissOnApplicationEnteringForeground());

    finishLoad(page);
    scope.runUntilIdle();
    ASSERT_TRUE(vc->isLoaded());
    // Back from the app the ad opened: the ad survives once, then the usual rule.
    EXPECT_FALSE(vc->shouldDismissOnApplicationEnteringForeground());
    EXPECT_TRUE(vc->shouldDismissOnApplicationEnteringForeground());

    vc->adViewDelegate()->setDidOpenAnotherApplication(true);
    vc->setUseCustomClose(true);
    EXPECT_TRUE(vc->shouldDismissOnApplicationEnteringForeground());
}

TEST_F(GADAdAppViewControllerTest, LandingPageTimesAndNoClicks) {
    auto vc = controller();
    auto& page = lastPage();
    show(vc);
    auto& stats = *slot->statistics;

    page.fireStart();
    scope.runUntilIdle();
    auto first = stats.objectForKey("tlanding_page_load_start");
    ASSERT_TRUE(first);
    scope.advance(2);
    page.fireStart();
    page.fireFinish();
    scope.runUntilIdle();
    EXPECT_EQ(stats.objectForKey("tlanding_page_load_start"), first);  // the first start wins
    auto end = stats.objectForKey("tlanding_page_load_end");
    ASSERT_TRUE(end);
    scope.advance(2);
    page.fireFinish();
    scope.runUntilIdle();
    EXPECT_NE(stats.objectForKey("tlanding_page_load_end"), end);  // every finish counts

    // A web link followed on a landing page is browsing: it loads in place and is no click of
    // the ad (the click that opened the page was counted and pinged where it opened), even
    // while the slot would take a navigation of its own ad page as one.
    slot->adClicks = true;
    auto link = page.fireNavigation("https://landing.test/next", NavigationType::LinkClicked);
    EXPECT_TRUE(slot->clickURLsAsked.empty());
    scope.runUntilIdle();
    EXPECT_EQ(link->answer, true);
    EXPECT_TRUE(slot->clickURLsAsked.empty());
    // Nor is a page message, a load the page starts itself, a reload or a server's redirect.
    page.fireNavigation("gmsg://zivivuads.g.doubleclick.net/log", NavigationType::LinkClicked);
    page.fireNavigation("https://landing.test/script", NavigationType::Other);
    page.fireNavigation("https://landing.test/next", NavigationType::Reload);
    auto moved = page.fireRedirect("https://landing.test/moved", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(moved->answer, true);
    EXPECT_TRUE(slot->clickURLsAsked.empty());

    // The server's switch for a ping on such links has nothing left to switch off.
    platform::UserDefaults::standard().setObject(
        ads::settings_keys::kDisableInterstitialClickPingOnClickNavigation, platform::Value("1"));
    link = page.fireNavigation("https://landing.test/off", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(link->answer, true);
    EXPECT_TRUE(slot->clickURLsAsked.empty());
}

TEST_F(GADAdAppViewControllerTest, AClickOnTheAdsOwnPageGoesToTheOpenerAndNeverLoadsThere) {
    ads::testing::DesktopRecorder desktop;
    auto adView = GADAdView::create({0, 0, 320, 480});
    auto& page = lastPage();
    slot->adViewForScreens = adView;
    auto vc = ads::GADInterstitialViewController::create(slot);
    show(vc);
    page.setCurrentUrl("https://ads.test/ad");
    adView->setURL(Url::parse("https://ads.test/ad"), adView);

    // Not a click by the slot's rule (untouched, too early): the page may go where it goes.
    auto early = page.fireNavigation("https://ads.test/next", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(early->answer, true);
    EXPECT_TRUE(slot->clickURLsAsked.empty());
    adView->setURL(Url::parse("https://ads.test/ad"), adView);

    // A click: the opener takes the slot's click URL to the desktop, once; the page stays. A
    // frame's navigation meanwhile loads in its frame and is none.
    slot->adClicks = true;
    auto frame = page.fireFrameNavigation("https://pictures.test/2", NavigationType::Other);
    auto click = page.fireNavigation("https://land.test/", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(frame->answer, true);
    EXPECT_EQ(click->answer, false);
    EXPECT_TRUE(click->heldBack);
    EXPECT_EQ(slot->clickURLsAsked, (Log{"https://land.test/"}));
    EXPECT_EQ(desktop.opened(), (Log{"https://land.test/"}));
    EXPECT_EQ(adView->URL(), Url::parse("https://ads.test/ad"));
    EXPECT_TRUE(vc->adViewDelegate()->opener()->didOpenAnotherApplication());

    // A server's redirect (of a load the page was allowed) is never a click; page messages,
    // mail and anchors are the page rules' and open nothing more.
    auto moved = page.fireRedirect("https://ads.test/moved", NavigationType::LinkClicked);
    page.fireNavigation("gmsg://movuroute/log?string=x", NavigationType::LinkClicked);
    auto anchor = page.fireNavigation("https://ads.test/ad#top", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(moved->answer, true);
    EXPECT_EQ(anchor->answer, false);
    EXPECT_EQ(slot->clickURLsAsked, (Log{"https://land.test/"}));
    EXPECT_EQ(desktop.opened(), (Log{"https://land.test/"}));
}

TEST_F(GADAdAppViewControllerTest, ItsPageHasTheMRAIDScriptServedWhileItLoads) {
    using ads::GADMRAIDInterceptor;
    GADMRAIDInterceptor::resetCanInitWithRequestCount();
    std::weak_ptr<GADAdAppViewController> weak;
    {
        auto vc = controller();
        weak = vc;
        auto& page = lastPage();
        show(vc);
        // One hold however often the page starts, given back when it finishes or fails.
        page.fireStart();
        page.fireStart();
        scope.runUntilIdle();
        EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
        page.fireFinish();
        scope.runUntilIdle();
        EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
        page.fireStart();
        page.fireFail(platform::Error("test", 1));
        scope.runUntilIdle();
        EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
        // A screen that goes while its page loads gives its hold back too.
        page.fireStart();
        scope.runUntilIdle();
        EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
        vc->closeButton()->tap();
        scope.advance(1);
    }
    scope.runUntilIdle();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
}

TEST_F(GADAdAppViewControllerTest, AControllerThatGoesLeavesItsAdViewClean) {
    auto banner = GADAdView::create({0, 0, 320, 50});
    std::weak_ptr<GADAdAppViewController> weak;
    {
        auto vc = controller(banner);
        weak = vc;
        banner->setViewController(vc);
        show(vc);
        EXPECT_EQ(banner->delegate(), vc->adViewDelegate());
        vc->relinquishScreenWithCompletion(nullptr);
    }
    scope.advance(1);
    ASSERT_TRUE(weak.expired());
    EXPECT_EQ(banner->viewController(), nullptr);
    EXPECT_EQ(banner->delegate(), nullptr);
}

TEST_F(GADAdAppViewControllerTest, TheInterstitialTellsItsPageAndKeepsItsAdWhileUp) {
    EXPECT_EQ(ads::GADInterstitialViewController::create(nullptr), nullptr);
    slot->adViewForScreens = GADAdView::create({0, 0, 320, 480});
    auto& page = lastPage();
    slot->adViewForScreens->loadHTMLString("<p>ad</p>", Url::parse("https://ads.test/"));
    finishLoad(page);
    scope.runUntilIdle();
    // The public object the app may drop once it has presented.
    slot->publicAd = std::make_shared<int>(8);
    std::weak_ptr<void> weakInterstitial = slot->publicAd;
    auto vc = ads::GADInterstitialViewController::create(slot);
    EXPECT_EQ(vc->adView(), slot->adViewForScreens);
    EXPECT_EQ(vc->adView()->viewController(), vc);
    EXPECT_FALSE(vc->isLoaded());
    slot->validAd = true;
    EXPECT_TRUE(vc->isLoaded());
    EXPECT_FALSE(vc->adView()->isArriving());
    ASSERT_TRUE(vc->presentFromViewController(root, nullptr));
    slot->publicAd.reset();
    EXPECT_FALSE(weakInterstitial.expired());
    EXPECT_EQ(pageEvents(page), Log{});  // not on screen yet
    // In the window, arriving until its page has run "onshow" (what it plays waits for that).
    EXPECT_TRUE(vc->adView()->isArriving());
    scope.advance(1);
    scope.runUntilIdle();
    EXPECT_EQ(pageEvents(page), (Log{"onshow"}));
    EXPECT_TRUE(vc->adView()->isArriving());
    while (page.answerNextScript({})) {
    }
    scope.runUntilIdle();
    EXPECT_FALSE(vc->adView()->isArriving());

    vc->relinquishScreenWithCompletion(nullptr);
    vc->relinquishScreenWithCompletion(nullptr);  // leaving already: no second "onhide"
    scope.runUntilIdle();
    EXPECT_EQ(pageEvents(page), (Log{"onshow", "onhide"}));
    EXPECT_NE(vc->adView(), nullptr);
    scope.advance(1);
    EXPECT_EQ(vc->adView(), nullptr);  // the slot's ad view is let go once gone
    EXPECT_EQ(slot->adViewForScreens->viewController(), nullptr);
    vc.reset();
    EXPECT_TRUE(weakInterstitial.expired());
}

TEST_F(GADAdAppViewControllerTest, AnInterstitialThatShowsNothingKeepsNothing) {
    slot->adViewForScreens = GADAdView::create({0, 0, 320, 480});
    auto vc = ads::GADInterstitialViewController::create(slot);
    slot->publicAd = std::make_shared<int>(1);
    std::weak_ptr<void> weak = slot->publicAd;
    EXPECT_FALSE(vc->presentFromViewController(nullptr, nullptr));
    EXPECT_FALSE(slot->adViewForScreens->isArriving());
    slot->publicAd.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(GADAdAppViewControllerTest, AnExpandedBannerComesBackToItsPlace) {
    auto app = platform::ui::View::create({0, 0, 320, 480});
    root->view()->addSubview(app);
    auto banner = GADAdView::create({0, 430, 320, 50});
    app->addSubview(banner);
    auto bannerDelegate = ads::GADAdViewDelegate::create();
    banner->setDelegate(bannerDelegate);
    banner->setViewController(root);

    EXPECT_EQ(ads::GADExpandedAdAppViewController::create(nullptr), nullptr);
    std::weak_ptr<platform::ui::ImageView> picture;
    {
        auto vc = ads::GADExpandedAdAppViewController::create(banner);
        vc->setSlot(slot);
        EXPECT_TRUE(vc->isLoaded());
        show(vc);
        picture = vc->renderedBanner();
        ASSERT_NE(picture.lock(), nullptr);
        EXPECT_EQ(picture.lock()->superview(), app);  // a still picture in the banner's place
        EXPECT_EQ(picture.lock()->frame(), (Rect{0, 430, 320, 50}));
        EXPECT_EQ(banner->superview(), vc->view());
        EXPECT_EQ(banner->viewController(), vc);

        vc->relinquishScreenWithCompletion(nullptr);
        EXPECT_EQ(banner->superview(), app);
        EXPECT_EQ(banner->frame(), (Rect{0, 430, 320, 50}));
        EXPECT_EQ(banner->delegate(), bannerDelegate);
        EXPECT_EQ(banner->viewController(), root);
        scope.advance(1);
        EXPECT_EQ(picture.lock()->superview(), app);  // until the controller goes
    }
    EXPECT_TRUE(picture.expired());
    EXPECT_EQ(banner->viewController(), root);
    EXPECT_EQ(banner->delegate(), bannerDelegate);
}

TEST_F(GADAdAppViewControllerTest, ASupplementalPageAndItsBannerHearOfTheExpansion) {
    slot->adViewForScreens = GADAdView::create({0, 0, 320, 50});
    auto& bannerPage = lastPage();
    slot->adViewForScreens->loadHTMLString("<p>banner</p>", std::nullopt);
    finishLoad(bannerPage);

    auto vc = ads::GADSupplementalAdAppViewController::create();
    auto& page = lastPage();
    vc->setSlot(slot);
    vc->loadHTML("<p>second part</p>", std::nullopt);
    show(vc);
    finishLoad(page);
    scope.runUntilIdle();
    EXPECT_EQ(pageEvents(page),
              (Log{"onAdVisibilityChanged", "onReadyEventReceived", "onStateChanged"}));
    EXPECT_EQ(pageEvents(bannerPage), (Log{"onStateChanged"}));
    EXPECT_NE(eventScripts(page).front().find("\"visible\":\"1\""), std::string::npos);

    vc->relinquishScreenWithCompletion(nullptr);
    scope.advance(1);
    scope.runUntilIdle();
    EXPECT_EQ(pageEvents(page).back(), "onAdVisibilityChanged");
    EXPECT_EQ(pageEvents(bannerPage), (Log{"onStateChanged", "onStateChanged"}));
    EXPECT_NE(eventScripts(bannerPage).back().find("\"state\":\"default\""), std::string::npos);
}

TEST_F(GADAdAppViewControllerTest, ThePageAsksForItsOwnCloseControlByMessage) {
    auto vc = controller();
    show(vc);
    const auto& handlers = vc->adViewDelegate()->gmsgHandlers();
    // Not a slot's interstitial, so no app events: the page's own opener, the defaults, the
    // video, precaching, the timings, the ad app's own.
    ASSERT_EQ(handlers.size(), 6u);
    auto opener = std::dynamic_pointer_cast<ads::GADOpenerGMSGHandler>(handlers[0]);
    ASSERT_TRUE(opener);
    EXPECT_EQ(opener->opener(), vc->adViewDelegate()->opener());
    EXPECT_TRUE(std::dynamic_pointer_cast<ads::GADDefaultGMSGHandler>(handlers[1]));
    EXPECT_TRUE(std::dynamic_pointer_cast<ads::GADVideoPlayerGMSGHandler>(handlers[2]));
    EXPECT_TRUE(std::dynamic_pointer_cast<ads::GADPrecacheGMSGHandler>(handlers[3]));
    EXPECT_TRUE(std::dynamic_pointer_cast<ads::GADCSIGMSGHandler>(handlers[4]));
    EXPECT_TRUE(std::dynamic_pointer_cast<ads::GADAdAppGMSGHandler>(handlers[5]));

    ASSERT_EQ(vc->closeButton()->superview(), vc->view());
    vc->adViewDelegate()->handleGMSGURL(*Url::parse("gmsg://movuroute/customClose?custom_close=1"),
                                        vc->adView());
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return vc->useCustomClose(); }));
    EXPECT_EQ(vc->closeButton()->superview(), nullptr);
}
