#include "ads/slot/GADStandardGMSGHandlers.h"

#include "ads/slot/GADDefaultGMSGHandler.h"

namespace ads {

GADAdViewDelegate::HandlerList GADStandardGMSGHandlers(const std::shared_ptr<GADOpener>& opener) {
    (void)opener;
    GADAdViewDelegate::HandlerList handlers;
    handlers.push_back(GADDefaultGMSGHandler::create());
    return handlers;
}

}  // namespace ads
