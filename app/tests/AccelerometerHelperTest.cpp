#include "app/gameview/AccelerometerHelper.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "app/testsupport/GameViewTestAccess.h"
#include "platform/base/LogSink.h"
#include "platform/device/TiltScript.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace ui = platform::ui;

using namespace app;

namespace {

class FakeOwner : public AccelerometerHelperOwner {
  public:
    NeutralAccelerometer currentNeutralAccelerometer() override { return neutral; }
    ui::InterfaceOrientation currentStatusBarOrientation() override { return orientation; }
    NeutralAccelerometer neutral;
    ui::InterfaceOrientation orientation = ui::OrientationPortrait;
};

class AccelerometerHelperTest : public ::testing::Test {
  protected:
    void SetUp() override { acc.reset(); }
    void TearDown() override { acc.reset(); }

    platform::MainLoopTestScope scope;
    platform::Accelerometer& acc = platform::Accelerometer::shared();
    std::shared_ptr<FakeOwner> owner = std::make_shared<FakeOwner>();
    std::shared_ptr<AccelerometerHelper> helper = AccelerometerHelper::create(owner);
};

TEST_F(AccelerometerHelperTest, StartsWithTheWeightOfTheRequestedRateAndFilters) {
    helper->startWithFrequency(50.0, 7e-5);
    EXPECT_NEAR(helper->filteringFactorEachTick(), 0.174148502, 1e-9);
    EXPECT_NEAR(acc.updateInterval(), 0.02, 1e-12);
    EXPECT_EQ(acc.delegate(), helper);
    EXPECT_TRUE(helper->isRunning());

    // One reading moves the filtered value by the weight, towards the reading.
    acc.setScript(platform::TiltScript::constant(0.6));
    scope.advance(0.02);
    double k = helper->filteringFactorEachTick();
    EXPECT_NEAR(helper->accelerometerX(), k * 0.6, 1e-12);
    EXPECT_NEAR(helper->accelerometerZ(), k * -0.8 + (1 - k) * -1, 1e-12);
    // A second of readings leaves (7e-5) of the old offset: the filter settles.
    scope.advance(1.0);
    EXPECT_NEAR(helper->accelerometerX(), 0.6, 1e-3);
    EXPECT_NEAR(helper->accelerationFromNeutralH(), 0.6, 1e-3);

    helper->stop();
    EXPECT_FALSE(acc.delegate());
    EXPECT_FALSE(helper->isRunning());
    double x = helper->accelerometerX();
    scope.advance(1.0);
    EXPECT_EQ(helper->accelerometerX(), x);
}

TEST_F(AccelerometerHelperTest, WatchAdaptsTheWeightToTheRateReadingsReallyCome) {
    helper->startWithFrequency(50.0, 7e-5);
    double start = helper->filteringFactorEachTick();
    // Only 10 readings in the half second: fewer than a third of the rate counts as 16.
    acc.setUpdateInterval(0.05);
    scope.advance(0.5);
    EXPECT_EQ(helper->callCount(), 0);  // the watch has just counted and cleared them
    double target = 1 - std::pow(7e-5, 0.5 / 16);
    EXPECT_NEAR(helper->filteringFactorEachTick(), 0.5 * target + 0.5 * start, 1e-12);

    // Far more readings than twice the rate count as 100.
    AccelerometerHelperTestAccess::setX(*helper, 0);
    double before = helper->filteringFactorEachTick();
    for (int i = 0; i < 400; ++i) helper->accelerometerDidAccelerate(acc, {});
    AccelerometerHelperTestAccess::runCheck(*helper);
    EXPECT_NEAR(helper->filteringFactorEachTick(),
                0.5 * (1 - std::pow(7e-5, 0.5 / 100)) + 0.5 * before, 1e-12);
}

TEST_F(AccelerometerHelperTest, WatchRestartsASilentAccelerometerUntilReadingsComeAgain) {
    acc.setScript(platform::TiltScript::silent());
    helper->startWithFrequency(50.0, 7e-5);
    platform::LogSink::Capture log;
    scope.advance(0.5);
    EXPECT_EQ(log.count(), 1u);
    EXPECT_TRUE(log.contains("reset accelerometer"));
    EXPECT_EQ(acc.delegate(), helper);  // started again
    scope.advance(1.0);
    EXPECT_EQ(log.count(), 3u);

    acc.setScript(platform::TiltScript::constant(0.1));
    scope.advance(1.0);
    EXPECT_EQ(log.count(), 3u);
    EXPECT_GT(helper->accelerometerX(), 0.05);

    // Once stopped, no watch runs and nothing is restarted.
    helper->stop();
    acc.setScript(platform::TiltScript::silent());
    scope.advance(2.0);
    EXPECT_EQ(log.count(), 3u);
    EXPECT_FALSE(acc.delegate());
}

TEST_F(AccelerometerHelperTest, StoppingAnOldHelperLeavesTheAccelerometerToTheNewOne) {
    helper->startWithFrequency(50.0, 7e-5);
    auto other = AccelerometerHelper::create(owner);
    other->startWithFrequency(100.0, 1e-10);
    helper->stop();
    EXPECT_EQ(acc.delegate(), other);
    other.reset();  // a helper that goes away leaves no timer behind
    helper.reset();
    scope.advance(1.0);
    EXPECT_EQ(scope.loop().scheduledTimerCount(), 0u);
}

TEST_F(AccelerometerHelperTest, CalibrationTypeOneLiesFlatInEveryOrientation) {
    EXPECT_EQ(AccelerometerHelper::neutralAccelerometerTilt(1), 0);
    for (auto o : {ui::OrientationPortrait, ui::OrientationPortraitUpsideDown,
                   ui::OrientationLandscapeRight, ui::OrientationLandscapeLeft}) {
        auto n = AccelerometerHelper::neutralAccelerometerFor(1, o);
        EXPECT_EQ(n.x, 0);
        EXPECT_EQ(n.y, 0);
        EXPECT_EQ(n.z, -1);
        owner->neutral = n;
        owner->orientation = o;
        helper->startWithFrequency(50.0, 7e-5);
        double h = 1, v = 1;
        helper->getAnglesFromNeutral(h, v);
        EXPECT_EQ(h, 0);
        EXPECT_EQ(v, 0);
        helper->stop();
    }
}

TEST_F(AccelerometerHelperTest, CalibrationTypeTwoHoldsThePhoneAtThirtyDegrees) {
    EXPECT_DOUBLE_EQ(AccelerometerHelper::neutralAccelerometerTilt(2), 0.5237733085234983);
    auto portrait = AccelerometerHelper::neutralAccelerometerFor(2, ui::OrientationPortrait);
    EXPECT_EQ(portrait.x, 0);
    EXPECT_NEAR(portrait.y, -0.500151, 1e-6);
    EXPECT_NEAR(portrait.z, -0.865938, 1e-6);
    auto landscape = AccelerometerHelper::neutralAccelerometerFor(2, ui::OrientationLandscapeLeft);
    EXPECT_NEAR(landscape.x, -0.500151, 1e-6);
    EXPECT_EQ(landscape.y, 0);
    auto unknown = AccelerometerHelper::neutralAccelerometerFor(2, ui::InterfaceOrientation(7));
    EXPECT_EQ(unknown.z, -1);

    owner->neutral = portrait;
    helper->startWithFrequency(50.0, 7e-5);
    EXPECT_NEAR(helper->neutralRotV(), -0.5237733085234983, 1e-12);
    // Held at the neutral angle the phone reads no tilt at all.
    double h = 1, v = 1;
    helper->getAnglesFromNeutral(h, v);
    EXPECT_NEAR(h, 0, 1e-12);
    EXPECT_NEAR(v, 0, 1e-12);
    EXPECT_NEAR(helper->accelerationFromNeutralH(), 0, 1e-12);
}

TEST_F(AccelerometerHelperTest, OrientationTurnsTheAxesAndAnglesWrapAround) {
    owner->orientation = ui::OrientationLandscapeRight;
    helper->startWithFrequency(50.0, 7e-5);
    AccelerometerHelperTestAccess::setX(*helper, 0);
    AccelerometerHelperTestAccess::setY(*helper, 0.2);
    EXPECT_NEAR(helper->accelerationFromNeutralH(), -0.2, 1e-12);
    EXPECT_NEAR(helper->accelerationFromNeutralV(), 0, 1e-12);
    EXPECT_NEAR(helper->accelerationFromNeutralX(), 0, 1e-12);
    EXPECT_NEAR(helper->accelerationFromNeutralY(), 0.2, 1e-12);

    // A neutral vector pointing nearly straight back gives a horizontal angle near -pi/2 ...
    helper->stop();
    owner->orientation = ui::OrientationPortrait;
    owner->neutral = {0, 0, -1};
    helper->startWithFrequency(50.0, 7e-5);
    // ... and a difference beyond pi is answered the short way round.
    double h = 0, v = 0;
    helper->setNeutalAccelerometer(0, -0.1, 0.99);  // face down, tipped: vertical near pi
    AccelerometerHelperTestAccess::setX(*helper, 0);
    AccelerometerHelperTestAccess::setY(*helper, 0.1);
    AccelerometerHelperTestAccess::setZ(*helper, 0.99);  // vertical near -pi
    helper->getAnglesFromNeutral(h, v);
    double raw = std::atan2(0.1, -0.99) - std::atan2(-0.1, -0.99);
    EXPECT_GT(raw, std::numbers::pi);
    EXPECT_NEAR(v, raw - 2 * std::numbers::pi, 1e-12);
    EXPECT_NEAR(h, 0, 1e-12);
}

TEST_F(AccelerometerHelperTest, RatesTooLowForTheBoundsStillGiveAFiniteWeight) {
    // Below half a reading per second the upper bound of the count is 0; one reading is taken.
    helper->startWithFrequency(0.4, 7e-5);
    EXPECT_NEAR(helper->filteringFactorEachTick(), 1 - std::pow(7e-5, 0.5), 1e-12);
    AccelerometerHelperTestAccess::runCheck(*helper);
    helper->accelerometerDidAccelerate(acc, {});
    AccelerometerHelperTestAccess::runCheck(*helper);
    EXPECT_TRUE(std::isfinite(helper->filteringFactorEachTick()));
    helper->startWithFrequency(0, 7e-5);
    EXPECT_TRUE(std::isfinite(helper->filteringFactorEachTick()));
    EXPECT_DOUBLE_EQ(acc.updateInterval(), platform::Accelerometer::kMaxInterval);
}

TEST_F(AccelerometerHelperTest, ANeutralPositionThatIsNoNumberLiesFlat) {
    acc.setScript(platform::TiltScript::constant(0.2));
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        owner->neutral = {0, bad, -1};
        helper->startWithFrequency(50.0, 7e-5);
        EXPECT_EQ(helper->accelerometerZ(), -1) << bad;
        scope.advance(1.0);
        double h = 0, v = 0;
        helper->getAnglesFromNeutral(h, v);
        EXPECT_NEAR(h, std::asin(0.2), 1e-3) << bad;
        EXPECT_NEAR(v, 0, 1e-3) << bad;
        EXPECT_NEAR(helper->accelerationFromNeutralH(), 0.2, 1e-3) << bad;
        helper->stop();
    }
}

TEST_F(AccelerometerHelperTest, WithoutAnOwnerItLiesFlatInPortrait) {
    owner.reset();
    helper->startWithFrequency(50.0, 7e-5);
    EXPECT_EQ(helper->interfaceOrientation(), 1);
    EXPECT_EQ(helper->accelerometerZ(), -1);
}

}  // namespace
