#include "ads/fullscreen/GADOverlayProxy.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADFullScreenNotifications.h"
#include "ads/fullscreen/GADIntermission.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using ads::GADOverlayProxy;
using platform::ui::ViewController;

namespace {

using Events = std::vector<std::string>;

class GADOverlayProxyTest : public ::testing::Test {
  protected:
    GADOverlayProxyTest() { window->setRootViewController(root); }

    ads::testing::AdsTestScope scope;
    std::shared_ptr<ads::testing::FakeFullScreenSlot> slot =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ViewController> root = ViewController::create();
};

}  // namespace

TEST_F(GADOverlayProxyTest, AControllerHasAtMostOneProxyAndKeepsIt) {
    auto sheet = ViewController::create();
    EXPECT_EQ(GADOverlayProxy::overlayProxyForViewController(sheet), nullptr);
    EXPECT_EQ(GADOverlayProxy::create(nullptr), nullptr);
    std::weak_ptr<GADOverlayProxy> weak = GADOverlayProxy::create(sheet);
    ASSERT_FALSE(weak.expired());  // the controller keeps it
    EXPECT_EQ(GADOverlayProxy::overlayProxyForViewController(sheet), weak.lock());
    EXPECT_EQ(weak.lock()->viewController(), sheet);
    EXPECT_EQ(GADOverlayProxy::create(sheet), nullptr);
    sheet.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(GADOverlayProxyTest, PresentedTwiceItPresentsOnceAndAgainAfterTheDismissal) {
    auto sheet = ViewController::create();
    auto proxy = GADOverlayProxy::create(sheet);
    proxy->setSlot(slot);
    int shown = 0;
    ASSERT_TRUE(proxy->presentFromViewController(root, [&] { ++shown; }));
    EXPECT_FALSE(proxy->presentFromViewController(root, [&] { ++shown; }));
    scope.advance(1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(root->presentedViewController(), sheet);
    EXPECT_EQ(slot->events, (Events{"willPresent"}));
    EXPECT_FALSE(proxy->shouldDismissOnApplicationEnteringForeground());

    Events order;
    proxy->relinquishScreenWithCompletion([&] { order.push_back("gone"); });
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss"}));
    scope.advance(1);
    EXPECT_EQ(order, (Events{"gone"}));
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(proxy->intermission(), nullptr);
    EXPECT_EQ(root->presentedViewController(), nullptr);

    ASSERT_TRUE(proxy->presentFromViewController(root, {}));
    EXPECT_EQ(slot->events.size(), 4u);
}

TEST_F(GADOverlayProxyTest, WhatIsNotPresentedLeavesTheIntermissionAsItWas) {
    auto sheet = ViewController::create();
    auto proxy = GADOverlayProxy::create(sheet);
    proxy->setSlot(slot);
    // No root: refused before joining, so the app hears nothing.
    EXPECT_FALSE(proxy->presentFromViewController(nullptr, {}));
    EXPECT_TRUE(slot->events.empty());

    // The platform refuses: the app hears the end of what it was told began.
    auto busy = ViewController::create();
    ASSERT_TRUE(root->presentViewController(busy, false));
    EXPECT_FALSE(proxy->presentFromViewController(root, {}));
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(proxy->intermission(), nullptr);
    EXPECT_EQ(slot->intermission(), nullptr);
    ASSERT_TRUE(root->dismissViewController(false));
    ASSERT_TRUE(proxy->presentFromViewController(root, {}));

    // Dismissed behind the proxy's back, it still leaves at once when told.
    ASSERT_TRUE(root->dismissViewController(false));
    bool gone = false;
    proxy->relinquishScreenWithCompletion([&] { gone = true; });
    EXPECT_TRUE(gone);
    EXPECT_EQ(slot->events.size(), 6u);
}

TEST_F(GADOverlayProxyTest, StackedOverAnotherScreenTheAppHearsOnePair) {
    auto first = ViewController::create();
    auto second = ViewController::create();
    auto outer = GADOverlayProxy::create(first);
    auto inner = GADOverlayProxy::create(second);
    outer->setSlot(slot);
    inner->setSlot(slot);
    ASSERT_TRUE(outer->presentFromViewController(root, {}));
    ASSERT_TRUE(inner->presentFromViewController(first, {}));
    EXPECT_EQ(outer->intermission(), inner->intermission());
    inner->relinquishScreenWithCompletion({});
    scope.advance(1);
    outer->relinquishScreenWithCompletion({});
    scope.advance(1);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
}

// Banners stop reloading under every SDK screen: a platform screen shown through its proxy
// posts the same two notices as the SDK's own, once each, whichever way it goes.
TEST_F(GADOverlayProxyTest, AScreenUpThroughItsProxyPostsTheFullScreenNoticesOnce) {
    Events notes;
    std::vector<platform::NotificationCenter::Observation> observations;
    auto& center = platform::NotificationCenter::defaultCenter();
    for (auto [name, note] : {std::pair{ads::kAdModalViewControllerWillPresentFullScreen, "will"},
                              std::pair{ads::kAdModalViewControllerDidDismissFullScreen, "did"}})
        observations.push_back(center.observe(
            name, nullptr,
            [&notes, note](const platform::Notification&) { notes.push_back(note); }));

    auto sheet = ViewController::create();
    auto proxy = GADOverlayProxy::create(sheet);
    proxy->setSlot(slot);
    ASSERT_TRUE(proxy->presentFromViewController(root, {}));
    EXPECT_EQ(notes, (Events{"will"}));
    proxy->relinquishScreenWithCompletion({});
    proxy->relinquishScreenWithCompletion({});
    scope.advance(1);
    EXPECT_EQ(notes, (Events{"will", "did"}));

    // Refused by the platform: the notice that it went follows at once.
    auto busy = ViewController::create();
    ASSERT_TRUE(root->presentViewController(busy, false));
    EXPECT_FALSE(proxy->presentFromViewController(root, {}));
    EXPECT_EQ(notes, (Events{"will", "did", "will", "did"}));
    ASSERT_TRUE(root->dismissViewController(false));

    // Taken down behind the proxy's back and let go: its going is still posted.
    ASSERT_TRUE(proxy->presentFromViewController(root, {}));
    ASSERT_TRUE(root->dismissViewController(false));
    proxy.reset();
    sheet.reset();
    EXPECT_EQ(notes, (Events{"will", "did", "will", "did", "will", "did"}));
}
