#include "ads/fullscreen/GADModalOverlayPresenter.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADIntermission.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

using ads::GADModalOverlayPresenter;
using ads::GADViewController;
using platform::ui::Application;
using platform::ui::ModalPresentationStyle;

namespace {

// A screen that stays when the app comes back (an ad whose click opened another app).
class Staying : public GADViewController {
  public:
    Staying() : GADViewController(Private{}) {}
    bool shouldDismissOnApplicationEnteringForeground() override { return false; }
};

class GADModalOverlayPresenterTest : public ::testing::Test {
  protected:
    GADModalOverlayPresenterTest() { window->setRootViewController(root); }
    std::shared_ptr<GADViewController> controller() {
        auto vc = std::make_shared<Staying>();
        vc->setSlot(slot);
        vc->setPresenter(presenter);
        return vc;
    }
    static void comeBackToForeground() {
        platform::NotificationCenter::defaultCenter().post(
            platform::ui::kWillEnterForegroundNotification);
    }

    ads::testing::AdsTestScope scope;
    std::shared_ptr<ads::testing::FakeFullScreenSlot> slot =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<GADModalOverlayPresenter> presenter = GADModalOverlayPresenter::create();
};

}  // namespace

TEST_F(GADModalOverlayPresenterTest, HidesTheStatusBarForFullScreenOnlyAndAgainOnTheForeground) {
    auto& app = Application::shared();
    EXPECT_FALSE(presenter->isReadyToPresent());
    auto vc = controller();
    EXPECT_TRUE(presenter->isReadyToPresent());
    EXPECT_EQ(presenter->presentationViewController(), vc);
    ASSERT_TRUE(vc->presentFromViewController(root, {}));
    EXPECT_TRUE(app.isStatusBarHidden());
    scope.advance(1);
    app.setStatusBarHidden(false);  // the system showed it while the app was away
    comeBackToForeground();
    scope.runUntilIdle();
    EXPECT_TRUE(app.isStatusBarHidden());
    vc->relinquishScreenWithCompletion({});
    EXPECT_FALSE(app.isStatusBarHidden());  // the intermission put it back
    scope.advance(1);
    comeBackToForeground();
    scope.runUntilIdle();
    EXPECT_FALSE(app.isStatusBarHidden());  // no longer watching

    // Any other style leaves the status bar, and the intermission's record of it, alone.
    auto sheet = controller();
    sheet->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    ASSERT_TRUE(sheet->presentFromViewController(root, {}));
    EXPECT_FALSE(app.isStatusBarHidden());
    app.setStatusBarHidden(true);  // the app's own choice meanwhile
    sheet->relinquishScreenWithCompletion({});
    EXPECT_TRUE(app.isStatusBarHidden());
}

TEST_F(GADModalOverlayPresenterTest, ADismissalOfAControllerNoLongerUpCompletesAtOnce) {
    auto vc = controller();
    ASSERT_TRUE(vc->presentFromViewController(root, {}));
    ASSERT_TRUE(root->dismissViewController(false));  // gone behind the presenter's back
    int completed = 0;
    presenter->dismissWithCompletionHandler([&] { ++completed; });
    EXPECT_EQ(completed, 1);
}

TEST_F(GADModalOverlayPresenterTest, ARefusedPresentationLeavesTheStatusBarAsItWas) {
    auto vc = controller();
    auto busy = platform::ui::ViewController::create();
    ASSERT_TRUE(root->presentViewController(busy, false));
    EXPECT_FALSE(vc->presentFromViewController(root, {}));
    EXPECT_FALSE(Application::shared().isStatusBarHidden());
    EXPECT_EQ(slot->events, (std::vector<std::string>{"willPresent", "willDismiss", "didDismiss"}));
}
