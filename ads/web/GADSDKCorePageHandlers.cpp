#include "ads/web/GADSDKCorePageHandlers.h"

namespace ads {

GADGMSGHandlerTable<GADSDKCorePageContext>& GADSDKCorePageHandlers() {
    using Place = GADGMSGHandlerPlace;
    // Never released: registrations last as long as the process.
    static auto* table = new GADGMSGHandlerTable<GADSDKCorePageContext>(
        {Place::Opener, Place::Defaults, Place::MRAID, Place::Video, Place::Precache,
         Place::TimingReports});
    return *table;
}

}  // namespace ads
