#include "ads/slot/GADSlotRoom.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/slot/GADBannerPageHandlers.h"
#include "ads/web/GADSDKCorePageHandlers.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {
namespace {

using Place = GADGMSGHandlerPlace;

TEST(GADSlotRoomTest, FillsItsPlacesOnceAndLeavesTheOthersToLaterRooms) {
    // The test environment loaded the room already; loading again changes nothing.
    GADSlotRoom::load();
    const auto& banner = GADBannerPageHandlers();
    for (Place place : {Place::Opener, Place::Defaults, Place::MRAID, Place::Video, Place::Precache,
                        Place::AppEvents, Place::AdApp, Place::Swipe, Place::DelayPageLoad}) {
        EXPECT_TRUE(banner.isFilled(place)) << static_cast<int>(place);
    }
    for (Place place : {Place::TimingReports})
        EXPECT_FALSE(banner.isFilled(place)) << static_cast<int>(place);
    // The slot room's entries below it: app events on a slot's interstitial page, and MRAID
    // on every page.
    EXPECT_TRUE(GADAdAppPageHandlers().isFilled(Place::AppEvents));
    EXPECT_TRUE(GADAdAppPageHandlers().isFilled(Place::MRAID));
    EXPECT_TRUE(GADSDKCorePageHandlers().isFilled(Place::MRAID));
    // A place already filled stays as it is.
    EXPECT_FALSE(GADBannerPageHandlers().fill(Place::Opener,
                                              [](const GADBannerPageContext&) { return nullptr; }));

    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADBannerView"));
    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADInterstitial"));
}

}  // namespace
}  // namespace ads
