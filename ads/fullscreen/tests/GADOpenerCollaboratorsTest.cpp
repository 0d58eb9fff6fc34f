// The opener's collaborators on their own: each holds its opener weakly and does nothing once
// the opener is gone; what each one keeps; and the main-thread checks on their callers.

#include <gtest/gtest.h>

#include <future>
#include <set>
#include <string>
#include <vector>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/fullscreen/GADMailComposeDelegateProxy.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADOpenerComposers.h"
#include "ads/fullscreen/GADOpenerOtherApps.h"
#include "ads/fullscreen/GADOpenerStoreSheets.h"
#include "ads/fullscreen/GADOpenerWebApps.h"
#include "ads/fullscreen/GADSupplementalAdAppViewController.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/services/MailComposer.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::services::MailComposer;
using platform::services::StoreProductLookup;
using platform::ui::AlertView;
using platform::ui::Application;
using platform::ui::ViewController;
using Strings = std::vector<std::string>;

class GADOpenerCollaboratorsTest : public ::testing::Test {
  protected:
    GADOpenerCollaboratorsTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application.
        platform::ui::Application::shared().becomeActive();
        opener->setSlot(screens);
        opener->setViewController(root);
        // The ad, on screen.
        adView = GADAdView::create({0, 430, 320, 50});
        root->view()->addSubview(adView);
        opener->setAdView(adView);
        Application::shared().setDesktopOpener([](const Strings&) { return true; });
        openedBefore = Application::shared().openedURLs().size();
        StoreProductLookup::setScriptForTesting(
            [](std::int64_t id, StoreProductLookup::Completion c) {
                StoreProductLookup::answer(id, c);
            });
    }
    ~GADOpenerCollaboratorsTest() override {
        Application::shared().setDesktopOpener({});
        StoreProductLookup::setScriptForTesting(nullptr);
        MailComposer::setCanSendMailForTesting(std::nullopt);
        AlertView::resetAll();
    }

    // The player's touch on the ad: each opening needs one of its own.
    void tap() { adView->setTouched(true); }
    std::size_t openedCount() const {
        return Application::shared().openedURLs().size() - openedBefore;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ViewController> root = ViewController::create();
    std::shared_ptr<ads::testing::FakeFullScreenSlot> screens =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<GADOpener> opener = GADOpener::create();
    std::shared_ptr<GADAdView> adView;
    std::size_t openedBefore = 0;
};

TEST_F(GADOpenerCollaboratorsTest, OtherAppsRememberOnlyConfirmedURLsAndNeedTheirOpener) {
    platform::UserDefaults::standard().setObject(settings_keys::kClickthroughConfirmSchemes,
                                                 Value::dictionary({{"https", Value("Go")}}));
    auto apps = GADOpenerOtherApps::create(opener);
    tap();
    apps->openApp(*Url::parse("https://land.test/a"));
    auto alert = AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    alert->tapButton(alert->firstOtherButtonIndex());
    tap();
    apps->openApp(*Url::parse("https://land.test/b"));
    alert = AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    alert->tapButton(alert->cancelButtonIndex());
    scope.runUntilIdle();
    EXPECT_EQ(apps->allowedAppURLs(), (std::set<std::string>{"https://land.test/a"}));
    EXPECT_EQ(openedCount(), 1u);
    EXPECT_EQ(screens->clickLog, (Strings{"click", "leave"}));

    // An alert answered after the opener went opens nothing and reports nothing.
    tap();
    apps->openApp(*Url::parse("https://land.test/c"));
    alert = AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    opener.reset();
    alert->tapButton(alert->firstOtherButtonIndex());
    tap();
    apps->openApp(*Url::parse("https://land.test/a"));
    scope.runUntilIdle();
    EXPECT_EQ(openedCount(), 1u);
    EXPECT_EQ(screens->clickLog.size(), 2u);
}

TEST_F(GADOpenerCollaboratorsTest, StoreSheetsCacheLoadedProductsOnceAndNeedTheirOpener) {
    auto sheets = GADOpenerStoreSheets::create(opener);
    // Product 0 fails to load: nothing is cached.
    sheets->fetchInAppStoreForProductID("0");
    sheets->fetchInAppStoreForProductID("7");
    scope.runUntilIdle();
    EXPECT_FALSE(sheets->hasCachedProduct("0"));
    EXPECT_TRUE(sheets->hasCachedProduct("7"));

    tap();
    sheets->openInAppStoreWithProductID("7", std::nullopt, true);
    EXPECT_NE(root->presentedViewController(), nullptr);
    EXPECT_FALSE(sheets->hasCachedProduct("7"));

    // Without the opener a prefetched sheet stays where it is and nothing shows.
    auto other = GADOpener::create();
    other->setViewController(ViewController::create());
    auto orphan = GADOpenerStoreSheets::create(other);
    orphan->fetchInAppStoreForProductID("8");
    scope.runUntilIdle();
    other.reset();
    orphan->openInAppStoreWithProductID("8", std::nullopt, false);
    EXPECT_TRUE(orphan->hasCachedProduct("8"));
}

// A page prefetches without a touch and without end: each prefetch was a sheet kept under the
// page's own text for the page's life.
TEST_F(GADOpenerCollaboratorsTest, StoreSheetsPrefetchOnlySoManyProductsOfShortIdentifiers) {
    platform::LogSink::Capture log;
    auto sheets = GADOpenerStoreSheets::create(opener);
    sheets->fetchInAppStoreForProductID(
        std::string(GADOpenerStoreSheets::kMaxProductIDBytes + 1, '7'));
    for (int i = 1; i <= 300; ++i) sheets->fetchInAppStoreForProductID(std::to_string(i));
    scope.runUntilIdle();
    for (std::size_t i = 1; i <= GADOpenerStoreSheets::kMaxPrefetches; ++i)
        EXPECT_TRUE(sheets->hasCachedProduct(std::to_string(i))) << i;
    EXPECT_FALSE(
        sheets->hasCachedProduct(std::to_string(GADOpenerStoreSheets::kMaxPrefetches + 1)));
    // Each refusal is the page's line, within its budget.
    const auto lines = log.lines();
    EXPECT_EQ(lines.size(), platform::web::WebView::kPageLogLines + 1);
    EXPECT_EQ(lines.back(), platform::web::WebView::kPageLogDroppedLine);
}

TEST_F(GADOpenerCollaboratorsTest, WebAppsConfigureTheirScreensFromTheOpener) {
    GADOpenerWebApps webApps(opener);
    auto overlay = webApps.overlayWithOrientations(0b0110, true);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->supportedInterfaceOrientations(), 0b0110u);
    EXPECT_TRUE(overlay->useCustomClose());
    EXPECT_EQ(overlay->slot(), screens);

    // With the opener gone, a screen is made without a slot and nothing is presented.
    opener.reset();
    EXPECT_EQ(webApps.overlayWithOrientations(0b0010, false)->slot(), nullptr);
    webApps.openWebAppWithHTML("<p>ad</p>", 0b0010, false);
    webApps.expandToWebAppWithSupportedOrientations(0b0010, false);
    scope.runUntilIdle();
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(screens->clickLog.empty());
}

TEST_F(GADOpenerCollaboratorsTest, ComposersLetGoOfWhatTheirOpenerCannotShow) {
    auto composers = GADOpenerComposers::create(opener);
    composers->presentComposerController(nullptr);

    // The gate closed: the composer's proxy lets go and nothing shows.
    MailComposer::setCanSendMailForTesting(true);
    auto mail = MailComposer::create();
    ASSERT_NE(mail, nullptr);
    auto proxy = GADMailComposeDelegateProxy::associatedDelegateProxyForController(mail);
    ASSERT_TRUE(proxy->isProxying());
    opener->setAutoClickProtected(true);
    composers->presentComposerController(mail);
    EXPECT_FALSE(proxy->isProxying());
    EXPECT_EQ(root->presentedViewController(), nullptr);

    // Without the opener, links open nothing.
    opener.reset();
    composers->openEmailComposer(*Url::parse("mailto:a@b.test"));
    scope.runUntilIdle();
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(screens->clickLog.empty());
}

#ifndef NDEBUG

TEST_F(GADOpenerCollaboratorsTest, CallsFromAPoolThreadAreCaughtByName) {
    std::vector<std::string> violations;
    platform::ThreadChecker::ScopedHandlerForTesting handler(
        [&](const char* function) { violations.emplace_back(function); });
    auto sheets = GADOpenerStoreSheets::create(opener);

    EXPECT_FALSE(opener->canOpenContent(false));
    sheets->fetchInAppStoreForProductID("");
    EXPECT_TRUE(violations.empty());

    // The main thread waits meanwhile, so nothing races.
    std::promise<void> done;
    platform::GlobalQueue::async([&] {
        (void)opener->canOpenContent(false);
        sheets->fetchInAppStoreForProductID("");
        done.set_value();
    });
    done.get_future().wait();
    EXPECT_EQ(violations, (Strings{"canOpenContent", "fetchInAppStoreForProductID"}));
}

#endif

}  // namespace
}  // namespace ads
