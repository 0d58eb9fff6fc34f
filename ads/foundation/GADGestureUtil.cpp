#include "ads/foundation/GADGestureUtil.h"

#include "platform/device/Reachability.h"

namespace ads {

void GADGestureUtil::reachability(std::uint32_t* flags) {
    if (!flags) return;
    *flags = platform::Reachability::create()->flags().value_or(0);
}

}  // namespace ads
