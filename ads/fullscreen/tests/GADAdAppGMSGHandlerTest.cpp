#include "ads/fullscreen/GADAdAppGMSGHandler.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/fullscreen/GADModalOverlayPresenter.h"
#include "ads/fullscreen/GADTransparentOverlayPresenter.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

class GADAdAppGMSGHandlerTest : public ::testing::Test {
  protected:
    GADAdAppGMSGHandlerTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        controller->setSlot(slot);
    }
    // Sends "gmsg://movuroute/<path>" from the page of `view`.
    bool send(const std::string& path, const std::shared_ptr<GADAdView>& view) {
        auto url = platform::Url::parse("gmsg://movuroute/" + path);
        return handler->handleNotification(GADNotification::createWithNotificationURL(*url), view);
    }
    bool send(const std::string& path) { return send(path, controller->adView()); }
    bool transparent() const {
        return std::dynamic_pointer_cast<GADTransparentOverlayPresenter>(controller->presenter()) !=
               nullptr;
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    std::shared_ptr<testing::FakeFullScreenSlot> slot = testing::FakeFullScreenSlot::create();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<GADAdAppViewController> controller = GADAdAppViewController::create();
    std::shared_ptr<GADAdAppGMSGHandler> handler = GADAdAppGMSGHandler::create();
};

TEST_F(GADAdAppGMSGHandlerTest, OnlyTheTextOneAsksForACustomClose) {
    EXPECT_TRUE(send("customClose?custom_close=1"));
    EXPECT_TRUE(controller->useCustomClose());
    EXPECT_TRUE(send("customClose?custom_close=true"));
    EXPECT_FALSE(controller->useCustomClose());
    send("customClose?custom_close=1");
    EXPECT_TRUE(send("customClose"));
    EXPECT_FALSE(controller->useCustomClose());

    // A page outside an ad app controller changes nothing.
    auto banner = GADAdView::create({0, 0, 320, 50});
    EXPECT_TRUE(send("customClose?custom_close=1", banner));
    banner->setViewController(root);
    EXPECT_TRUE(send("customClose?custom_close=1", banner));
    EXPECT_TRUE(send("customClose?custom_close=1", nullptr));
    EXPECT_FALSE(controller->useCustomClose());
}

TEST_F(GADAdAppGMSGHandlerTest, TheBackgroundIsChosenOnlyBeforeTheScreenIsUp) {
    EXPECT_TRUE(send("setInterstitialProperties?transparentBackground=1"));
    EXPECT_TRUE(transparent());
    // Nothing said about the background: nothing changes; a view asked for stays unmade.
    EXPECT_TRUE(send("setInterstitialProperties?other=1"));
    EXPECT_TRUE(transparent());
    // "0" (or anything but "1") goes back to the default presentation.
    EXPECT_TRUE(send("setInterstitialProperties?transparentBackground=0"));
    EXPECT_EQ(controller->presenter(), nullptr);
    EXPECT_FALSE(controller->isViewLoaded());

    // Once on screen the presentation stays what it is.
    ASSERT_TRUE(controller->presentFromViewController(root, nullptr));
    scope.advance(1);
    ASSERT_TRUE(std::dynamic_pointer_cast<GADModalOverlayPresenter>(controller->presenter()));
    EXPECT_TRUE(send("setInterstitialProperties?transparentBackground=1"));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADModalOverlayPresenter>(controller->presenter()));
    EXPECT_TRUE(send("setInterstitialProperties?transparentBackground=0"));
    EXPECT_TRUE(controller->presenter());
}

}  // namespace
}  // namespace ads
