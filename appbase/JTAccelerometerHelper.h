#pragma once

#include "core/JTObject.h"

namespace JTAppBase {

class JTAppContext;

// The device tilt as the scenes see it, read from the game view's tilt input each time.
// Without tilt input every reading is exactly 0 (the car then steers to the centre).
class JTAccelerometerHelper : public JTCore::JTObject {
  public:
    explicit JTAccelerometerHelper(JTAppContext* context);

    virtual float getAccelerationH();
    virtual float getAngleH();
    virtual float getAngleV();

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

using JTAccelerometerHelperPtr = boost::intrusive_ptr<JTAccelerometerHelper>;

}  // namespace JTAppBase
