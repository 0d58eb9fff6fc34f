#include "appbase/JTAccelerometerHelper.h"

#include "appbase/JTAppContext.h"

namespace JTAppBase {

namespace {
std::shared_ptr<ShellTilt> tiltOf(const JTCore::JTWeakPtr<JTAppContext>& context) {
    auto ctx = context.lock();
    if (!ctx) return nullptr;
    auto view = ctx->getGameView();
    return view ? view->accelerometerHelper() : nullptr;
}
}  // namespace

JTAccelerometerHelper::JTAccelerometerHelper(JTAppContext* context) : context_(context) {}

float JTAccelerometerHelper::getAccelerationH() {
    auto tilt = tiltOf(context_);
    return tilt ? static_cast<float>(tilt->accelerationFromNeutralH()) : 0.0f;
}

float JTAccelerometerHelper::getAngleH() {
    auto tilt = tiltOf(context_);
    if (!tilt) return 0.0f;
    double h = 0, v = 0;
    tilt->getAnglesFromNeutral(h, v);
    return static_cast<float>(h);
}

float JTAccelerometerHelper::getAngleV() {
    auto tilt = tiltOf(context_);
    if (!tilt) return 0.0f;
    double h = 0, v = 0;
    tilt->getAnglesFromNeutral(h, v);
    return static_cast<float>(v);
}

}  // namespace JTAppBase
