#pragma once

#include "core/JTObject.h"

namespace JTAppBase {

// One finger in the scene's logical coordinates (origin top left, y downwards).
class JTTouchInfo : public JTCore::JTObject {
  public:
    virtual float getX() const { return x_; }
    virtual void setX(float x) { x_ = x; }
    virtual float getY() const { return y_; }
    virtual void setY(float y) { y_ = y; }
    virtual bool isDown() const { return down_; }
    virtual void setDown(bool down) { down_ = down; }

  private:
    float x_ = 0;
    float y_ = 0;
    bool down_ = false;
};

using JTTouchInfoPtr = boost::intrusive_ptr<JTTouchInfo>;

}  // namespace JTAppBase
