#include "ads/foundation/GADWeakTimer.h"

namespace ads {

std::shared_ptr<platform::Timer> gad_scheduledTimer(double interval, bool repeats, double tolerance,
                                                    std::function<void(platform::Timer&)> block) {
    const double slack = tolerance > 0 ? tolerance : 0.0;
    return platform::Timer::schedule(interval, repeats, slack,
                                     [block = std::move(block)](platform::Timer& timer) {
                                         if (block) block(timer);
                                     });
}

}  // namespace ads
