#include "ads/slot/GADPageSlot.h"

#include "ads/foundation/GADInternalError.h"

namespace ads {

GADRequestError GADPageSlot::requestErrorFrom(const platform::Error& error) {
    if (error.domain != kGADErrorDomain) return GADRequestError::fromError(error);
    GADRequestError ours = GADRequestError::errorWithCode(error.code);
    static_cast<platform::Error&>(ours) = error;
    return ours;
}

}  // namespace ads
