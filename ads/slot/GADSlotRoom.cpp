#include "ads/slot/GADSlotRoom.h"

#include "ads/fullscreen/GADAdAppGMSGHandler.h"
#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/slot/GADAppEventGMSGHandler.h"
#include "ads/slot/GADBannerPageHandlers.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADMRAIDGMSGHandler.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSwipeToViewControllerGMSGHandler.h"
#include "ads/web/GADDelayPageLoadGMSGHandler.h"
#include "ads/web/GADSDKCorePageHandlers.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/runtime/Once.h"

namespace ads {

void GADSlotRoom::load() {
    static platform::Once once;
    once.call([] {
        GADBannerView::registerClass();
        GADInterstitial::registerClass();

        using Place = GADGMSGHandlerPlace;
        using Handler = std::shared_ptr<GADGMSGHandler>;
        auto& banner = GADBannerPageHandlers();
        GADFullScreenRoom::fillPageServices(banner);
        GADVideoPlayerGMSGHandler::fillPlace(banner);
        banner.fill(Place::AppEvents, [](const GADBannerPageContext& page) {
            return GADAppEventGMSGHandler::create(
                std::dynamic_pointer_cast<GADSlot>(page.slot.lock()));
        });
        banner.fill(Place::AdApp,
                    [](const GADBannerPageContext&) { return GADAdAppGMSGHandler::create(); });
        banner.fill(Place::Swipe, [](const GADBannerPageContext& page) -> Handler {
            auto slot = std::dynamic_pointer_cast<GADSlot>(page.slot.lock());
            if (!slot) return nullptr;
            return GADSwipeToViewControllerGMSGHandler::create(slot->swipe());
        });
        banner.fill(Place::DelayPageLoad, [](const GADBannerPageContext& page) {
            return GADDelayPageLoadGMSGHandler::create(page.delayLoadDelegate);
        });

        // Every page may speak MRAID; its messages go through the page's own opener (the SDK
        // core's page has none, so its handler does nothing).
        banner.fill(Place::MRAID, [](const GADBannerPageContext& page) {
            return GADMRAIDGMSGHandler::create(page.opener);
        });
        GADAdAppPageHandlers().fill(Place::MRAID, [](const GADAdAppPageContext& page) {
            return GADMRAIDGMSGHandler::create(page.opener);
        });
        GADSDKCorePageHandlers().fill(Place::MRAID, [](const GADSDKCorePageContext&) {
            return GADMRAIDGMSGHandler::create(nullptr);
        });

        // An interstitial's page may send the app events a banner's may; other screens (an
        // expansion, a landing page) are no ad of their own.
        GADAdAppPageHandlers().fill(Place::AppEvents,
                                    [](const GADAdAppPageContext& page) -> Handler {
                                        auto slot = std::dynamic_pointer_cast<GADSlot>(page.slot);
                                        if (!slot || !slot->adType().isInterstitial())
                                            return nullptr;
                                        return GADAppEventGMSGHandler::create(slot);
                                    });
    });
}

}  // namespace ads
