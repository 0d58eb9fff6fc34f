#pragma once

// The reachability probe behind GADNetworkReachabilityFlags: the machine's flags for any
// address (the answer is the same for every destination here).

#include <cstdint>

namespace ads {

class GADGestureUtil {
  public:
    // Stores the current flags (0 when they cannot be read) through the pointer; nothing
    // for a null pointer. Any thread.
    static void reachability(std::uint32_t* flags);
};

}  // namespace ads
