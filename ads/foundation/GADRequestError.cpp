#include "ads/foundation/GADRequestError.h"

#include <cstdio>

#include "ads/foundation/GADInternalError.h"
#include "platform/base/NumberText.h"
#include "platform/device/DeviceInfo.h"
#include "platform/net/HttpStatus.h"

namespace ads {

namespace {

// The system version as three numbers ("8.4" is "8.4.0"), the form the device facts report.
std::string threePartVersion(const std::string& version) {
    std::string parts[3] = {"0", "0", "0"};
    std::size_t start = 0;
    for (int i = 0; i < 3 && start <= version.size(); ++i) {
        const std::size_t dot = version.find('.', start);
        const std::string piece = version.substr(start, dot - start);
        parts[i] = std::to_string(platform::integerValue(piece));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts[0] + "." + parts[1] + "." + parts[2];
}

const std::string& osTooOldText() {
    // Formatted once, the first time it is needed: the device does not change under a running
    // program.
    static const std::string text = [] {
        char buffer[200];
        std::snprintf(buffer, sizeof buffer,
                      "Request Error: This device's OS is %s. It is below the minimum of %ld.%ld.",
                      threePartVersion(platform::DeviceInfo::systemVersion()).c_str(), 6L, 0L);
        return std::string(buffer);
    }();
    return text;
}

}  // namespace

std::string GADRequestError::defaultText(std::int64_t code) {
    switch (code) {
        case kGADErrorNoFill:
            return "Request Error: No ad to show.";
        case kGADErrorNetworkError:
            return "Request Error: A network error occurred.";
        case kGADErrorServerError:
            return "Request Error: Server error processing the request.";
        case kGADErrorOSVersionTooLow:
            return osTooOldText();
        case kGADErrorTimeout:
            return "Request Error: The Zivivu Ad request was unable to be fulfilled before a "
                   "timeout occurred.";
        case kGADErrorInterstitialAlreadyUsed:
            return "Request Error: Will not send request because interstitial object has been "
                   "used.";
        case kGADErrorMediationDataError:
            return "Request Error: The mediation response was invalid.";
        case kGADErrorMediationAdapterError:
            return "Request Error: Cannot find an ad network adapter for mediation.";
        case kGADErrorMediationNoFill:
            return "Request Error: No ad to show from all configured ad networks.";
        case kGADErrorMediationInvalidAdSize:
            return "Request Error: Incompatible ad type requested.";
        case kGADErrorInternalError:
            return "Request Error: Internal error.";
        case kGADErrorInvalidArgument:
            return "Request Error: Invalid argument.";
        case kGADErrorReceivedInvalidResponse:
            return "Request Error: Received invalid response.";
        default:
            return "Request Error: Invalid ad request parameter(s). Check the Xcode console for "
                   "details.";
    }
}

GADRequestError::GADRequestError(std::int64_t code, const platform::Value& requestParameters,
                                 std::int64_t httpStatusCode,
                                 std::optional<std::string> customMessage,
                                 std::optional<platform::Error> underlying)
    : platform::Error(kGADErrorDomain, code) {
    const std::string text = customMessage ? *customMessage : defaultText(code);
    userInfo.set(kLocalizedDescriptionKey, text);
    userInfo.set(kLocalizedFailureReasonKey, text);
    if (underlying) withUnderlying(*underlying);
    if (code == kGADErrorInvalidRequest) {
        for (const auto& [key, value] : requestParameters.asDictionary()) {
            // A parameter never replaces the error's own text.
            if (!userInfo.contains(key)) userInfo.set(key, value);
        }
    }
    if (httpStatusCode >= 1) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer,
                      "HTTP status %ld: ", static_cast<long>(httpStatusCode));
        userInfo.set(kHttpStatusKey, buffer + platform::localizedStringForStatusCode(
                                                  static_cast<long>(httpStatusCode)));
    }
}

GADRequestError GADRequestError::errorWithCode(std::int64_t code) {
    return GADRequestError(code, {}, 0, std::nullopt, std::nullopt);
}

GADRequestError GADRequestError::errorWithCode(std::int64_t code,
                                               std::optional<std::string> customMessage) {
    return GADRequestError(code, {}, 0, std::move(customMessage), std::nullopt);
}

GADRequestError GADRequestError::errorWithCode(std::int64_t code,
                                               const platform::Error& underlying) {
    return GADRequestError(code, {}, 0, underlying.localizedDescription(), underlying);
}

GADRequestError GADRequestError::errorWithCodeRequestParameters(
    std::int64_t code, const platform::Value& requestParameters, std::int64_t httpStatusCode,
    std::optional<std::string> customMessage, std::optional<platform::Error> underlying) {
    return GADRequestError(code, requestParameters, httpStatusCode, std::move(customMessage),
                           std::move(underlying));
}

GADRequestError GADRequestError::fromError(const platform::Error& foreign) {
    return GADRequestError(kGADErrorInternalError, {}, 0, std::nullopt, foreign);
}

}  // namespace ads
