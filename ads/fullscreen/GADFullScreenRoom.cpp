#include "ads/fullscreen/GADFullScreenRoom.h"

#include "ads/fullscreen/GADAdAppGMSGHandler.h"
#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/runtime/Once.h"

namespace ads {

void GADFullScreenRoom::load() {
    static platform::Once once;
    once.call([] {
        auto& adApp = GADAdAppPageHandlers();
        fillPageServices(adApp);
        GADVideoPlayerGMSGHandler::fillPlace(adApp);
        adApp.fill(GADGMSGHandlerPlace::AdApp,
                   [](const GADAdAppPageContext&) { return GADAdAppGMSGHandler::create(); });
    });
}

}  // namespace ads
