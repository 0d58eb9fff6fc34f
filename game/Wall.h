#pragma once

#include <cstdint>

#include "core/JTObject.h"

namespace JTApp {

// One row of the road, 512 world units tall. The scene keeps 18 of them in a ring and moves
// the lowest one to the top when it has scrolled off the screen.
class Wall : public JTCore::JTObject {
  public:
    static constexpr int32_t kItemNone = 0;
    static constexpr int32_t kItemHamburger = 1;
    static constexpr int32_t kItemObstacle = 2;

    // World x of the road's edges, world y of the row's bottom.
    int32_t left = 0;
    int32_t right = 0;
    int32_t y = 0;
    // World x of the row's item and which item it is.
    int32_t itemX = 0;
    int32_t item = kItemNone;
};

using WallPtr = boost::intrusive_ptr<Wall>;

}  // namespace JTApp
