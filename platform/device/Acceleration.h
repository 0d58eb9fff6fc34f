#pragma once

namespace platform {

// One accelerometer reading in units of g, in the device's axes: x to the right edge, y to the
// top edge, z out of the screen. The reading is the pull of gravity, so a device lying flat
// with its screen up reads (0, 0, -1) and one with its right edge lowered reads x > 0.
struct Acceleration {
    double x = 0;
    double y = 0;
    double z = -1;
    // Monotonic seconds of the reading.
    double timestamp = 0;

    // Lying flat, tilted about the long axis only so the right edge sits `x` g lower.
    static Acceleration sideways(double x, double timestamp = 0);
};

}  // namespace platform
