#include "ads/fullscreen/GADOpenerRoads.h"

namespace ads {

GADOpenerRoads& GADOpenerRoads::shared() {
    // Never released: roads are set once for the life of the process.
    static auto* roads = new GADOpenerRoads();
    return *roads;
}

}  // namespace ads
