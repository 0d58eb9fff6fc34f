#pragma once

// The gmsg handler list of a page an ad app controller shows (GADAdAppAdViewDelegate): the
// opener's (with the delegate's own opener), the defaults, MRAID, video, precaching, then
// after the timing reports' handler the ad app controller's (close control, background) and
// the app events for the slot's owner, which the slot room fills for a slot's interstitial
// only. See GADGMSGHandlerTable for who fills it, and when.

#include <memory>

#include "ads/web/GADGMSGHandlerTable.h"

namespace ads {

class GADAdAppViewController;
class GADFullScreenSlot;
class GADOpener;

struct GADAdAppPageContext {
    std::shared_ptr<GADOpener> opener;
    // The controller showing the page and its slot; either may be nullptr.
    std::shared_ptr<GADAdAppViewController> controller;
    std::shared_ptr<GADFullScreenSlot> slot;
};

GADGMSGHandlerTable<GADAdAppPageContext>& GADAdAppPageHandlers();

}  // namespace ads
