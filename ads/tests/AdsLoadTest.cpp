#include "ads/Ads.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/slot/GADBannerPageHandlers.h"
#include "ads/web/GADSDKCorePageHandlers.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {
namespace {

using Place = GADGMSGHandlerPlace;

TEST(AdsLoadTest, EveryRoomRegistersOnceAndTheLaterFeaturesPlacesStayOpen) {
    load();
    load();  // the program calls it once; more calls change nothing
    const auto& banner = GADBannerPageHandlers();
    const auto& adApp = GADAdAppPageHandlers();
    for (Place place : {Place::Opener, Place::Defaults, Place::AdApp, Place::AppEvents}) {
        EXPECT_TRUE(banner.isFilled(place)) << static_cast<int>(place);
        EXPECT_TRUE(adApp.isFilled(place)) << static_cast<int>(place);
    }
    EXPECT_TRUE(banner.isFilled(Place::DelayPageLoad));
    for (Place place : {Place::MRAID, Place::Video, Place::Precache}) {
        EXPECT_FALSE(banner.isFilled(place));
        EXPECT_FALSE(adApp.isFilled(place));
        EXPECT_FALSE(GADSDKCorePageHandlers().isFilled(place));
    }
    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADBannerView"));
    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADInterstitial"));
    for (const char* name :
         {"GADMAdManager", "GADMAdNetworkConnectorBanner", "GADMAdNetworkConnectorInterstitial"}) {
        EXPECT_TRUE(platform::ClassRegistry::shared().hasClass(name)) << name;
    }
}

}  // namespace
}  // namespace ads
