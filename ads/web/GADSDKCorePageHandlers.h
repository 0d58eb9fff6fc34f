#pragma once

// The gmsg handler list of the SDK core's own page (GADSDKCoreWebView's page delegate), ahead
// of the timing reports' handler: the opener's, the defaults, MRAID, video, precaching. The
// core page opens nothing (its context has no opener); of its places only MRAID is filled (by
// the slot room), so its page hears MRAID and the timing reports beyond the core's own two.

#include <memory>

#include "ads/web/GADGMSGHandlerTable.h"
#include "ads/web/GADOpenerProtocol.h"

namespace ads {

struct GADSDKCorePageContext {
    // Always nullptr for the core page; kept so a maker is written as for any other page.
    std::shared_ptr<GADOpenerProtocol> opener;
};

// The process's list (see GADGMSGHandlerTable for who fills it, and when).
GADGMSGHandlerTable<GADSDKCorePageContext>& GADSDKCorePageHandlers();

}  // namespace ads
