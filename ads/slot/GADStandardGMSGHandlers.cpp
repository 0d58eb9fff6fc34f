#include "ads/slot/GADStandardGMSGHandlers.h"

#include "ads/slot/GADDefaultGMSGHandler.h"
#include "ads/slot/GADOpenerGMSGHandler.h"

namespace ads {

GADAdViewDelegate::HandlerList GADStandardGMSGHandlers(const std::shared_ptr<GADOpener>& opener) {
    GADAdViewDelegate::HandlerList handlers;
    if (opener) handlers.push_back(GADOpenerGMSGHandler::create(opener));
    handlers.push_back(GADDefaultGMSGHandler::create());
    return handlers;
}

}  // namespace ads
