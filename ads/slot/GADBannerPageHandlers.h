#pragma once

// The gmsg handler list of a slot's own ad page (GADBannerAdViewDelegate): the opener's (with
// the slot's opener), the defaults, MRAID, video, precaching, then after the timing reports'
// handler the app events for the slot's owner, the ad app controller's (close control,
// background), swipe-to-screen and the page-load delay, whose counts the delegate hears. See
// GADGMSGHandlerTable for who fills it, and when.

#include <memory>

#include "ads/web/GADGMSGHandlerTable.h"

namespace ads {

class GADDelayLoadDelegate;
class GADOpener;
class GADPageSlot;

struct GADBannerPageContext {
    std::shared_ptr<GADOpener> opener;
    std::weak_ptr<GADPageSlot> slot;
    // The page's delegate; set for the places after the timing reports only, since it is
    // made between the two halves of the list.
    std::weak_ptr<GADDelayLoadDelegate> delayLoadDelegate;
};

GADGMSGHandlerTable<GADBannerPageContext>& GADBannerPageHandlers();

}  // namespace ads
