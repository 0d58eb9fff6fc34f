#include "ads/fullscreen/GADIntermission.h"

#include <gtest/gtest.h>

#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "platform/ui/Application.h"
#include "platform/ui/MainThread.h"

using ads::GADIntermission;
using ads::GADIntermitting;
using ads::testing::FakeFullScreenSlot;
using platform::ui::Application;

namespace {

using Events = std::vector<std::string>;

// A screen that leaves the way the SDK's screens do: it tells its intermission when it starts
// to leave and, a moment later on the main loop, when it has gone.
class Screen : public GADIntermitting, public std::enable_shared_from_this<Screen> {
  public:
    Screen(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}

    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>&,
                                   std::function<void()>) override {
        return true;
    }
    bool shouldDismissOnApplicationEnteringForeground() override { return leavesOnForeground; }
    void relinquishScreenWithCompletion(std::function<void()>) override {
        log_.push_back(name_ + " leaves");
        auto intermission = intermission_;
        if (!intermission) return;
        intermission->participantWillRelinquishScreen(shared_from_this());
        platform::ui::postToMainAfter(0.3, [self = shared_from_this()] { self->gone(); });
    }
    std::shared_ptr<GADIntermission> intermission() const override { return intermission_; }

    void join(const std::shared_ptr<GADIntermission>& intermission) {
        intermission_ = intermission;
        intermission->addParticipant(shared_from_this());
    }
    void gone() {
        log_.push_back(name_ + " gone");
        auto intermission = std::move(intermission_);
        intermission_ = nullptr;
        if (intermission) intermission->participantDidRelinquishScreen(shared_from_this());
    }

    bool leavesOnForeground = true;

  private:
    std::string name_;
    std::vector<std::string>& log_;
    std::shared_ptr<GADIntermission> intermission_;
};

class GADIntermissionTest : public ::testing::Test {
  protected:
    std::shared_ptr<Screen> screen(const std::string& name) {
        return std::make_shared<Screen>(name, log);
    }
    std::shared_ptr<GADIntermission> intermission() {
        return GADIntermission::currentForSlot(slot);
    }
    static void comeBackToForeground() {
        platform::NotificationCenter::defaultCenter().post(
            platform::ui::kWillEnterForegroundNotification);
    }

    ads::testing::AdsTestScope scope;
    std::shared_ptr<FakeFullScreenSlot> slot = FakeFullScreenSlot::create();
    std::vector<std::string> log;
};

}  // namespace

TEST_F(GADIntermissionTest, ASlotHasAtMostOneAndOnlyWhileSomeoneHoldsIt) {
    EXPECT_EQ(GADIntermission::create(nullptr), nullptr);
    EXPECT_EQ(GADIntermission::currentForSlot(nullptr), nullptr);
    auto first = intermission();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(slot->intermission(), first);
    EXPECT_EQ(intermission(), first);
    std::weak_ptr<GADIntermission> weak = first;
    first.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(slot->intermission(), nullptr);
}

TEST_F(GADIntermissionTest, StackedAndHandedOverScreensGiveOneBeginAndOneEnd) {
    // Stacked: an interstitial opens a browser over itself; the browser closes, then the ad.
    auto ad = screen("ad");
    auto browser = screen("browser");
    ad->join(intermission());
    browser->join(intermission());
    EXPECT_EQ(slot->events, (Events{"willPresent"}));
    browser->relinquishScreenWithCompletion({});
    scope.advance(1);
    ad->relinquishScreenWithCompletion({});
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss"}));
    scope.advance(1);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));

    // Handed over: the second screen arrives while the first is still leaving. The app heard
    // its will-dismiss when the first began to leave and hears no second one.
    slot->events.clear();
    auto first = screen("first");
    auto second = screen("second");
    first->join(intermission());
    first->relinquishScreenWithCompletion({});
    EXPECT_FALSE(Application::shared().isIdleTimerDisabled());
    second->join(intermission());
    EXPECT_TRUE(Application::shared().isIdleTimerDisabled());  // awake for the newcomer
    scope.advance(1);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss"}));
    second->relinquishScreenWithCompletion({});
    scope.advance(1);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_FALSE(Application::shared().isIdleTimerDisabled());

    // A participant that skips the first step is taken through it.
    slot->events.clear();
    auto hasty = screen("hasty");
    hasty->join(intermission());
    hasty->gone();
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADIntermissionTest, AScreenDestroyedOnScreenStillGivesBothEndEvents) {
    auto keeper = screen("keeper");
    auto lost = screen("lost");
    keeper->join(intermission());
    lost->join(intermission());
    lost.reset();
    // Purged at the next call; the other screen is still up.
    intermission()->cleanUpDeallocatedParticipants();
    EXPECT_EQ(slot->events, (Events{"willPresent"}));
    EXPECT_EQ(intermission()->activeParticipants().size(), 1u);

    // The last screen lost while leaving.
    auto held = intermission();
    held->participantWillRelinquishScreen(keeper);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss"}));
    keeper.reset();
    held->cleanUpDeallocatedParticipants();
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
    held.reset();

    // Gone while active, and the intermission with it: both end events from its end.
    slot->events.clear();
    auto alone = screen("alone");
    alone->join(intermission());
    alone.reset();
    EXPECT_EQ(slot->intermission(), nullptr);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADIntermissionTest, TheAppsIdleTimerAndStatusBarComeBack) {
    auto& app = Application::shared();
    for (bool appDisabled : {false, true}) {
        app.setIdleTimerDisabled(appDisabled);
        auto ad = screen("ad");
        ad->join(intermission());
        EXPECT_TRUE(app.isIdleTimerDisabled());
        ad->relinquishScreenWithCompletion({});
        EXPECT_EQ(app.isIdleTimerDisabled(), appDisabled);
        scope.advance(1);
    }

    // The status bar goes back only when a presenter said it would hide it.
    app.setStatusBarHidden(false);
    auto plain = screen("plain");
    plain->join(intermission());
    app.setStatusBarHidden(true);  // the app's own doing
    plain->relinquishScreenWithCompletion({});
    EXPECT_TRUE(app.isStatusBarHidden());
    scope.advance(1);

    app.setStatusBarHidden(false);
    auto hiding = screen("hiding");
    hiding->join(intermission());
    intermission()->participantWillOverrideStatusBarVisibility(hiding);
    app.setStatusBarHidden(true);
    hiding->relinquishScreenWithCompletion({});
    EXPECT_FALSE(app.isStatusBarHidden());
}

TEST_F(GADIntermissionTest, OnTheForegroundScreensLeaveOneAfterTheOtherWhileStillActive) {
    auto a = screen("a");
    auto b = screen("b");
    auto stays = screen("stays");
    stays->leavesOnForeground = false;
    for (auto& s : {a, b, stays}) s->join(intermission());

    comeBackToForeground();
    scope.runUntilIdle();
    ASSERT_EQ(log.size(), 1u);  // the second waits until the first has gone
    auto first = log[0].substr(0, 1);
    scope.advance(0.31);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], first + " gone");
    EXPECT_EQ(log[2].substr(1), " leaves");
    EXPECT_NE(log[2].substr(0, 1), first);
    scope.advance(0.31);
    EXPECT_EQ(log.size(), 4u);
    EXPECT_EQ(slot->events, (Events{"willPresent"}));  // "stays" is still up

    // A screen that left by itself before its turn is not told again.
    log.clear();
    auto c = screen("c");
    auto d = screen("d");
    c->join(intermission());
    d->join(intermission());
    comeBackToForeground();
    scope.runUntilIdle();
    ASSERT_EQ(log.size(), 1u);
    auto other = log[0][0] == 'c' ? d : c;
    other->relinquishScreenWithCompletion({});
    scope.advance(0.31);
    scope.runUntilIdle();
    EXPECT_EQ(log.size(), 4u);  // two leave, two gone
    EXPECT_EQ(intermission()->activeParticipants().size(), 1u);
}

TEST_F(GADIntermissionTest, RelinquishingANonMemberDoesNotHoldUpForegroundDismissals) {
    auto member = screen("member");
    auto stranger = screen("stranger");
    member->join(intermission());
    // Its leaving never finishes here, as it was never on screen.
    intermission()->participantWillRelinquishScreen(stranger);
    comeBackToForeground();
    scope.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"member leaves"}));
    scope.advance(1);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
}
