#pragma once

// The handlers every ad page of a slot starts its list with, in dispatch order, ahead of the
// timing reports' handler that GADAdViewDelegate itself adds: the opener's click-throughs,
// then the page's everyday services (GADDefaultGMSGHandler). MRAID, video and precaching
// follow the defaults, in that order, once they exist. The ad view delegates of this room
// (GADBannerAdViewDelegate, GADAdAppAdViewDelegate) hand this list to their base and append
// their own handlers after it. No action name is in two tables, so the order only decides how
// soon a message finds its handler.

#include <memory>

#include "ads/web/GADAdViewDelegate.h"

namespace ads {

class GADOpener;

// `opener` may be nullptr (a page that has none opens nothing).
GADAdViewDelegate::HandlerList GADStandardGMSGHandlers(const std::shared_ptr<GADOpener>& opener);

}  // namespace ads
