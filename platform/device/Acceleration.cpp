#include "platform/device/Acceleration.h"

#include <algorithm>
#include <cmath>

namespace platform {

Acceleration Acceleration::sideways(double x, double timestamp) {
    if (!std::isfinite(x)) x = 0;
    x = std::clamp(x, -1.0, 1.0);
    return Acceleration{x, 0, -std::sqrt(1 - x * x), timestamp};
}

}  // namespace platform
