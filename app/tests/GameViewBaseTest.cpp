#include "app/gameview/GameViewBase.h"

#include <cmath>

#include <gtest/gtest.h>

#include "app/gameview/GameViewContainer.h"
#include "app/gameview/MyGameView.h"
#include "app/tests/GameViewTestHost.h"
#include "app/testsupport/GameViewTestAccess.h"
#include "appbase/JTCanvas.h"
#include "platform/device/Accelerometer.h"
#include "platform/gfx/RecordingGL.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/runtime/Timer.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Touch.h"

namespace ui = platform::ui;

using namespace app;

using gameviewtest::Host;
using gameviewtest::Scene;

namespace {

class Recorder : public GameViewScoreRecorder {
  public:
    Recorded registerScore(const std::shared_ptr<JTAppBase::LevelInfo>& level, int32_t score,
                           double date) override {
        levels.push_back(level);
        scores.push_back(score);
        dates.push_back(date);
        return {};
    }
    std::vector<std::shared_ptr<JTAppBase::LevelInfo>> levels;
    std::vector<int32_t> scores;
    std::vector<double> dates;
};

class Level : public JTAppBase::LevelInfo {
  public:
    int32_t levelId() const override { return 1; }
    int32_t webLevelId() const override { return 1; }
    std::optional<std::string> name() const override { return "Level"; }
    std::optional<std::string> helpMessage() const override { return std::nullopt; }
    int32_t canvasLayout() const override { return -1; }
    std::shared_ptr<JTAppBase::ShellAppCore> appCore() const override { return nullptr; }
};

class Icon : public JTAppBase::ShellTexture {
  public:
    int pixelFormat() const override { return kRGBA8888; }
    platform::Size contentSize() const override { return {20, 20}; }
    void drawAtPoint(platform::Point p) override { points.push_back(p); }
    void drawInRect(platform::Rect) override {}
    void drawFromRect(platform::Rect, platform::Rect) override {}
    std::vector<platform::Point> points;
};

class GameViewBaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host->context = JTCore::JTNew<JTAppBase::JTAppContext>();
        host->windowView = platform::ui::Window::create({0, 0, 320, 480});
        host->pauseIcon = icon;
        view = MyGameView::create(host, ui::OrientationPortrait);
        host->context->setGameView(view);
    }
    void TearDown() override {
        if (view->started()) view->stop();
        host->context->setGameView(nullptr);
    }

    // Starts a game with a scene of the given frame interval.
    boost::intrusive_ptr<Scene> startScene(float ms = 30) {
        auto scene = JTCore::JTNew<Scene>(host->context.get(), ms);
        host->context->startGameScene(scene);
        view->start();
        return scene;
    }

    // Moves the clock (without letting the timer fire) and fires the view's timer by hand.
    void fireAfter(double seconds) {
        scope.clock().advance(seconds);
        ASSERT_TRUE(view->timer());
        view->timer()->fire();
    }

    std::shared_ptr<platform::ui::Touch> touchAt(platform::Point p) {
        return std::make_shared<platform::ui::Touch>(1, p, scope.now());
    }
    void tap(platform::Point p) {
        auto t = touchAt(p);
        platform::ui::Event e;
        e.addTouch(t);
        view->touchesBegan({t}, e);
        t->update(platform::ui::TouchPhase::Ended, p, scope.now());
        view->touchesEnded({t}, e);
    }

    platform::MainLoopTestScope scope;
    platform::gfx::RecordingGL recorder;
    platform::testing::PlatformStateScope platformState;
    platform::gfx::ScopedGL scopedGL{recorder};
    std::shared_ptr<Host> host = std::make_shared<Host>();
    std::shared_ptr<Icon> icon = std::make_shared<Icon>();
    std::shared_ptr<MyGameView> view;
};

constexpr double kPeriod = 1.0 / double(1000.0f / 30.0f);

TEST_F(GameViewBaseTest, RatesComeFromTheSceneFrameInterval) {
    EXPECT_DOUBLE_EQ(view->loop().tickFrequency(), 30.0);
    EXPECT_EQ(view->loop().maxSkip(), 0);
    EXPECT_EQ(view->loop().pauseWaitTicks(), 10);

    auto scene = JTCore::JTNew<Scene>(host->context.get(), 30.0f);
    view->startGameScene(scene);
    EXPECT_EQ(view->loop().maxSkip(), 3);
    EXPECT_DOUBLE_EQ(view->loop().tickFrequency(), double(1000.0f / 30.0f));
    EXPECT_NEAR(view->loop().tickFrequency(), 33.333332, 1e-6);
    EXPECT_EQ(view->loop().pauseWaitTicks(), 11);

    // Slow scenes still catch up one tick and wait at least one.
    view->startGameScene(JTCore::JTNew<Scene>(host->context.get(), 5000.0f));
    EXPECT_EQ(view->loop().maxSkip(), 1);
    EXPECT_EQ(view->loop().pauseWaitTicks(), 1);
    EXPECT_DOUBLE_EQ(view->loop().tickFrequency(), double(1000.0f / 5000.0f));

    // An interval of 0 or less (or none at all) gives the rates of a view without a scene
    // instead of a division by zero.
    for (float bad : {0.0f, -30.0f, std::nanf("")}) {
        view->startGameScene(scene);
        view->startGameScene(JTCore::JTNew<Scene>(host->context.get(), bad));
        EXPECT_EQ(view->loop().maxSkip(), 0) << bad;
        EXPECT_DOUBLE_EQ(view->loop().tickFrequency(), 30.0) << bad;
        EXPECT_EQ(view->loop().pauseWaitTicks(), 10) << bad;
        EXPECT_TRUE(view->gameScene());
    }
    view->startGameScene(nullptr);
    EXPECT_FALSE(view->gameScene());
}

TEST_F(GameViewBaseTest, FiringsCatchUpMissedTicksUpToMaxSkip) {
    auto scene = startScene();
    EXPECT_EQ(scene->draws, 1);  // one frame before the first tick
    bool multisampleOff = false;
    for (const auto& call : recorder.callsNamed("glDisable"))
        multisampleOff = multisampleOff || call.args[0] == GL_MULTISAMPLE;
    EXPECT_TRUE(multisampleOff);
    EXPECT_EQ(host->stoppedLoops, (std::vector<std::pair<bool, bool>>{{true, false}}));
    double due = view->loop().nextTime();
    EXPECT_DOUBLE_EQ(due, scope.now());

    // On time: one tick, one frame, the next one period on.
    fireAfter(0);
    EXPECT_EQ(scene->ticks, 1);
    EXPECT_EQ(scene->draws, 2);
    EXPECT_DOUBLE_EQ(view->loop().nextTime(), due + kPeriod);

    // 2.5 periods late: 2 missed ticks caught up, then the due one.
    due = view->loop().nextTime();
    fireAfter(3.5 * kPeriod);
    EXPECT_EQ(scene->ticks, 4);
    EXPECT_EQ(scene->draws, 3);
    EXPECT_NEAR(view->loop().nextTime(), due + 3 * kPeriod, 1e-9);

    // 10.5 periods late: only maxSkip (3) are caught up and the schedule starts from now.
    due = view->loop().nextTime();
    fireAfter(due + 10.5 * kPeriod - scope.now());
    double now = scope.now();
    EXPECT_EQ(scene->ticks, 8);
    EXPECT_EQ(scene->draws, 4);
    EXPECT_NEAR(view->loop().nextTime(), now + 4 * kPeriod, 1e-9);

    // Early: still one tick, and the schedule moves on by one period.
    due = view->loop().nextTime();
    fireAfter(0.5 * kPeriod);
    EXPECT_EQ(scene->ticks, 9);
    EXPECT_EQ(scene->draws, 5);
    EXPECT_NEAR(view->loop().nextTime(), due + kPeriod, 1e-9);
    EXPECT_EQ(view->tickCount(), 9);
}

TEST_F(GameViewBaseTest, TimerRunsTheLoopAtTheTickRateWhileActive) {
    auto scene = startScene();
    EXPECT_TRUE(view->active());
    ASSERT_TRUE(view->timer());
    EXPECT_NEAR(view->timer()->interval(), kPeriod, 1e-12);
    scope.advance(1.0);
    // One frame per firing, one firing per period (the first may catch up the tick that was
    // due when the timer started).
    EXPECT_EQ(scene->draws, 1 + 33);
    EXPECT_GE(scene->ticks, 33);
    EXPECT_LE(scene->ticks, 34);

    // A loop that stalls for a second catches up at most 3 ticks in its next firing.
    int before = scene->ticks;
    scope.clock().advance(1.0);
    scope.advance(kPeriod);
    EXPECT_LE(scene->ticks - before, 4 + 1);
}

TEST_F(GameViewBaseTest, PauseCountdownRunsAcrossFiringsAndOpensThePauseScreen) {
    auto scene = startScene();
    view->setPauseBtnPos({-27, 25});
    EXPECT_EQ(view->pauseBtnPosTranslated(), (platform::Point{293, 25}));

    // 27 to the right is outside the button; 26 right and 24 below is inside.
    tap({293 + 27, 25});
    EXPECT_FALSE(GameViewBaseTestAccess::pausing(*view));
    tap({293 + 26, 25 + 24});
    EXPECT_TRUE(GameViewBaseTestAccess::pausing(*view));
    EXPECT_EQ(GameViewBaseTestAccess::enterPauseCount(*view), 11);

    // Touches are not handed to the game meanwhile.
    auto t = touchAt({100, 100});
    platform::ui::Event e;
    e.addTouch(t);
    view->touchesBegan({t}, e);
    EXPECT_FALSE(host->context->currentTouch());

    // The countdown brightens the button most at its start.
    recorder.clear();
    fireAfter(0);
    auto colour = recorder.last("glColor4ub");
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->args[0], (10 * 191 / 11 + 64) % 256);
    EXPECT_EQ(recorder.last("glTexEnvi")->args[2], GL_ADD);
    ASSERT_FALSE(icon->points.empty());
    EXPECT_EQ(icon->points.back(), (platform::Point{293, 480 - 25}));

    // Touching the button again starts the countdown afresh.
    tap({293, 25});
    EXPECT_EQ(GameViewBaseTestAccess::enterPauseCount(*view), 11);
    for (int i = 0; i < 10; ++i) fireAfter(kPeriod);
    EXPECT_EQ(host->pauseViews, 0);
    int draws = scene->draws;
    fireAfter(kPeriod);  // the 11th tick of the countdown
    EXPECT_EQ(host->pauseViews, 1);
    EXPECT_EQ(host->transitions, std::vector<int>{4});
    EXPECT_EQ(scene->draws, draws);  // that firing drew nothing
    EXPECT_FALSE(view->active());
    EXPECT_FALSE(view->timer());
    EXPECT_FALSE(view->superview());
    EXPECT_TRUE(view->started());

    // Back from the pause screen the button is drawn plainly.
    view->resume();
    recorder.clear();
    fireAfter(0);
    EXPECT_EQ(recorder.last("glColor4ub")->args[0], 160);
    EXPECT_EQ(recorder.last("glTexEnvi")->args[2], GL_MODULATE);
}

TEST_F(GameViewBaseTest, GoingToTheBackgroundPausesAtOnceAndForgetsTheCountdown) {
    auto scene = startScene();
    view->setPauseBtnPos({-27, 25});
    view->enterPause();
    fireAfter(0);
    platform::ui::postNotification(platform::ui::kDidEnterBackgroundNotification);
    EXPECT_EQ(host->pauseViews, 1);
    EXPECT_TRUE(host->transitions.empty());  // no animation on the way out
    EXPECT_FALSE(view->active());
    EXPECT_FALSE(GameViewBaseTestAccess::pausing(*view));

    view->resume();
    for (int i = 0; i < 20; ++i) fireAfter(kPeriod);
    EXPECT_EQ(host->pauseViews, 1);
    EXPECT_TRUE(view->active());

    // Once stopped, the view no longer listens.
    view->stop();
    platform::ui::postNotification(platform::ui::kDidEnterBackgroundNotification);
    EXPECT_EQ(host->pauseViews, 1);
}

TEST_F(GameViewBaseTest, GameOverEndsTheFiringAndRecordsTheScore) {
    auto recorder = std::make_shared<Recorder>();
    host->recorder = recorder;
    auto level = std::make_shared<Level>();
    auto scene = startScene();
    view->setLevelInfo(level);
    scene->onTick = [this](int tick) {
        if (tick == 2) host->context->getGameView()->gameOverWithScore(4321);
    };
    fireAfter(0);
    int draws = scene->draws;
    // A late firing would run 4 ticks; the second ends the run and the firing with it.
    fireAfter(4 * kPeriod);
    EXPECT_EQ(scene->ticks, 2);
    EXPECT_EQ(scene->draws, draws);
    EXPECT_EQ(recorder->scores, std::vector<int32_t>{4321});
    EXPECT_EQ(recorder->levels.front(), level);
    EXPECT_DOUBLE_EQ(recorder->dates.front(), scope.clock().wallSeconds());
    EXPECT_EQ(host->gameOverViews, 1);
    EXPECT_FALSE(view->started());
    EXPECT_FALSE(view->active());
    EXPECT_FALSE(view->superview());
    EXPECT_TRUE(host->windowView->subviews().empty());
    scope.advance(1.0);
    EXPECT_EQ(scene->ticks, 2);
}

TEST_F(GameViewBaseTest, SceneDroppedDuringItsOwnTickStaysAliveUntilTheTickEnds) {
    auto scene = startScene();
    JTAppBase::JTScene* raw = scene.get();
    scene->onTick = [this](int) {
        // What the app core's reset does on the way to another screen.
        view->stop();
        view->startGameScene(nullptr);
    };
    scene.reset();  // only the view holds it now
    fireAfter(0);
    EXPECT_FALSE(view->gameScene());
    (void)raw;
}

TEST_F(GameViewBaseTest, ResumeTakesOverTheWindowAndSuspendLeavesIt) {
    auto leftover = platform::ui::View::create({0, 0, 10, 10});
    host->windowView->addSubview(leftover);
    startScene();
    ASSERT_EQ(host->windowView->subviews().size(), 1u);
    auto container = view->containerView();
    ASSERT_TRUE(container);
    EXPECT_EQ(host->windowView->subviews()[0], container);
    EXPECT_EQ(view->superview(), container);
    EXPECT_EQ(container->frame(), (platform::Rect{0, 0, 320, 480}));
    EXPECT_FALSE(leftover->superview());
    EXPECT_TRUE(platform::ui::Application::shared().isIdleTimerDisabled());

    // An alert on screen is not one of the old screens: it stays above the game.
    view->suspend();
    platform::ui::Application::shared().setKeyWindow(host->windowView);
    auto alert = platform::ui::AlertView::create("Congratulations!", "Level 3 is open.", {}, "OK");
    alert->show();
    ASSERT_TRUE(alert->view());
    view->resume();
    EXPECT_EQ(alert->view()->superview(), host->windowView);
    alert->dismissWithClickedButtonIndex(0, false);
    platform::ui::AlertView::resetAll();

    view->suspend();
    EXPECT_TRUE(host->windowView->subviews().empty());
    EXPECT_FALSE(container->gameView());
    view->resume();
    view->resume();  // already active: nothing changes
    EXPECT_EQ(host->windowView->subviews().size(), 1u);
    view->stop();
    EXPECT_FALSE(platform::ui::Application::shared().isIdleTimerDisabled());
    EXPECT_FALSE(view->started());
}

TEST_F(GameViewBaseTest, TheWindowOwnsTheContainerAndTheGameViewOnlyPointsAtIt) {
    startScene();
    std::weak_ptr<app::GameViewContainer> container = view->containerView();
    ASSERT_FALSE(container.expired());
    // The window letting go of its views frees the container although the game still runs.
    auto top = host->windowView->subviews().front();
    top->removeFromSuperview();
    top.reset();
    EXPECT_TRUE(container.expired());
    EXPECT_FALSE(view->containerView());
    EXPECT_FALSE(view->superview());
    view->suspend();  // nothing left to take down
    view->resume();
    EXPECT_EQ(host->windowView->subviews().size(), 1u);
    EXPECT_EQ(view->superview(), view->containerView());

    // Without a window there is nothing to show the game in, so no container is made.
    view->suspend();
    host->windowView = nullptr;
    view->resume();
    EXPECT_FALSE(view->containerView());
    view->stop();
}

TEST_F(GameViewBaseTest, TiltStartsAndStopsWithTheLoopWhenTheAppCalibrates) {
    EXPECT_FALSE(view->accelerometerHelper());
    host->calibrationType = 1;
    auto tilted = MyGameView::create(host, ui::OrientationPortrait);
    ASSERT_TRUE(tilted->accelerometerHelper());
    host->context->setGameView(tilted);
    auto scene = JTCore::JTNew<Scene>(host->context.get(), 30.0f);
    host->context->startGameScene(scene);
    tilted->start();
    auto& acc = platform::Accelerometer::shared();
    EXPECT_TRUE(acc.delegate());
    EXPECT_NEAR(acc.updateInterval(), 0.02, 1e-12);
    tilted->suspend();
    EXPECT_FALSE(acc.delegate());
    tilted->stop();
}

TEST_F(GameViewBaseTest, CanvasIsLetterboxedAndThePauseButtonFoundThroughIt) {
    host->screen = {320, 568};
    startScene();
    EXPECT_EQ(view->frame(), (platform::Rect{0, 44, 320, 480}));
    EXPECT_EQ(view->viewSize(), (platform::Size{320, 480}));
    view->setPauseBtnPos({-27, 25});
    EXPECT_EQ(view->pauseBtnPosInView(), (platform::Point{293, 69}));
    view->stop();

    // A wide screen: the canvas fills the height and sits in the middle.
    host->screen = {768, 1024};
    auto wide = MyGameView::create(host, ui::OrientationPortrait);
    host->context->setGameView(wide);
    host->context->startGameScene(JTCore::JTNew<Scene>(host->context.get(), 30.0f));
    wide->start();
    double s = double(float(1024.0 / 480.0));
    EXPECT_NEAR(wide->frame().origin.x, (768 - 320 * s) / 2, 1e-9);
    EXPECT_NEAR(wide->frame().size.height, 1024, 1e-3);
    wide->setPauseBtnPos({-27, 25});
    platform::Point p = wide->pauseBtnPosInView();
    EXPECT_NEAR(p.x, (768 - 320 * s) / 2 + 293 * s, 1e-6);
    EXPECT_NEAR(p.y, 25 * s, 1e-6);
    // Touches land in canvas units.
    platform::Point c = wide->convertPointFromRawView({160 * s, 240 * s});
    EXPECT_NEAR(c.x, 160, 1e-9);
    EXPECT_NEAR(c.y, 240, 1e-9);
    wide->stop();

    // Without a pause button there is nothing to put the resume button on.
    wide->setPauseBtnPos({0, 0});
    EXPECT_EQ(wide->pauseBtnPosInView(), (platform::Point{0, 0}));
}

TEST_F(GameViewBaseTest, RawPointsTurnWithTheOrientationWhenTheViewRotatesItself) {
    host->glContext = std::make_shared<gameviewtest::FakeContext>();
    auto upsideDown = MyGameView::create(host, ui::OrientationPortraitUpsideDown);
    upsideDown->setDisableOrientation(false);
    host->context->setGameView(upsideDown);
    host->context->startGameScene(JTCore::JTNew<Scene>(host->context.get(), 30.0f));
    upsideDown->start();
    EXPECT_EQ(upsideDown->viewSize(), (platform::Size{320, 480}));
    EXPECT_EQ(upsideDown->convertPointFromRawView({10, 20}), (platform::Point{310, 460}));
    // The projection turns the picture half way round to match.
    upsideDown->setDisableOrientation(true);
    EXPECT_EQ(upsideDown->convertPointFromRawView({10, 20}), (platform::Point{10, 20}));
    upsideDown->setDisableOrientation(false);
    recorder.clear();
    upsideDown->render();
    auto rotate = recorder.last("glRotatef");
    ASSERT_TRUE(rotate);
    EXPECT_EQ(rotate->args[0], 180);
    upsideDown->stop();
}

TEST_F(GameViewBaseTest, TouchesReachTheCanvasAsCanvasPoints) {
    startScene();
    auto canvas = host->context->getCanvas();
    auto t = touchAt({30, 40});
    platform::ui::Event e;
    e.addTouch(t);
    view->touchesBegan({t}, e);
    canvas->beginFrame();
    EXPECT_TRUE(canvas->getTouch()->isDown());
    EXPECT_EQ(canvas->getTouch()->getX(), 30);
    EXPECT_EQ(canvas->getTouch()->getY(), 40);
    t->update(platform::ui::TouchPhase::Moved, {50, 60}, scope.now());
    view->touchesMoved({t}, e);
    canvas->beginFrame();
    EXPECT_EQ(canvas->getTouch()->getX(), 50);
    t->update(platform::ui::TouchPhase::Ended, {50, 60}, scope.now());
    view->touchesEnded({t}, e);
    canvas->beginFrame();
    EXPECT_FALSE(canvas->getTouch()->isDown());

    // With several fingers allowed, the fingers still down are collected.
    canvas->setMultiTouchEnabled(true);
    EXPECT_TRUE(view->isMultipleTouchEnabled());
    auto a = touchAt({10, 10});
    auto b = std::make_shared<platform::ui::Touch>(2, platform::Point{20, 20}, scope.now());
    platform::ui::Event both;
    both.addTouch(a);
    both.addTouch(b);
    view->touchesBegan({a, b}, both);
    EXPECT_EQ(host->context->activeTouches().size(), 2u);
    b->update(platform::ui::TouchPhase::Ended, {20, 20}, scope.now());
    view->touchesEnded({b}, both);
    EXPECT_EQ(host->context->activeTouches().size(), 1u);
}

}  // namespace
