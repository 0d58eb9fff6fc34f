#pragma once

// Tilt input for the game: smooths the accelerometer's readings with a low-pass filter whose
// strength is given per second (so it feels the same whatever rate the readings really come
// at), answers the tilt relative to the neutral position the player calibrated, turned to the
// interface orientation, and restarts the accelerometer when it falls silent.

#include <cstdint>
#include <memory>

#include "appbase/ShellInterfaces.h"
#include "platform/device/Accelerometer.h"
#include "platform/ui/InterfaceOrientation.h"

namespace platform {
class Timer;
}

namespace app {

// A neutral tilt vector in g, device axes.
struct NeutralAccelerometer {
    double x = 0;
    double y = 0;
    double z = -1;
};

// Where the helper takes its neutral position and orientation from (the app core).
class AccelerometerHelperOwner {
  public:
    virtual ~AccelerometerHelperOwner() = default;
    // The neutral tilt of the app core's record for its current orientation.
    virtual NeutralAccelerometer currentNeutralAccelerometer() = 0;
    // The status bar's orientation now: 1 portrait, 2 upside down, 3 / 4 landscape.
    virtual platform::ui::InterfaceOrientation currentStatusBarOrientation() = 0;
};

struct AccelerometerHelperTestAccess;

class AccelerometerHelper final : public platform::AccelerometerDelegate,
                                  public JTAppBase::ShellTilt,
                                  public std::enable_shared_from_this<AccelerometerHelper> {
  public:
    static constexpr double kCheckInterval = 0.5;

    static std::shared_ptr<AccelerometerHelper> create(
        std::weak_ptr<AccelerometerHelperOwner> owner);
    ~AccelerometerHelper() override;

    // The calibration rule of the app core: type 2 holds the phone tilted towards the player
    // by about 30 degrees, every other type lies flat.
    static double neutralAccelerometerTilt(int calibrationType);
    // The neutral vector the rule gives an orientation (what a reset restores).
    static NeutralAccelerometer neutralAccelerometerFor(
        int calibrationType, platform::ui::InterfaceOrientation orientation);

    void startWithFrequency(double frequency, double filteringFactorPerSec);
    void stop();
    void accelerometerDidAccelerate(platform::Accelerometer& accelerometer,
                                    const platform::Acceleration& acceleration) override;

    void setNeutalAccelerometer(double x, double y, double z);
    double accelerationFromNeutralX() const { return accelerometerX_ - neutralX_; }
    double accelerationFromNeutralY() const { return accelerometerY_ - neutralY_; }
    double accelerationFromNeutralH() override;
    double accelerationFromNeutralV() const;
    static void getAnglesWithOrientation(platform::ui::InterfaceOrientation orientation, double x,
                                         double y, double z, double& outRotH, double& outRotV);
    void getAnglesFromNeutral(double& outRotH, double& outRotV) override;

    // (n', the weight) for `tickCount` readings in `interval` seconds, blended by `ffForFf`.
    void updateAccelerometerFilteringFactorEachTick(double interval, int tickCount, double ffForFf);

    std::shared_ptr<AccelerometerHelperOwner> appCore() const { return owner_.lock(); }
    double accelerometerX() const { return accelerometerX_; }
    double accelerometerY() const { return accelerometerY_; }
    double accelerometerZ() const { return accelerometerZ_; }
    double filteringFactorEachTick() const { return filteringFactorEachTick_; }
    int callCount() const { return callCount_; }
    platform::ui::InterfaceOrientation interfaceOrientation() const {
        return interfaceOrientation_;
    }
    double neutralRotV() const { return neutralRotV_; }
    bool isRunning() const { return checkTimer_ != nullptr; }

  private:
    // Tests stand still readings in and run the watch without waiting out its timer.
    friend struct AccelerometerHelperTestAccess;
    // The watch: adapts the filter to the rate readings really come at, restarts a silent
    // accelerometer.
    void onAcceleromterCheck();
    explicit AccelerometerHelper(std::weak_ptr<AccelerometerHelperOwner> owner)
        : owner_(std::move(owner)) {}

    // The accelerometer's delegate and the watch that restarts a silent accelerometer.
    void startAccelerometer();
    void stopAccelerometer();
    void startLockCheckTimer();
    void stopLockCheckTimer();
    double neutralRotH() const { return neutralRotH_; }

    std::weak_ptr<AccelerometerHelperOwner> owner_;
    std::shared_ptr<platform::Timer> checkTimer_;
    double frequency_ = 0;
    double filteringFactorPerSec_ = 0;
    double filteringFactorEachTick_ = 0;
    double accelerometerX_ = 0, accelerometerY_ = 0, accelerometerZ_ = 0;
    int callCount_ = 0;
    platform::ui::InterfaceOrientation interfaceOrientation_ = platform::ui::OrientationPortrait;
    double neutralX_ = 0, neutralY_ = 0, neutralZ_ = 0;
    double neutralRotH_ = 0, neutralRotV_ = 0;
};

}  // namespace app
