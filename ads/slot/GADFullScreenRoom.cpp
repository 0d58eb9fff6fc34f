#include "ads/slot/GADFullScreenRoom.h"

#include "ads/slot/GADAdAppGMSGHandler.h"
#include "ads/slot/GADAdAppPageHandlers.h"
#include "platform/runtime/Once.h"

namespace ads {

void GADFullScreenRoom::load() {
    static platform::Once once;
    once.call([] {
        auto& adApp = GADAdAppPageHandlers();
        fillPageServices(adApp);
        adApp.fill(GADGMSGHandlerPlace::AdApp,
                   [](const GADAdAppPageContext&) { return GADAdAppGMSGHandler::create(); });
    });
}

}  // namespace ads
