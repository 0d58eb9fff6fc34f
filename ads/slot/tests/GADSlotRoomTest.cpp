#include "ads/slot/GADSlotRoom.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/slot/GADBannerPageHandlers.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {
namespace {

using Place = GADGMSGHandlerPlace;

TEST(GADSlotRoomTest, FillsItsPlacesOnceAndLeavesTheOthersToLaterRooms) {
    // The test environment loaded the room already; loading again changes nothing.
    GADSlotRoom::load();
    const auto& banner = GADBannerPageHandlers();
    for (Place place : {Place::Opener, Place::Defaults, Place::Video, Place::AppEvents,
                        Place::AdApp, Place::DelayPageLoad}) {
        EXPECT_TRUE(banner.isFilled(place)) << static_cast<int>(place);
    }
    for (Place place : {Place::MRAID, Place::Precache})
        EXPECT_FALSE(banner.isFilled(place)) << static_cast<int>(place);
    // The slot room's one entry below it: app events on a slot's interstitial page.
    EXPECT_TRUE(GADAdAppPageHandlers().isFilled(Place::AppEvents));
    // A place already filled stays as it is.
    EXPECT_FALSE(GADBannerPageHandlers().fill(Place::Opener,
                                              [](const GADBannerPageContext&) { return nullptr; }));

    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADBannerView"));
    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADInterstitial"));
}

}  // namespace
}  // namespace ads
