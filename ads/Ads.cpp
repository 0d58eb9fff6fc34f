#include "ads/Ads.h"

#include "ads/foundation/GADApplication.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/iap/GADInAppPurchaseRoom.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/native/GADNativeRoom.h"
#include "ads/slot/GADSlotRoom.h"
#include "ads/web/GADContentCapture.h"
#include "ads/web/GADWebRoom.h"

namespace ads {

void load() {
    // Each room's registration is made once however often it is asked for, and so is
    // GADApplication's; the order is the rooms' order, lowest first.
    GADWebRoom::load();
    GADContentCapture::load();
    GADFullScreenRoom::load();
    GADSlotRoom::load();
    registerMediationClasses();
    GADNativeRoom::load();
    registerInAppPurchaseClasses();
    GADApplication::load();
}

}  // namespace ads
