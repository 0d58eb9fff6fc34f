#include "ads/fullscreen/GADViewController.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADLog.h"
#include "ads/fullscreen/GADFullScreenNotifications.h"
#include "ads/fullscreen/GADIntermission.h"
#include "ads/fullscreen/GADOverlayPresenting.h"
#include "ads/fullscreen/GADTransparentOverlayPresenter.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "platform/base/LogSink.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

using ads::GADViewController;
using ads::testing::FakeFullScreenSlot;
using platform::ui::Application;
using platform::ui::ViewController;
using platform::ui::Window;

namespace {

using Log = std::vector<std::string>;

// A presenter that is never ready (a resize presenter with bad properties, say).
class NotReadyPresenter : public ads::GADOverlayPresenting {
  public:
    bool presentFromViewController(const std::shared_ptr<ViewController>&,
                                   std::function<void()>) override {
        ++presents;
        return true;
    }
    std::shared_ptr<ViewController> presentationViewController() override { return nullptr; }
    void dismissWithCompletionHandler(std::function<void()>) override {}
    std::shared_ptr<GADViewController> presentedViewController() const override {
        return presented.lock();
    }
    void setPresentedViewController(std::weak_ptr<GADViewController> c) override { presented = c; }
    bool isReadyToPresent() override { return false; }
    std::weak_ptr<GADViewController> presented;
    int presents = 0;
};

class GADViewControllerTest : public ::testing::Test {
  protected:
    GADViewControllerTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
        auto& center = platform::NotificationCenter::defaultCenter();
        for (auto [name, note] :
             {std::pair{ads::kAdModalViewControllerWillPresentFullScreen, "will"},
              std::pair{ads::kAdModalViewControllerDidDismissFullScreen, "did"}})
            observations.push_back(center.observe(
                name, nullptr,
                [this, note](const platform::Notification&) { notes.push_back(note); }));
    }
    std::shared_ptr<GADViewController> controller() {
        auto vc = GADViewController::create();
        vc->setSlot(slot);
        return vc;
    }

    ads::testing::AdsTestScope scope;
    std::shared_ptr<FakeFullScreenSlot> slot = FakeFullScreenSlot::create();
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::shared_ptr<ViewController> root = ViewController::create();
    std::vector<platform::NotificationCenter::Observation> observations;
    Log notes;
};

}  // namespace

TEST_F(GADViewControllerTest, PresentsAndLeavesThroughTheModalPresenter) {
    Log order;
    std::weak_ptr<GADViewController> weak;
    {
        auto vc = controller();
        weak = vc;
        vc->setDismissalCompletion([&] { order.push_back("dismissal completion"); });
        ASSERT_TRUE(vc->presentFromViewController(root, [&] { order.push_back("shown"); }));
        EXPECT_EQ(root->presentedViewController(), vc);
        EXPECT_FALSE(vc->view()->isUserInteractionEnabled());
        EXPECT_TRUE(vc->isRetainingItself());
        EXPECT_EQ(notes, (Log{"will"}));
        EXPECT_EQ(slot->events, (Log{"willPresent"}));
        EXPECT_TRUE(Application::shared().isStatusBarHidden());
        EXPECT_TRUE(Application::shared().isIdleTimerDisabled());
        EXPECT_EQ(vc->supportedInterfaceOrientations(), 30u);
        EXPECT_EQ(vc->view()->backgroundColor(), platform::Color::black());
    }
    scope.advance(0.31);
    EXPECT_EQ(order, (Log{"shown"}));
    auto vc = weak.lock();
    ASSERT_NE(vc, nullptr);  // on screen, nobody else keeps it
    EXPECT_TRUE(vc->view()->isUserInteractionEnabled());

    vc->relinquishScreenWithCompletion([&] { order.push_back("gone"); });
    // The did-dismiss notice goes out at once; the rest when the animation is over.
    EXPECT_EQ(notes, (Log{"will", "did"}));
    EXPECT_EQ(slot->events, (Log{"willPresent", "willDismiss"}));
    EXPECT_FALSE(vc->isRetainingItself());
    EXPECT_FALSE(Application::shared().isStatusBarHidden());
    vc.reset();
    scope.advance(0.31);
    EXPECT_EQ(order, (Log{"shown", "dismissal completion", "gone"}));
    EXPECT_EQ(slot->events, (Log{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(GADViewControllerTest, OnePresentationAndOneDismissalAtATime) {
    auto vc = controller();
    int shown = 0;
    int gone = 0;
    ASSERT_TRUE(vc->presentFromViewController(root, [&] { ++shown; }));
    EXPECT_FALSE(vc->presentFromViewController(root, [&] { ++shown; }));
    scope.advance(1);
    EXPECT_EQ(shown, 1);

    int dismissals = 0;
    vc->setDismissalCompletion([&] { ++dismissals; });
    vc->relinquishScreenWithCompletion([&] { ++gone; });
    vc->relinquishScreenWithCompletion([&] { ++gone; });  // already leaving: the same dismissal
    scope.advance(1);
    EXPECT_EQ(gone, 1);
    EXPECT_EQ(dismissals, 1);
    EXPECT_EQ(notes, (Log{"will", "did"}));
    EXPECT_EQ(slot->events, (Log{"willPresent", "willDismiss", "didDismiss"}));

    // Told to leave before it had fully arrived: it never "arrives" afterwards.
    slot->events.clear();
    ASSERT_TRUE(vc->presentFromViewController(root, [&] { ++shown; }));
    vc->relinquishScreenWithCompletion([&] { ++gone; });
    scope.advance(1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(gone, 2);
    EXPECT_FALSE(vc->view()->isUserInteractionEnabled());
    EXPECT_EQ(slot->events, (Log{"willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADViewControllerTest, ARefusedPresentationIsUndoneAndLeaksNothing) {
    auto outside = ViewController::create();  // in no window: the platform refuses
    std::weak_ptr<GADViewController> weak;
    bool completed = false;
    {
        auto vc = controller();
        weak = vc;
        EXPECT_FALSE(vc->presentFromViewController(outside, [&] { completed = true; }));
        EXPECT_TRUE(vc->view()->isUserInteractionEnabled());
        EXPECT_FALSE(vc->isRetainingItself());
        EXPECT_EQ(vc->intermission(), nullptr);
    }
    EXPECT_TRUE(weak.expired());
    scope.advance(1);
    EXPECT_FALSE(completed);
    // Every slot's reload timer goes again, and the app that heard "will present" goes on.
    EXPECT_EQ(notes, (Log{"will", "did"}));
    EXPECT_EQ(slot->events, (Log{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(slot->intermission(), nullptr);
    EXPECT_FALSE(Application::shared().isIdleTimerDisabled());
    EXPECT_FALSE(Application::shared().isStatusBarHidden());
}

TEST_F(GADViewControllerTest, NoRootLogsOnceAndAnUnreadyPresenterStaysSilent) {
    platform::LogSink::Capture capture;
    auto vc = controller();
    bool completed = false;
    EXPECT_FALSE(vc->presentFromViewController(nullptr, [&] { completed = true; }));
    ads::GADLogFlush();
    EXPECT_EQ(capture.lines(),
              (Log{"<Zivivu> No UIViewController supplied to the ad. Cannot continue."}));

    auto presenter = std::make_shared<NotReadyPresenter>();
    vc->setPresenter(presenter);
    EXPECT_EQ(presenter->presentedViewController(), vc);
    EXPECT_FALSE(vc->presentFromViewController(root, [&] { completed = true; }));
    EXPECT_EQ(presenter->presents, 0);
    EXPECT_FALSE(vc->isViewLoaded());
    scope.advance(1);
    EXPECT_FALSE(completed);
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(slot->events.empty());
}

TEST_F(GADViewControllerTest, OnlyAShownControllerFinishesAndCountsItsDismissalWhenItGoes) {
    slot->statistics->setObject(platform::Value(5), "tclickcurr", false);
    bool ran = false;
    {
        auto never = controller();
        never->setDismissalCompletion([&] { ran = true; });
    }
    EXPECT_FALSE(ran);
    EXPECT_FALSE(slot->statistics->objectForKey("tlanding_page_load_dismiss"));

    {
        auto shown = controller();
        ASSERT_TRUE(shown->presentFromViewController(root, {}));
        scope.advance(1);
        shown->relinquishScreenWithCompletion({});
        scope.advance(1);
    }
    auto now = static_cast<std::int64_t>(ads::GADAbsoluteTime::absoluteTimeInMilliseconds());
    auto dismissed = slot->statistics->objectForKey("tlanding_page_load_dismiss");
    ASSERT_TRUE(dismissed);
    EXPECT_EQ(dismissed->intValue(), now);
    auto clicks = slot->statistics->objectForKey("tclick");
    ASSERT_TRUE(clicks);
    EXPECT_EQ(*clicks, platform::Value::array({platform::Value::array({5, now})}));
}

TEST_F(GADViewControllerTest, ControllersOverItGoWhereThePresenterSays) {
    // Modal: over the SDK screen itself, and dismissed from there.
    auto modal = controller();
    ASSERT_TRUE(modal->presentFromViewController(root, {}));
    auto sheet = ViewController::create();
    ASSERT_TRUE(modal->presentViewController(sheet, false));
    EXPECT_EQ(sheet->presentingViewController(), modal);
    ASSERT_TRUE(sheet->dismissViewController(false));
    EXPECT_EQ(modal->presentedViewController(), nullptr);
    modal->relinquishScreenWithCompletion({});
    scope.advance(1);

    // Transparent: the ad lies in the window, so the app's topmost controller presents.
    auto laidIn = controller();
    laidIn->setPresenter(ads::GADTransparentOverlayPresenter::create());
    ASSERT_TRUE(laidIn->presentFromViewController(root, {}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    auto other = ViewController::create();
    ASSERT_TRUE(laidIn->presentViewController(other, false));
    EXPECT_EQ(other->presentingViewController(), root);
    ASSERT_TRUE(laidIn->dismissViewController(false));
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(GADViewControllerTest, PresentedAndDismissedDirectlyByThePlatformItTakesPart) {
    auto vc = controller();
    ASSERT_TRUE(root->presentViewController(vc, false));
    EXPECT_EQ(slot->events, (Log{"willPresent"}));
    EXPECT_NE(vc->intermission(), nullptr);
    ASSERT_TRUE(root->dismissViewController(false));
    EXPECT_EQ(slot->events, (Log{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(vc->intermission(), nullptr);
    EXPECT_TRUE(notes.empty());
}

TEST_F(GADViewControllerTest, OrientationMasks) {
    auto vc = controller();
    vc->setSupportedOrientations(0);
    EXPECT_EQ(vc->supportedInterfaceOrientations(), 30u);
    vc->setSupportedOrientations(6);
    EXPECT_EQ(vc->supportedInterfaceOrientations(), 6u);
    vc->setSupportedInterfaceOrientations(0);
    EXPECT_EQ(vc->supportedInterfaceOrientations(), 0u);
}
