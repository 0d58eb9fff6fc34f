#include "ads/slot/GADBannerPageHandlers.h"

namespace ads {

GADGMSGHandlerTable<GADBannerPageContext>& GADBannerPageHandlers() {
    using Place = GADGMSGHandlerPlace;
    // Never released: registrations last as long as the process.
    static auto* table = new GADGMSGHandlerTable<GADBannerPageContext>(
        {Place::Opener, Place::Defaults, Place::MRAID, Place::Video, Place::Precache,
         Place::TimingReports, Place::AppEvents, Place::AdApp, Place::Swipe, Place::DelayPageLoad});
    return *table;
}

}  // namespace ads
