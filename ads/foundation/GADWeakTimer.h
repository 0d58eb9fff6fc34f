#pragma once

// Block timers on the main loop. The loop holds the timer and the timer holds only the block:
// an owner that the block captures weakly (platform::weakCall) is never kept alive by its own
// timer, and the owner invalidates the timer when it is done with it.

#include <functional>
#include <memory>

#include "platform/runtime/Timer.h"

namespace ads {

// The first firing comes one interval from now. A tolerance of 0 or less leaves the timer
// exact.
std::shared_ptr<platform::Timer> gad_scheduledTimer(double interval, bool repeats, double tolerance,
                                                    std::function<void(platform::Timer&)> block);

}  // namespace ads
