#include "ads/fullscreen/GADOpenerGMSGHandler.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "ads/web/GADPagePings.h"
#include "platform/base/LogSink.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Value;
using platform::services::StoreProductLookup;
using platform::ui::Application;
using platform::ui::ViewController;
using Strings = std::vector<std::string>;
using Params = Value::Dictionary;

class GADOpenerGMSGHandlerTest : public ::testing::Test {
  protected:
    GADOpenerGMSGHandlerTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application.
        platform::ui::Application::shared().becomeActive();
        opener->setSlot(slot);
        opener->setViewController(root);
        // The ad whose page sends the messages, on screen.
        adView = GADAdView::create({0, 430, 320, 50});
        root->view()->addSubview(adView);
        opener->setAdView(adView);
        Application::shared().setDesktopOpener([](const Strings&) { return true; });
        openedBefore = Application::shared().openedURLs().size();
    }
    ~GADOpenerGMSGHandlerTest() override {
        Application::shared().setDesktopOpener({});
        Application::shared().setStatusBarOrientation(platform::ui::OrientationPortrait);
        Application::shared().setSupportedInterfaceOrientations(1u << 1);
        StoreProductLookup::setScriptForTesting(nullptr);
        platform::ui::AlertView::resetAll();
    }

    // The player touched the ad before each "open": every opening needs a touch of its own.
    bool send(const std::string& action, Params params) {
        if (action == "open") adView->setTouched(true);
        auto note = GADNotification::create(action, std::move(params));
        return handler->handleNotification(note, nullptr);
    }
    int clicks() const {
        return static_cast<int>(std::count(slot->clickLog.begin(), slot->clickLog.end(), "click"));
    }
    Strings opened() {
        const auto& all = Application::shared().openedURLs();
        return {all.begin() + static_cast<std::ptrdiff_t>(openedBefore), all.end()};
    }
    static Params params(std::initializer_list<std::pair<const char*, const char*>> pairs) {
        Params out;
        for (const auto& [k, v] : pairs) out[k] = Value(v);
        return out;
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
    std::shared_ptr<GADOpenerGMSGHandler> handler = GADOpenerGMSGHandler::create(opener);
    std::size_t openedBefore = 0;
};

TEST_F(GADOpenerGMSGHandlerTest, ParameterReaders) {
    using H = GADOpenerGMSGHandler;
    EXPECT_EQ(H::orientationFromParams({}), 30u);
    EXPECT_EQ(H::orientationFromParams(params({{"o", "p"}})), 6u);
    EXPECT_EQ(H::orientationFromParams(params({{"o", "l"}})), 24u);
    EXPECT_EQ(H::orientationFromParams(params({{"o", "c"}})), 6u);
    Application::shared().setStatusBarOrientation(platform::ui::OrientationLandscapeLeft);
    EXPECT_EQ(H::orientationFromParams(params({{"o", "c"}})), 24u);
    EXPECT_EQ(H::orientationFromParams(params({{"o", "L"}})), 30u);

    EXPECT_TRUE(H::shouldUseCustomClose(params({{"custom_close", "1"}})));
    EXPECT_FALSE(H::shouldUseCustomClose(params({{"custom_close", "true"}})));
    EXPECT_FALSE(H::shouldUseCustomClose({}));

    EXPECT_FALSE(H::URLFromParams({}));
    EXPECT_FALSE(H::URLFromParams(params({{"u", "no url"}})));
    EXPECT_FALSE(H::URLFromParams(params({{"U", "https://a.test/"}})));
    EXPECT_EQ(H::URLFromParams(params({{"u", "https://a.test/"}}))->absoluteString(),
              "https://a.test/");

    EXPECT_EQ(H::reportingURLStringFormats(
                  params({{"report_urls", " https://r.test/1\n \thttps://r.test/2 "}})),
              (Strings{"https://r.test/1", "https://r.test/2"}));
}

TEST_F(GADOpenerGMSGHandlerTest, ClickPingsOnlyAWebAddressAndOpensNothing) {
    // From the ad's page, as a ping of its page.
    auto click = [&](Params params) {
        return handler->handleNotification(GADNotification::create("click", std::move(params)),
                                           adView);
    };
    auto& pings = GADPagePings::shared();
    EXPECT_TRUE(click({}));
    EXPECT_TRUE(click(params({{"u", "javascript:alert(1)"}})));
    EXPECT_EQ(pings.inFlight(adView), 0u);
    EXPECT_TRUE(click(params({{"u", "http://127.0.0.1:9/click"}})));
    EXPECT_EQ(pings.inFlight(adView), 1u);
    scope.runUntilIdle();
    EXPECT_EQ(clicks(), 0);
    EXPECT_TRUE(opened().empty());
    // Names are case-sensitive; other actions belong to other handlers.
    EXPECT_FALSE(send("Click", {}));
    EXPECT_FALSE(send("log", {}));
}

TEST_F(GADOpenerGMSGHandlerTest, OpenPicksItsRoadByA) {
    // Without "a", and with "app", "call" or anything else: another app, as a click.
    EXPECT_TRUE(send("open", params({{"u", "https://land.test/1"}})));
    EXPECT_TRUE(send("open", params({{"a", "call"}, {"u", "https://land.test/2"}})));
    EXPECT_TRUE(send("open", params({{"a", "nonsense"}, {"u", "https://land.test/3"}})));
    EXPECT_TRUE(send("open", params({{"a", "app"}})));  // no "u": nothing
    scope.runUntilIdle();
    EXPECT_EQ(opened(),
              (Strings{"https://land.test/1", "https://land.test/2", "https://land.test/3"}));
    EXPECT_EQ(clicks(), 3);

    // The store: waiting unless told "false"; a fetched sheet shows at once.
    EXPECT_TRUE(send("fetchAppStore", params({{"product_id", "77"}})));
    scope.runUntilIdle();
    EXPECT_TRUE(send("open", params({{"a", "in_app_store"}, {"product_id", "77"}})));
    EXPECT_NE(root->presentedViewController(), nullptr);
    root->dismissViewController(false);
    EXPECT_TRUE(send("open", params({{"a", "in_app_store"}, {"product_id", "5"}})));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    scope.advance(1);
    auto sheet = std::dynamic_pointer_cast<platform::services::StoreProductSheet>(
        root->presentedViewController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->headline(), "Product 5");
    root->dismissViewController(false);
    EXPECT_TRUE(send(
        "open", params({{"a", "in_app_store"}, {"product_id", "6"}, {"wait_for_fetch", "false"}})));
    EXPECT_NE(root->presentedViewController(), nullptr);
    root->dismissViewController(false);

    // A video link opens in the in-app browser; a browser link without "u" opens nothing.
    platform::LogSink::Capture log;
    EXPECT_TRUE(send("open", params({{"a", "video"}, {"u", "https://v.test/"}})));
    EXPECT_TRUE(send("open", params({{"a", "browser"}})));
    scope.advance(1);
    EXPECT_TRUE(
        std::dynamic_pointer_cast<GADBrowserViewController>(root->presentedViewController()));
    // The browser covers the ad; back on screen, the purchase road this program has no
    // screen for logs one line; bad quantities end silently.
    root->dismissViewController(false);
    scope.advance(1);
    for (const char* quantity : {"0", "11", "abc"})
        send("open",
             params({{"a", "in_app_purchase"}, {"product_id", "p"}, {"quantity", quantity}}));
    EXPECT_EQ(log.count(), 0u);
    send("open", params({{"a", "in_app_purchase"}, {"product_id", "p"}, {"quantity", "10"}}));
    EXPECT_EQ(log.count(), 1u);
    EXPECT_TRUE(log.contains("quantity 10"));
}

TEST_F(GADOpenerGMSGHandlerTest, WebAppByURLOrHTML) {
    // The ad's window takes landscape.
    Application::shared().setSupportedInterfaceOrientations(30);
    EXPECT_TRUE(
        send("open",
             params({{"a", "webapp"}, {"html", "<p>x</p>"}, {"o", "l"}, {"custom_close", "1"}})));
    scope.advance(1);
    auto app = std::dynamic_pointer_cast<GADAdAppViewController>(root->presentedViewController());
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->supportedInterfaceOrientations(), 24u);
    EXPECT_TRUE(app->useCustomClose());
    EXPECT_EQ(clicks(), 1);
}

}  // namespace
}  // namespace ads
