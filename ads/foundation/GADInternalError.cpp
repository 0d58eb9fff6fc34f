#include "ads/foundation/GADInternalError.h"

namespace ads {

platform::Error gad_errorWithDomain(std::string domain, std::int64_t code,
                                    std::optional<std::string> description) {
    platform::Error error(std::move(domain), code);
    if (description) {
        error.userInfo.set(platform::Error::kLocalizedDescriptionKey, *description);
        error.userInfo.set(platform::Error::kLocalizedFailureReasonKey, std::move(*description));
    }
    return error;
}

platform::Error gad_errorWithCode(std::int64_t code, std::optional<std::string> description) {
    return gad_errorWithDomain(kGADPrivateErrorDomain, code, std::move(description));
}

platform::Error gad_errorWithCode(GADInternalErrorCode code) {
    const auto number = static_cast<std::int64_t>(code);
    return gad_errorWithCode(number, gad_localizedDescriptionForErrorCode(number));
}

std::optional<std::string> gad_localizedDescriptionForErrorCode(std::int64_t code) {
    switch (code) {
        case 1:
            return "File could not be read.";
        case 2:
            return "Internal error.";
        case 3:
            return "Invalid argument.";
        default:
            return std::nullopt;
    }
}

}  // namespace ads
