#include "app/gameview/AccelerometerHelper.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/gameview/CanvasProjection.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/Timer.h"

namespace app {

namespace {

// The device's (dx, dy) as the player sees it in the given interface orientation.
void turnToOrientation(platform::ui::InterfaceOrientation orientation, double dx, double dy,
                       double& h, double& v) {
    const platform::Point turned = turnedFor(orientation, {dx, dy});
    h = turned.x;
    v = turned.y;
}

}  // namespace

std::shared_ptr<AccelerometerHelper> AccelerometerHelper::create(
    std::weak_ptr<AccelerometerHelperOwner> owner) {
    return std::shared_ptr<AccelerometerHelper>(new AccelerometerHelper(std::move(owner)));
}

AccelerometerHelper::~AccelerometerHelper() {
    if (checkTimer_) checkTimer_->invalidate();
}

double AccelerometerHelper::neutralAccelerometerTilt(int calibrationType) {
    return calibrationType == 2 ? 0.5237733085234983 : 0;  // 30.01 degrees
}

NeutralAccelerometer AccelerometerHelper::neutralAccelerometerFor(
    int calibrationType, platform::ui::InterfaceOrientation orientation) {
    double t = neutralAccelerometerTilt(calibrationType);
    if (t == 0) return {0, 0, -1};
    switch (orientation) {
        case 1:
        case 2:
            return {0, -std::sin(t), -std::cos(t)};
        case 3:
        case 4:
            return {-std::sin(t), 0, -std::cos(t)};
        default:
            return {0, 0, -1};
    }
}

void AccelerometerHelper::startWithFrequency(double frequency, double filteringFactorPerSec) {
    callCount_ = 0;
    frequency_ = frequency;
    filteringFactorPerSec_ = filteringFactorPerSec;
    auto owner = owner_.lock();
    interfaceOrientation_ =
        owner ? owner->currentStatusBarOrientation() : platform::ui::OrientationPortrait;
    NeutralAccelerometer n = owner ? owner->currentNeutralAccelerometer() : NeutralAccelerometer{};
    setNeutalAccelerometer(n.x, n.y, n.z);
    updateAccelerometerFilteringFactorEachTick(0.5, static_cast<int>(frequency * 0.5), 1.0);
    // A game starts or resumes by a click or a key with the pointer wherever it was left: it
    // steers once it moves, from there.
    platform::Accelerometer::shared().holdPointer();
    startAccelerometer();
    startLockCheckTimer();
}

void AccelerometerHelper::stop() {
    stopLockCheckTimer();
    stopAccelerometer();
}

void AccelerometerHelper::startAccelerometer() {
    auto& acc = platform::Accelerometer::shared();
    // A rate of 0 or less asks for nothing sensible; the accelerometer keeps its slowest rate.
    acc.setUpdateInterval(frequency_ > 0 ? 1.0 / frequency_
                                         : platform::Accelerometer::kMaxInterval);
    acc.setDelegate(weak_from_this());
}

void AccelerometerHelper::stopAccelerometer() {
    auto& acc = platform::Accelerometer::shared();
    // Another helper may have taken the accelerometer over meanwhile; leave it to that one.
    if (acc.delegate().get() == this) acc.setDelegate({});
}

void AccelerometerHelper::startLockCheckTimer() {
    stopLockCheckTimer();
    std::weak_ptr<AccelerometerHelper> weak = weak_from_this();
    checkTimer_ = platform::Timer::schedule(kCheckInterval, true, [weak] {
        if (auto self = weak.lock()) self->onAcceleromterCheck();
    });
}

void AccelerometerHelper::stopLockCheckTimer() {
    if (checkTimer_) checkTimer_->invalidate();
    checkTimer_.reset();
}

void AccelerometerHelper::onAcceleromterCheck() {
    if (callCount_ > 0) {
        updateAccelerometerFilteringFactorEachTick(kCheckInterval, callCount_, 0.5);
    } else if (checkTimer_) {
        platform::LogSink::write("reset accelerometer");
        stopAccelerometer();
        startAccelerometer();
    }
    callCount_ = 0;
}

void AccelerometerHelper::accelerometerDidAccelerate(platform::Accelerometer&,
                                                     const platform::Acceleration& a) {
    ++callCount_;
    double k = filteringFactorEachTick_;
    accelerometerX_ = k * a.x + (1 - k) * accelerometerX_;
    accelerometerY_ = k * a.y + (1 - k) * accelerometerY_;
    accelerometerZ_ = k * a.z + (1 - k) * accelerometerZ_;
}

void AccelerometerHelper::updateAccelerometerFilteringFactorEachTick(double interval, int tickCount,
                                                                     double ffForFf) {
    int lo = std::max(1, static_cast<int>(frequency_ / 3));
    int hi = static_cast<int>(2 * frequency_);
    int n = lo > tickCount ? lo : std::min(hi, tickCount);
    // A rate under half a reading per second leaves hi at 0; one reading is the least that
    // makes sense, and keeps the power below finite.
    n = std::max(n, 1);
    double keep = std::pow(filteringFactorPerSec_, interval / n);
    filteringFactorEachTick_ = (1 - keep) * ffForFf + (1 - ffForFf) * filteringFactorEachTick_;
}

void AccelerometerHelper::setNeutalAccelerometer(double x, double y, double z) {
    // A neutral position that is no number (a damaged settings file) would pass through the
    // filter into every reading of the run; lying flat keeps the game steerable.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        x = 0;
        y = 0;
        z = -1;
    }
    neutralX_ = x;
    neutralY_ = y;
    neutralZ_ = z;
    accelerometerX_ = x;
    accelerometerY_ = y;
    accelerometerZ_ = z;
    getAnglesWithOrientation(interfaceOrientation_, x, y, z, neutralRotH_, neutralRotV_);
}

double AccelerometerHelper::accelerationFromNeutralH() {
    double h = 0, v = 0;
    turnToOrientation(interfaceOrientation_, accelerometerX_ - neutralX_,
                      accelerometerY_ - neutralY_, h, v);
    return h;
}

double AccelerometerHelper::accelerationFromNeutralV() const {
    double h = 0, v = 0;
    turnToOrientation(interfaceOrientation_, accelerometerX_ - neutralX_,
                      accelerometerY_ - neutralY_, h, v);
    return v;
}

void AccelerometerHelper::getAnglesWithOrientation(platform::ui::InterfaceOrientation orientation,
                                                   double x, double y, double z, double& outRotH,
                                                   double& outRotV) {
    double h = 0, v = 0;
    turnToOrientation(orientation, x, y, h, v);
    outRotV = std::atan2(v, -z);
    outRotH = std::atan2(h, std::sqrt(z * z + v * v));
}

void AccelerometerHelper::getAnglesFromNeutral(double& outRotH, double& outRotV) {
    double h = 0, v = 0;
    getAnglesWithOrientation(interfaceOrientation_, accelerometerX_, accelerometerY_,
                             accelerometerZ_, h, v);
    auto wrap = [](double d) {
        if (d < -std::numbers::pi) return d + 2 * std::numbers::pi;
        if (d > std::numbers::pi) return d - 2 * std::numbers::pi;
        return d;
    };
    outRotH = wrap(h - neutralRotH_);
    outRotV = wrap(v - neutralRotV_);
}

}  // namespace app
