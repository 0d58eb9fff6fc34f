#include "ads/fullscreen/GADFullScreenRoom.h"

#include "ads/fullscreen/GADMRAIDRoads.h"

#include "ads/fullscreen/GADAdAppGMSGHandler.h"
#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/fullscreen/GADOpenerRoads.h"
#include "ads/web/GADVideoPlayer.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/runtime/Once.h"

namespace ads {

void GADFullScreenRoom::load() {
    static platform::Once once;
    once.call([] {
        auto& adApp = GADAdAppPageHandlers();
        fillPageServices(adApp);
        GADVideoPlayerGMSGHandler::fillPlace(adApp);
        // The pages that precache (this room's and the slot room's, which fills its list with
        // fillPageServices) play what they fetched from the handlers' folder.
        GADVideoPlayer::setPrecacheFolderProvider(
            [] { return GADPrecacheGMSGHandler::cacheFolder().string(); });
        adApp.fill(GADGMSGHandlerPlace::AdApp,
                   [](const GADAdAppPageContext&) { return GADAdAppGMSGHandler::create(); });
        GADOpenerRoads::shared().setBrowser(&GADBrowserViewController::openBrowserFromOpener);
        GADMRAIDRoads::load();
    });
}

}  // namespace ads
