#pragma once

// The display in points. 320 x 480 by default, as the phone the program was written for; the
// scale maps points to pixels.

#include "platform/ui/Geometry.h"

namespace platform::ui {

class Screen {
  public:
    static Screen& mainScreen();

    Rect bounds() const { return {0, 0, size_.width, size_.height}; }
    // The bounds less the status bar when the application shows one.
    Rect applicationFrame() const;
    double scale() const { return scale_; }
    void setScale(double s) { scale_ = s > 0 ? s : 1; }
    void setSize(Size s) { size_ = s; }
    // Back to 320 x 480 at scale 1 (tests).
    void reset();

    static constexpr double kStatusBarHeight = 20;

  private:
    Size size_{320, 480};
    double scale_ = 1;
};

}  // namespace platform::ui
