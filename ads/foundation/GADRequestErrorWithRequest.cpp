// Request errors made from the request itself.

#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"

namespace ads {

GADRequestError GADRequestError::errorWithCodeRequest(std::int64_t code,
                                                      const std::shared_ptr<GADRequest>& request,
                                                      std::int64_t httpStatusCode,
                                                      std::optional<std::string> customMessage) {
    platform::Value parameters;
    if (request && code == kGADErrorInvalidRequest)
        parameters = platform::Value(request->parameters());
    return GADRequestError(code, parameters, httpStatusCode, std::move(customMessage),
                           std::nullopt);
}

}  // namespace ads
