#include "ads/fullscreen/GADAdAppPageHandlers.h"

namespace ads {

GADGMSGHandlerTable<GADAdAppPageContext>& GADAdAppPageHandlers() {
    using Place = GADGMSGHandlerPlace;
    // Never released: registrations last as long as the process.
    static auto* table = new GADGMSGHandlerTable<GADAdAppPageContext>(
        {Place::Opener, Place::Defaults, Place::MRAID, Place::Video, Place::Precache,
         Place::TimingReports, Place::AdApp, Place::AppEvents});
    return *table;
}

}  // namespace ads
