#pragma once

// What an ad's trackers are told, and the click URL a user's click opens. The pings go through
// the shared click tracker collection (which retries them); impression and manual-impression
// URLs are pinged once each, as they are taken off the ad when they go, while click URLs are
// pinged at every click. Main thread, like the ads whose URL sets they change.

#include "platform/base/Url.h"

namespace ads {

class GADAd;

void GADPingImpressionURLs(GADAd& ad);
void GADPingManualImpressionURLs(GADAd& ad);
void GADPingClickURLs(const GADAd& ad);

// The URL a click on an ad's page opens. An impression ticket in the path is kept on the ad's
// statistics ("pit"); a URL of the ad server (GADIsZivivuAdURL) with a query and an "ai" gets
// the device's click signal, before its landing page. Anything else is returned as it is.
// `ad` is the ad shown, when there is one.
platform::Url GADGestureClickURL(const platform::Url& url, GADAd* ad);

}  // namespace ads
