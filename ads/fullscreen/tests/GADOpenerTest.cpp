#include "ads/fullscreen/GADOpener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/fullscreen/GADMailComposeDelegateProxy.h"
#include "ads/fullscreen/GADMessageComposeDelegateProxy.h"
#include "ads/fullscreen/GADOpenerComposers.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/fullscreen/GADSupplementalAdAppViewController.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/base/LogSink.h"
#include "platform/services/MailComposer.h"
#include "platform/services/MessageComposer.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::services::MailComposer;
using platform::services::MessageComposer;
using platform::services::StoreProductLookup;
using platform::services::StoreProductSheet;
using platform::ui::AlertView;
using platform::ui::Application;
using platform::ui::ViewController;
using Strings = std::vector<std::string>;

// The time a modal presentation or dismissal takes, and a little more.
constexpr double kAnimation = 0.5;

class GADOpenerTest : public ::testing::Test {
  protected:
    GADOpenerTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application.
        platform::ui::Application::shared().becomeActive();
        opener->setSlot(screens);
        opener->setViewController(root);
        // The SDK core page's controller comes first, so the ad view's page is the last made.
        (void)GADSDKCoreController::sharedInstance();
        adView = GADAdView::create({10, 20, 300, 50});
        opener->setAdView(adView);
        root->view()->addSubview(container);
        container->addSubview(adView);
        Application::shared().setDesktopOpener([](const Strings&) { return true; });
        openedBefore = Application::shared().openedURLs().size();
    }
    ~GADOpenerTest() override {
        Application::shared().setDesktopOpener({});
        StoreProductLookup::setScriptForTesting(nullptr);
        MailComposer::setCanSendMailForTesting(std::nullopt);
        MessageComposer::setCanSendTextForTesting(std::nullopt);
        AlertView::resetAll();
    }

    Strings opened() {
        const auto& all = Application::shared().openedURLs();
        return {all.begin() + static_cast<std::ptrdiff_t>(openedBefore), all.end()};
    }
    int clicks() const {
        return static_cast<int>(
            std::count(screens->clickLog.begin(), screens->clickLog.end(), "click"));
    }
    // The page script calls every page of the test got that mention the text.
    std::size_t scriptsMentioning(const std::string& text) {
        std::size_t count = 0;
        for (const auto& page : views.web().pages())
            for (const auto& script : page->evaluations())
                count += script.find(text) != std::string::npos;
        return count;
    }
    void setConfirmSchemes(Value value) {
        platform::UserDefaults::standard().setObject(settings_keys::kClickthroughConfirmSchemes,
                                                     std::move(value));
    }
    // A full-screen ad of the same slot, on screen.
    std::shared_ptr<GADViewController> presentInterstitial(bool finish = true) {
        auto screen = GADViewController::create();
        screen->setSlot(screens);
        EXPECT_TRUE(screen->presentFromViewController(root, {}));
        if (finish) scope.advance(kAnimation);
        opener->setViewController(screen);
        return screen;
    }
    // The player's touch on the ad: each opening needs one of its own.
    void tap() { adView->setTouched(true); }
    std::shared_ptr<ViewController> topController() {
        auto top = root;
        while (top->presentedViewController()) top = top->presentedViewController();
        return top;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ViewController> root = ViewController::create();
    std::shared_ptr<platform::ui::View> container = platform::ui::View::create({0, 0, 320, 480});
    std::shared_ptr<GADAdView> adView;
    std::shared_ptr<ads::testing::FakeFullScreenSlot> screens =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<GADOpener> opener = GADOpener::create();
    std::size_t openedBefore = 0;
};

TEST_F(GADOpenerTest, TheGateAndLinksTheDesktopCannotFollow) {
    // Protected and untouched: nothing asked, opened or counted; the core page hears of it.
    opener->setAutoClickProtected(true);
    opener->setNavigationURL("https://land.test/blocked");
    opener->openApp(*Url::parse("https://land.test/"));
    opener->openEmailComposer(*Url::parse("mailto:a@b.test"));
    opener->openInAppStoreWithProductID("123", std::nullopt, false);
    scope.runUntilIdle();
    EXPECT_TRUE(opened().empty());
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(clicks(), 0);
    EXPECT_EQ(scriptsMentioning("navigationBlocked"), 3u);
    EXPECT_EQ(scriptsMentioning("blocked"), 3u);
    // Each report is a call to the ad server: three per ad say it all, a new ad may be
    // reported again, and an opener whose ad view is gone reports nothing.
    for (int i = 0; i < 50; ++i) opener->openApp(*Url::parse("https://land.test/"));
    scope.runUntilIdle();
    EXPECT_EQ(scriptsMentioning("navigationBlocked"), 3u);
    adView->setTouched(false);
    opener->openApp(*Url::parse("https://land.test/"));
    opener->setAdView({});
    opener->openApp(*Url::parse("https://land.test/"));
    opener->setAdView(adView);
    scope.runUntilIdle();
    EXPECT_EQ(scriptsMentioning("navigationBlocked"), 4u);

    // Touched, the same opens: the click and the leaving are reported before the app is left,
    // which happens on a later turn.
    adView->setTouched(true);
    opener->openApp(*Url::parse("https://land.test/"));
    EXPECT_EQ(screens->clickLog, (Strings{"click", "leave"}));
    EXPECT_TRUE(opened().empty());
    EXPECT_TRUE(opener->didOpenAnotherApplication());
    scope.runUntilIdle();
    EXPECT_EQ(opened(), (Strings{"https://land.test/"}));

    // A tel: link (even one listed for confirmation) ends like missing content.
    platform::LogSink::Capture log;
    tap();
    opener->openApp(*Url::parse("tel:+15551234"));
    scope.runUntilIdle();
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(opened().size(), 1u);
    EXPECT_EQ(clicks(), 1);
    EXPECT_TRUE(log.contains("cannot open tel: links"));
}

TEST_F(GADOpenerTest, ATouchedAdOpensOnlyWhileOnScreenInTheActiveApplication) {
    // Each way out of sight, undone again: the touched ad opens nothing, and refused it is
    // counted as no click; back on screen, the same touch opens.
    auto other = platform::ui::Window::create({0, 0, 320, 480});
    const std::vector<std::pair<const char*, std::function<void(bool)>>> outOfSight = {
        {"inactive application",
         [](bool out) {
             out ? Application::shared().resignActive() : Application::shared().becomeActive();
         }},
        {"another key window",
         [&](bool out) { out ? other->makeKeyWindow() : window->makeKeyWindow(); }},
        {"hidden window", [&](bool out) { window->setHidden(out); }},
        {"hidden ad view", [&](bool out) { adView->setHidden(out); }},
        {"hidden superview", [&](bool out) { container->setHidden(out); }},
        {"transparent ad view", [&](bool out) { adView->setAlpha(out ? 0.005 : 1); }},
        {"transparent superview", [&](bool out) { container->setAlpha(out ? 0 : 1); }},
        {"superview deaf to touches",
         [&](bool out) { container->setUserInteractionEnabled(!out); }},
        {"below the window",
         [&](bool out) {
             adView->setFrame({10, out ? 480.0 : 20.0, 300, 50});
         }},
        {"clipped away",
         [&](bool out) {
             container->setClipsToBounds(out);
             container->setFrame({0, 0, 320, out ? 10.0 : 480.0});
         }},
        {"out of every window",
         [&](bool out) { out ? adView->removeFromSuperview() : container->addSubview(adView); }},
    };
    for (const auto& [name, put] : outOfSight) {
        SCOPED_TRACE(name);
        const auto openedBefore = opened().size();
        const int clicksBefore = clicks();
        tap();
        put(true);
        opener->openApp(*Url::parse("https://land.test/"));
        scope.runUntilIdle();
        EXPECT_EQ(opened().size(), openedBefore);
        EXPECT_EQ(clicks(), clicksBefore);
        put(false);
        opener->openApp(*Url::parse("https://land.test/"));
        scope.runUntilIdle();
        EXPECT_EQ(opened().size(), openedBefore + 1);
        EXPECT_EQ(clicks(), clicksBefore + 1);
    }
}

TEST_F(GADOpenerTest, ConfirmedSchemesAskOnceAndCancelForgets) {
    setConfirmSchemes(Value::dictionary({{"https", Value("Open")}}));
    // Looked up as spelled, then lower-cased.
    tap();
    opener->openApp(*Url::parse("HTTPS://land.test/a"));
    auto alert = AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "");
    EXPECT_EQ(alert->message(), "//land.test/a");
    ASSERT_EQ(alert->numberOfButtons(), 2);
    EXPECT_EQ(alert->buttonTitleAtIndex(alert->cancelButtonIndex()), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(alert->firstOtherButtonIndex()), "Open");
    EXPECT_EQ(clicks(), 0);

    alert->tapButton(alert->firstOtherButtonIndex());
    scope.runUntilIdle();
    EXPECT_EQ(opened(), (Strings{"HTTPS://land.test/a"}));
    EXPECT_EQ(clicks(), 1);
    // Confirmed once, it opens without asking again.
    tap();
    opener->openApp(*Url::parse("HTTPS://land.test/a"));
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    scope.runUntilIdle();
    EXPECT_EQ(opened().size(), 2u);

    // Cancel opens nothing and forgets the alert: the next open asks again.
    for (int ask = 0; ask < 2; ++ask) {
        tap();
        opener->openApp(*Url::parse("https://land.test/b"));
        alert = AlertView::visibleAlert();
        ASSERT_NE(alert, nullptr);
        alert->tapButton(alert->cancelButtonIndex());
        scope.runUntilIdle();
    }
    EXPECT_EQ(opened().size(), 2u);
    EXPECT_EQ(clicks(), 2);
    // Only the confirmed URL is remembered: it opens at once, the cancelled one asks.
    tap();
    opener->openApp(*Url::parse("HTTPS://land.test/a"));
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    scope.runUntilIdle();
    EXPECT_EQ(opened().size(), 3u);
    tap();
    opener->openApp(*Url::parse("https://land.test/b"));
    alert = AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    alert->tapButton(alert->cancelButtonIndex());
    scope.runUntilIdle();
    EXPECT_EQ(clicks(), 3);

    // An empty dictionary turns confirmation off for every scheme.
    setConfirmSchemes(Value::dictionary({}));
    tap();
    opener->openApp(*Url::parse("https://land.test/b"));
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    scope.runUntilIdle();
    EXPECT_EQ(opened().size(), 4u);
}

TEST_F(GADOpenerTest, StoreSheetsFromTheCacheWaitingOrNot) {
    std::vector<std::int64_t> lookups;
    StoreProductLookup::setScriptForTesting([&](std::int64_t id, StoreProductLookup::Completion c) {
        lookups.push_back(id);
        StoreProductLookup::answer(id, c);
    });
    // A missing product id is ignored.
    tap();
    opener->openInAppStoreWithProductID("", std::nullopt, false);
    opener->fetchInAppStoreForProductID("");
    scope.runUntilIdle();
    EXPECT_TRUE(lookups.empty());

    // A prefetched sheet shows at once, without a lookup, and only once.
    opener->fetchInAppStoreForProductID("123");
    scope.runUntilIdle();
    tap();
    opener->openInAppStoreWithProductID("123", std::nullopt, true);
    EXPECT_NE(root->presentedViewController(), nullptr);
    scope.advance(kAnimation);
    auto sheet = std::dynamic_pointer_cast<StoreProductSheet>(root->presentedViewController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->headline(), "Product 123");
    EXPECT_EQ(lookups, (std::vector<std::int64_t>{123}));
    EXPECT_EQ(clicks(), 1);
    sheet->rightButton()->tap();  // Done
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss", "didDismiss"}));

    // Waiting: the sheet comes once the product has loaded; the next open loads again.
    tap();
    opener->openInAppStoreWithProductID("123", std::nullopt, true);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    scope.advance(kAnimation);
    EXPECT_EQ(lookups.size(), 2u);
    sheet = std::dynamic_pointer_cast<StoreProductSheet>(root->presentedViewController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(clicks(), 2);
    sheet->rightButton()->tap();
    scope.advance(kAnimation);

    // Not waiting and failing: the sheet shown at once is closed and the fallback opens.
    tap();
    opener->openInAppStoreWithProductID("0", Url::parse("https://store.test/fallback"), false);
    ASSERT_NE(root->presentedViewController(), nullptr);
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    scope.runUntilIdle();
    EXPECT_EQ(opened(), (Strings{"https://store.test/fallback"}));
    // Waiting and failing: no sheet, but the user still goes where the ad meant.
    tap();
    opener->openInAppStoreWithProductID("x", Url::parse("https://store.test/other"), true);
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(opened(), (Strings{"https://store.test/fallback", "https://store.test/other"}));
    // A failed prefetch leaves nothing: the next open looks the product up again.
    opener->fetchInAppStoreForProductID("0");
    scope.runUntilIdle();
    const auto before = lookups.size();
    tap();
    opener->openInAppStoreWithProductID("0", std::nullopt, true);
    scope.advance(kAnimation);
    EXPECT_EQ(lookups.size(), before + 1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(GADOpenerTest, ExpandFromABannerAndNotFromAFullScreenAd) {
    adView->loadHTMLString("<p>ad</p>", Url::parse("https://ads.test/ad"));
    auto& page = *views.web().pages().back();
    page.fireStart();
    page.fireFinish();
    scope.runUntilIdle();
    adView->setTouched(true);

    // From a full-screen ad: nothing, not even an error.
    auto screen = presentInterstitial();
    tap();
    opener->expandToWebAppWithSupportedOrientations(30, false);
    scope.advance(kAnimation);
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    EXPECT_EQ(clicks(), 0);
    screen->relinquishScreenWithCompletion({});
    scope.advance(kAnimation);
    screens->events.clear();

    // From a banner: the ad view goes full screen and comes back to the same place.
    page.setPaintedFrame({300, 50, std::vector<std::uint8_t>(300 * 50 * 4, 0xc0)});
    opener->setViewController(root);
    tap();
    opener->expandToWebAppWithSupportedOrientations(30, true);
    EXPECT_EQ(clicks(), 1);
    scope.advance(kAnimation);
    auto expanded =
        std::dynamic_pointer_cast<GADExpandedAdAppViewController>(root->presentedViewController());
    ASSERT_NE(expanded, nullptr);
    EXPECT_EQ(expanded->adView(), adView);
    EXPECT_TRUE(expanded->useCustomClose());
    EXPECT_EQ(scriptsMentioning("'expanding'"), 1u);
    EXPECT_EQ(scriptsMentioning("\"expanded\""), 1u);
    // The page paints its expanded layout; the banner keeps the picture it had of the page.
    page.setPaintedFrame({300, 480, std::vector<std::uint8_t>(300 * 480 * 4, 0x20)});
    while (page.answerNextScript({})) {
    }
    expanded->relinquishScreenWithCompletion({});
    scope.runUntilIdle();
    // Back as the screen starts to leave, and told so then, not once its animation is over;
    // until the page has run that and painted, the banner shows the page's picture from before.
    EXPECT_EQ(adView->superview(), container);
    EXPECT_EQ(adView->frame(), (platform::Rect{10, 20, 300, 50}));
    EXPECT_EQ(scriptsMentioning("'collapsed'"), 1u);
    EXPECT_EQ(scriptsMentioning("\"default\""), 1u);
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss"}));
    EXPECT_TRUE(adView->webContentView()->isHoldingFrame());
    EXPECT_EQ(adView->webContentView()->content().height(), 50);
    EXPECT_EQ(page.freshFrameRequestCount(), 0u);
    while (page.answerNextScript({})) {
    }
    scope.runUntilIdle();
    EXPECT_EQ(page.freshFrameRequestCount(), 1u);
    scope.advance(kAnimation);
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(scriptsMentioning("\"default\""), 1u);
}

TEST_F(GADOpenerTest, WebAppsAndTheirRefusals) {
    platform::LogSink::Capture log;
    // No window of the ad takes landscape only: refused with the ad's error, nothing shown.
    window->addSubview(container);
    Application::shared().setSupportedInterfaceOrientations(1u << 1);
    tap();
    opener->openWebApp(*Url::parse("https://app.test/"), 24, false);
    EXPECT_TRUE(
        log.contains("Expanding an ad is not allowed: the app takes none of the "
                     "orientations the ad asks for."));
    Application::shared().setSupportedInterfaceOrientations(30);

    // Only web addresses load; without a controller to present from, nothing opens.
    tap();
    opener->openWebApp(*Url::parse("file:///etc/passwd"), 30, false);
    opener->setViewController({});
    tap();
    opener->openWebApp(*Url::parse("https://app.test/"), 30, false);
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(clicks(), 0);

    opener->setViewController(root);
    tap();
    opener->openWebAppWithHTML("<p>app</p>", 6, true);
    scope.advance(kAnimation);
    auto app = std::dynamic_pointer_cast<GADSupplementalAdAppViewController>(
        root->presentedViewController());
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->supportedInterfaceOrientations(), 6u);
    EXPECT_TRUE(app->useCustomClose());
    EXPECT_EQ(app->slot(), screens);
    EXPECT_EQ(clicks(), 1);
}

TEST_F(GADOpenerTest, MailAndMessageComposersFromLinks) {
    tap();
    opener->openEmailComposer(*Url::parse(
        "mailto:ann%40ads.test?cc=bo@ads.test,cy@ads.test&Subject=Hi%20there&body=A+b"));
    scope.advance(kAnimation);
    auto mail = std::dynamic_pointer_cast<MailComposer>(root->presentedViewController());
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->fields().to, (Strings{"ann@ads.test"}));
    EXPECT_EQ(mail->fields().cc, (Strings{"bo@ads.test", "cy@ads.test"}));
    EXPECT_TRUE(mail->fields().bcc.empty());
    EXPECT_EQ(mail->fields().subject, "Hi there");
    EXPECT_EQ(mail->fields().body, "A+b");
    EXPECT_FALSE(mail->isBodyHTML());
    EXPECT_EQ(clicks(), 1);

    // Send: the desktop gets the message, the composer goes and its proxies let go.
    std::weak_ptr<MailComposer> weakMail = mail;
    std::weak_ptr<GADMailComposeDelegateProxy> proxy =
        std::dynamic_pointer_cast<GADMailComposeDelegateProxy>(mail->mailComposeDelegate());
    ASSERT_FALSE(proxy.expired());
    mail->sendButton()->tap();
    mail.reset();
    scope.advance(kAnimation);
    scope.runUntilIdle();
    ASSERT_EQ(opened().size(), 1u);
    EXPECT_EQ(opened()[0].rfind("mailto:ann@ads.test?", 0), 0u);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(weakMail.expired());
    EXPECT_TRUE(proxy.expired());
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss", "didDismiss"}));

    tap();
    opener->openSmsComposer(*Url::parse("sms:+15551234,5556789?body=Hello%20you"));
    scope.advance(kAnimation);
    auto message = std::dynamic_pointer_cast<MessageComposer>(root->presentedViewController());
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->fields().recipients, (Strings{"+15551234", "5556789"}));
    EXPECT_EQ(message->fields().body, "Hello you");
    message->cancelButton()->tap();
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);

    // A device that cannot send does nothing.
    MailComposer::setCanSendMailForTesting(false);
    MessageComposer::setCanSendTextForTesting(false);
    tap();
    opener->openEmailComposer(*Url::parse("mailto:a@b.test"));
    tap();
    opener->openSmsComposer(*Url::parse("sms:123"));
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(clicks(), 2);
}

TEST_F(GADOpenerTest, AComposerWaitsForAnAppearingScreenAndNeedsTheAdStillOnScreen) {
    // The ad is the interstitial's, whose screen is appearing.
    auto screen = presentInterstitial(false);
    ASSERT_FALSE(screen->view()->isUserInteractionEnabled());
    container->removeFromSuperview();
    screen->view()->addSubview(container);
    tap();
    opener->openEmailComposer(*Url::parse("mailto:a@b.test"));
    // Not on screen while its screen comes: refused at once.
    EXPECT_EQ(clicks(), 0);
    scope.advance(kAnimation);
    EXPECT_EQ(topController(), screen);
    // Once it is there, a touch opens the composer over it.
    tap();
    opener->openEmailComposer(*Url::parse("mailto:a@b.test"));
    EXPECT_EQ(clicks(), 1);
    auto mail = std::dynamic_pointer_cast<MailComposer>(topController());
    ASSERT_NE(mail, nullptr);
    scope.advance(kAnimation);
    // Over the interstitial the app still hears one will-present ...
    EXPECT_EQ(screens->events, (Strings{"willPresent"}));
    mail->cancelButton()->tap();
    mail.reset();
    scope.advance(kAnimation);
    screen->relinquishScreenWithCompletion({});
    scope.advance(kAnimation);
    // ... and one will/did-dismiss.
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss", "didDismiss"}));

    // A composer waiting for a screen that leaves meanwhile is given up, and lets go.
    screen = presentInterstitial(false);
    tap();
    opener->openSmsComposer(*Url::parse("sms:123"));
    screen->relinquishScreenWithCompletion({});
    scope.advance(kAnimation);
    scope.advance(GADOpenerComposers::kComposerRetryInterval);
    scope.runUntilIdle();
    EXPECT_EQ(clicks(), 1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(GADOpenerTest, WithTheOpenerGoneAComposerStillClosesAndLetsGo) {
    tap();
    opener->openEmailComposer(*Url::parse("mailto:a@b.test"));
    scope.advance(kAnimation);
    std::weak_ptr<MailComposer> mail =
        std::dynamic_pointer_cast<MailComposer>(root->presentedViewController());
    ASSERT_FALSE(mail.expired());
    std::weak_ptr<GADMailComposeDelegateProxy> proxy =
        std::dynamic_pointer_cast<GADMailComposeDelegateProxy>(mail.lock()->mailComposeDelegate());
    // The screen's proxy kept the opener; without it the opener goes.
    GADOverlayProxy::overlayProxyForViewController(mail.lock())->setOpener(nullptr);
    std::weak_ptr<GADOpener> weakOpener = opener;
    opener.reset();
    ASSERT_TRUE(weakOpener.expired());

    mail.lock()->cancelButton()->tap();
    scope.advance(kAnimation);
    scope.runUntilIdle();
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(proxy.expired());
    EXPECT_TRUE(mail.expired());
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADOpenerTest, RoadsOfOtherRoomsRunBehindTheGate) {
    GADOpenerRoads roads;
    Strings taken;
    EXPECT_TRUE(roads.setBrowser([&](GADOpener&, const Url& url, std::uint64_t orientations) {
        taken.push_back("browser " + url.absoluteString() + " " + std::to_string(orientations));
    }));
    // A road is set once.
    EXPECT_FALSE(roads.setBrowser([&](GADOpener&, const Url&, std::uint64_t) {}));
    EXPECT_TRUE(roads.setInAppPurchase(
        [&](GADOpener&, const std::string& product, std::int64_t quantity, const Strings& reports) {
            taken.push_back("purchase " + product + " " + std::to_string(quantity) + " " +
                            std::to_string(reports.size()));
        }));
    EXPECT_TRUE(roads.setResize([&](GADOpener&, const Value::Dictionary& properties) {
        taken.push_back("resize " + std::to_string(properties.size()));
    }));
    EXPECT_TRUE(roads.setCalendar([&](GADOpener&, const Value::Dictionary& event) {
        taken.push_back("calendar " + std::to_string(event.size()));
    }));
    auto own = GADOpener::create(roads);
    own->setSlot(screens);
    own->setViewController(root);
    own->setAdView(adView);

    // Video without a road of its own takes the browser's.
    tap();
    own->openVideoToURL(*Url::parse("https://video.test/"), 30);
    tap();
    own->openBrowserToURL(*Url::parse("https://browser.test/"), 6);
    tap();
    own->openInAppPurchase("42", 2, {"https://r.test/1"});
    // Resizing and the calendar check what the creative asks in their roads, before they ask
    // the gate themselves: their roads are taken untouched.
    own->openWebAppWithResizeProperties({{"width", Value(100)}});
    own->openCalendarWithDictionary({});
    EXPECT_EQ(taken, (Strings{"browser https://video.test/ 30", "browser https://browser.test/ 6",
                              "purchase 42 2 1", "resize 1", "calendar 0"}));

    // The gate comes first: a protected ad nobody touched takes no road.
    taken.clear();
    own->setAutoClickProtected(true);
    own->openBrowserToURL(*Url::parse("https://browser.test/"), 6);
    own->openInAppPurchase("42", 1, {});
    EXPECT_TRUE(taken.empty());

    // An opener whose roads are unset logs instead.
    GADOpenerRoads unset;
    auto bare = GADOpener::create(unset);
    bare->setSlot(screens);
    bare->setViewController(root);
    bare->setAdView(adView);
    tap();
    platform::LogSink::Capture log;
    bare->openVideoToURL(*Url::parse("https://video.test/"), 30);
    EXPECT_TRUE(log.contains("no in-app browser is registered; nothing opened."));
}

}  // namespace
}  // namespace ads
