#include "ads/Ads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/fullscreen/GADOpenerRoads.h"
#include "ads/slot/GADBannerPageHandlers.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "ads/web/GADSDKCorePageHandlers.h"
#include "ads/web/GADVideoPlayer.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/Application.h"
#include "platform/web/ResourceInterceptor.h"

namespace ads {
namespace {

using Place = GADGMSGHandlerPlace;

TEST(AdsLoadTest, EveryRoomRegistersOnceAndTheLaterFeaturesPlacesStayOpen) {
    load();
    load();  // the program calls it once; more calls change nothing
    const auto& banner = GADBannerPageHandlers();
    const auto& adApp = GADAdAppPageHandlers();
    for (Place place : {Place::Opener, Place::Defaults, Place::MRAID, Place::Video, Place::AdApp,
                        Place::AppEvents}) {
        EXPECT_TRUE(banner.isFilled(place)) << static_cast<int>(place);
        EXPECT_TRUE(adApp.isFilled(place)) << static_cast<int>(place);
    }
    EXPECT_TRUE(banner.isFilled(Place::DelayPageLoad));
    // Precaching needs no slot: every ad page downloads ahead, the core page does not.
    EXPECT_TRUE(banner.isFilled(Place::Precache));
    EXPECT_TRUE(adApp.isFilled(Place::Precache));
    EXPECT_FALSE(GADSDKCorePageHandlers().isFilled(Place::Precache));
    EXPECT_TRUE(GADSDKCorePageHandlers().isFilled(Place::MRAID));
    EXPECT_TRUE(GADOpenerRoads::shared().resize());
    EXPECT_TRUE(GADOpenerRoads::shared().calendar());
    // The SDK core's hidden page shows no video and fetches nothing ahead.
    for (Place place : {Place::Video, Place::Precache})
        EXPECT_FALSE(GADSDKCorePageHandlers().isFilled(place));
    // The in-app browser takes the opener's browser road.
    EXPECT_TRUE(GADOpenerRoads::shared().browser());
    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADBannerView"));
    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADInterstitial"));
    for (const char* name :
         {"GADMAdManager", "GADMAdNetworkConnectorBanner", "GADMAdNetworkConnectorInterstitial"}) {
        EXPECT_TRUE(platform::ClassRegistry::shared().hasClass(name)) << name;
    }
    EXPECT_TRUE(platform::ClassRegistry::shared().hasClass("GADDefaultInAppPurchase"));
    EXPECT_TRUE(GADOpenerRoads::shared().inAppPurchase());
}

// The video player plays what the precache handler fetched: the room that fills the precache
// place tells it where that lands.
TEST(AdsLoadTest, PrecachedFilesArePlayableOnceTheRoomsAreLoaded) {
    ads::testing::AdsTestScope scope;
    load();
    const auto folder = GADPrecacheGMSGHandler::cacheFolder() / "d6c0b4c6-precached";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "clip.webm") << "webm";
    const auto told = platform::Url::parse("file:///d6c0b4c6-precached/clip.webm");
    ASSERT_TRUE(told);
    EXPECT_TRUE(GADVideoPlayer::isPlayableSource(*told));
    EXPECT_TRUE(
        GADVideoPlayer::isPlayableSource(platform::Url::fileUrl((folder / "clip.webm").string())));
    EXPECT_FALSE(GADVideoPlayer::isPlayableSource(*platform::Url::parse("file:///etc/hostname")));
}

// Creatives' mraid.js is ours once the app has finished launching: the web room leaves its
// registration to the start-up, which the tests of MRAID pages make themselves.
TEST(AdsLoadTest, TheAppsLaunchServesOurMRAIDScript) {
    ads::testing::AdsTestScope scope;
    load();
    platform::NotificationCenter::defaultCenter().post(
        platform::ui::kDidFinishLaunchingNotification, nullptr);
    scope.runUntilIdle();
    const auto names = platform::web::ResourceInterceptor::fileNames();
    EXPECT_NE(std::find(names.begin(), names.end(), GADMRAIDInterceptor::kScriptName), names.end());
    platform::web::ResourceInterceptor::setHandler(GADMRAIDInterceptor::kScriptName, nullptr);
}

}  // namespace
}  // namespace ads
