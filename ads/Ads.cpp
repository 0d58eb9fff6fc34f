#include "ads/Ads.h"

#include "ads/foundation/GADApplication.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/slot/GADSlotRoom.h"
#include "ads/web/GADContentCapture.h"

namespace ads {

void load() {
    // Each room's registration is made once however often it is asked for, and so is
    // GADApplication's; the order is the rooms' order, lowest first.
    GADFullScreenRoom::load();
    GADSlotRoom::load();
    GADContentCapture::load();
    GADApplication::load();
}

}  // namespace ads
