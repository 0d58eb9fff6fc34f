#include "platform/device/Accelerometer.h"

#include <cmath>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/device/TiltScript.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace platform {
namespace {

class Recorder : public AccelerometerDelegate {
  public:
    void accelerometerDidAccelerate(Accelerometer&, const Acceleration& a) override {
        readings.push_back(a);
    }
    std::vector<Acceleration> readings;
};

SDL_Event key(bool down, SDL_Scancode code) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = code;
    return e;
}

SDL_Event mouseAt(int x) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    return e;
}

SDL_Event clickAt(int x) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.x = x;
    return e;
}

SDL_Event window(Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    return e;
}

SDL_Event padAccel(float x, float y, float z) {
    SDL_Event e{};
    e.type = SDL_CONTROLLERSENSORUPDATE;
    e.csensor.sensor = SDL_SENSOR_ACCEL;
    e.csensor.data[0] = x;
    e.csensor.data[1] = y;
    e.csensor.data[2] = z;
    return e;
}

class AccelerometerTest : public ::testing::Test {
  protected:
    void SetUp() override { acc.reset(); }
    void TearDown() override { acc.reset(); }

    double lastX() const { return rec->readings.back().x; }
    // Long enough for the eased tilt to reach its target.
    void settle() { scope.advance(3.0); }

    MainLoopTestScope scope;
    Accelerometer& acc = Accelerometer::shared();
    std::shared_ptr<Recorder> rec = std::make_shared<Recorder>();
};

TEST_F(AccelerometerTest, DeliversFlatReadingsAtTheIntervalWhileItHasADelegate) {
    acc.setUpdateInterval(0.02);
    acc.setDelegate(rec);
    scope.advance(1.0);
    ASSERT_EQ(rec->readings.size(), 50u);
    for (const auto& r : rec->readings) {
        EXPECT_DOUBLE_EQ(r.x, 0);
        EXPECT_DOUBLE_EQ(r.y, 0);
        EXPECT_DOUBLE_EQ(r.z, -1);
    }
    EXPECT_NEAR(rec->readings[1].timestamp - rec->readings[0].timestamp, 0.02, 1e-9);

    // A new interval takes effect at once; no delegate, no readings.
    acc.setUpdateInterval(0.1);
    scope.advance(1.05);
    EXPECT_EQ(rec->readings.size(), 60u);
    acc.setDelegate({});
    scope.advance(1.0);
    EXPECT_EQ(rec->readings.size(), 60u);

    // A delegate that went away stops the readings too.
    acc.setDelegate(rec);
    rec.reset();
    scope.advance(1.0);
    EXPECT_EQ(scope.loop().scheduledTimerCount(), 0u);
}

TEST_F(AccelerometerTest, IntervalIsKeptWithinSaneBounds) {
    acc.setUpdateInterval(0);
    EXPECT_DOUBLE_EQ(acc.updateInterval(), Accelerometer::kMinInterval);
    acc.setUpdateInterval(1e9);
    EXPECT_DOUBLE_EQ(acc.updateInterval(), Accelerometer::kMaxInterval);
    acc.setUpdateInterval(std::nan(""));
    EXPECT_DOUBLE_EQ(acc.updateInterval(), Accelerometer::kMaxInterval);
}

TEST_F(AccelerometerTest, KeysTiltSteadilyWhileHeldAndEaseBackWhenReleased) {
    acc.setDelegate(rec);
    EXPECT_TRUE(acc.handleEvent(key(true, SDL_SCANCODE_RIGHT)));
    scope.advance(0.04);
    double early = lastX();
    EXPECT_GT(early, 0);
    EXPECT_LT(early, Accelerometer::kKeyTilt);
    settle();
    EXPECT_NEAR(lastX(), Accelerometer::kKeyTilt, 1e-4);
    // Right edge down and still one g in all.
    const auto& r = rec->readings.back();
    EXPECT_NEAR(r.x * r.x + r.y * r.y + r.z * r.z, 1.0, 1e-12);
    EXPECT_LT(r.z, 0);

    acc.handleEvent(key(false, SDL_SCANCODE_RIGHT));
    scope.advance(0.04);
    EXPECT_GT(lastX(), 0);
    EXPECT_LT(lastX(), Accelerometer::kKeyTilt);
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);

    acc.handleEvent(key(true, SDL_SCANCODE_A));
    settle();
    EXPECT_NEAR(lastX(), -Accelerometer::kKeyTilt, 1e-4);
    // Both directions at once cancel out.
    acc.handleEvent(key(true, SDL_SCANCODE_D));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);
    // Losing the focus lets go of every key (their key-up would go elsewhere).
    acc.handleEvent(key(true, SDL_SCANCODE_LEFT));
    acc.handleEvent(key(false, SDL_SCANCODE_D));
    acc.handleEvent(window(SDL_WINDOWEVENT_FOCUS_LOST));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);
    EXPECT_FALSE(acc.handleEvent(key(true, SDL_SCANCODE_SPACE)));
}

TEST_F(AccelerometerTest, MouseSteersByItsPositionOverTheWindowUntilAKeyTakesOver) {
    acc.setWindowWidth(320);
    acc.setDelegate(rec);
    acc.handleEvent(mouseAt(320));
    settle();
    EXPECT_NEAR(lastX(), Accelerometer::kMouseTilt, 1e-4);
    acc.handleEvent(mouseAt(80));
    settle();
    EXPECT_NEAR(lastX(), -Accelerometer::kMouseTilt / 2, 1e-4);
    acc.handleEvent(mouseAt(160));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);

    // Leaving the window lets the tilt ease back to flat.
    acc.handleEvent(mouseAt(300));
    settle();
    acc.handleEvent(window(SDL_WINDOWEVENT_LEAVE));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);

    // A key press takes over; the resting pointer does not pull back after the release.
    acc.handleEvent(window(SDL_WINDOWEVENT_ENTER));
    acc.handleEvent(mouseAt(0));
    settle();
    EXPECT_NEAR(lastX(), -Accelerometer::kMouseTilt, 1e-4);
    acc.handleEvent(key(true, SDL_SCANCODE_RIGHT));
    acc.handleEvent(key(false, SDL_SCANCODE_RIGHT));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);
}

TEST_F(AccelerometerTest, AClickOnAControlIsNoSteerAndSteeringGoesOnFromWhereItWas) {
    acc.setWindowWidth(320);
    acc.setDelegate(rec);
    acc.handleEvent(mouseAt(160));
    settle();
    // The pause button sits in the top right corner: moving there and clicking it is no hard
    // right turn once the press has happened.
    acc.handleEvent(mouseAt(310));
    acc.handleEvent(clickAt(310));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);

    // Resume is pressed somewhere else; the pointer resting there steers nothing, and moving
    // it steers relative to that point, the whole way on either side.
    acc.handleEvent(clickAt(240));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);
    acc.handleEvent(mouseAt(240));
    settle();
    EXPECT_NEAR(lastX(), 0, 1e-4);
    acc.handleEvent(mouseAt(120));
    settle();
    EXPECT_NEAR(lastX(), -Accelerometer::kMouseTilt / 2, 1e-4);
    acc.handleEvent(mouseAt(320));
    settle();
    EXPECT_NEAR(lastX(), Accelerometer::kMouseTilt, 1e-4);
}

TEST_F(AccelerometerTest, GamepadMotionSensorReadsLikeAPhoneLyingScreenUp) {
    acc.setDelegate(rec);
    EXPECT_TRUE(acc.handleEvent(padAccel(0, SDL_STANDARD_GRAVITY, 0)));
    scope.advance(0.02);
    EXPECT_NEAR(rec->readings.back().x, 0, 1e-6);
    EXPECT_NEAR(rec->readings.back().y, 0, 1e-6);
    EXPECT_NEAR(rec->readings.back().z, -1, 1e-6);

    // Right side lowered by 30 degrees: gravity pulls half a g to the right.
    float g = SDL_STANDARD_GRAVITY;
    acc.handleEvent(padAccel(-0.5f * g, 0.8660254f * g, 0));
    scope.advance(0.02);
    EXPECT_NEAR(rec->readings.back().x, 0.5, 1e-6);
    EXPECT_NEAR(rec->readings.back().z, -0.8660254, 1e-6);

    // Keys still win while held; a broken sample is ignored.
    acc.handleEvent(padAccel(NAN, 0, 0));
    acc.handleEvent(key(true, SDL_SCANCODE_LEFT));
    settle();
    EXPECT_NEAR(lastX(), -Accelerometer::kKeyTilt, 1e-4);
    acc.handleEvent(key(false, SDL_SCANCODE_LEFT));
    scope.advance(0.02);
    EXPECT_NEAR(lastX(), 0.5, 1e-6);
}

TEST_F(AccelerometerTest, ScriptReplacesTheLiveInputsAndMaySayNothing) {
    acc.setDelegate(rec);
    acc.handleEvent(key(true, SDL_SCANCODE_RIGHT));
    acc.setScript(TiltScript::sine(0.25, 1.0));
    double start = scope.now();
    scope.advance(1.0);
    ASSERT_GE(rec->readings.size(), 49u);
    bool positive = false, negative = false;
    for (const auto& r : rec->readings) {
        EXPECT_NEAR(r.x, 0.25 * std::sin(2 * M_PI * (r.timestamp - start)), 1e-9);
        positive |= r.x > 0.24;
        negative |= r.x < -0.24;
    }
    EXPECT_TRUE(positive && negative);

    acc.setScript(TiltScript::silent());
    size_t before = rec->readings.size();
    long delivered = acc.deliveries();
    scope.advance(1.0);
    EXPECT_EQ(rec->readings.size(), before);
    EXPECT_EQ(acc.deliveries(), delivered);

    acc.setScript(nullptr);
    settle();
    EXPECT_NEAR(lastX(), Accelerometer::kKeyTilt, 1e-4);
}

}  // namespace
}  // namespace platform
