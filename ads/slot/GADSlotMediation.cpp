#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/slot/GADSlot.h"

// Ad kinds the slot recognises before it can serve them: mediation answers end the request
// with the error the app would get if no network could take them.

namespace ads {

bool GADSlot::isMediating() const {
    return ad_ && ad_->responseType() == GADAdResponseType::Mediation;
}

std::optional<std::string> GADSlot::adNetworkClassName() const {
    if (!isMediating() && state_ == GADSlotState::ValidAd) return "GADMAdapterZivivuDuRezAds";
    return std::nullopt;
}

bool GADSlot::changeAdTypeTo(const GADAdType&) {
    return false;
}

void GADSlot::processMediationAdResponse(const std::shared_ptr<GADAd>& ad) {
    loadingAd_ = ad;
    willProcessMediationResponse();
    didFailToReceiveAdWithError(GADRequestError::errorWithCode(kGADErrorMediationAdapterError),
                                false);
}

}  // namespace ads
