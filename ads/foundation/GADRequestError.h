#pragma once

// The one error the SDK hands to the app, in the domain "com.zivivu.ads" with a fixed code
// and a fixed English text per code (the app may show or log it). The text goes under both
// the localized description and the failure reason; a cause is kept as the underlying error.
// Immutable once made; may be made on any thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace ads {

class GADRequest;

// Unscoped on purpose: the codes are compared with Error::code, a plain integer, and apps
// compare them with their own numbers.
enum GADErrorCode : int {
    kGADErrorInvalidRequest = 0,
    kGADErrorNoFill = 1,
    kGADErrorNetworkError = 2,
    kGADErrorServerError = 3,
    kGADErrorOSVersionTooLow = 4,
    kGADErrorTimeout = 5,
    kGADErrorInterstitialAlreadyUsed = 6,
    kGADErrorMediationDataError = 7,
    kGADErrorMediationAdapterError = 8,
    kGADErrorMediationNoFill = 9,
    kGADErrorMediationInvalidAdSize = 10,
    kGADErrorInternalError = 11,
    kGADErrorInvalidArgument = 12,
    kGADErrorReceivedInvalidResponse = 13,
};

class GADRequestError : public platform::Error {
  public:
    static constexpr const char* kHttpStatusKey = "HttpStatus";

    // Every other constructor ends here. The request parameters (a dictionary) are added to
    // the user info of code 0 only; an HTTP status of 1 or more adds "HttpStatus"
    // ("HTTP status 503: service unavailable"). Without a message the code's own text is used.
    GADRequestError(std::int64_t code, const platform::Value& requestParameters,
                    std::int64_t httpStatusCode, std::optional<std::string> customMessage,
                    std::optional<platform::Error> underlying);

    static GADRequestError errorWithCode(std::int64_t code);
    static GADRequestError errorWithCode(std::int64_t code,
                                         std::optional<std::string> customMessage);
    // The cause's description becomes the text, and the cause is kept.
    static GADRequestError errorWithCode(std::int64_t code, const platform::Error& underlying);
    // Code 0 carries the request's parameters; the ad request adds factories that take the
    // request itself.
    static GADRequestError errorWithCodeRequestParameters(
        std::int64_t code, const platform::Value& requestParameters,
        std::int64_t httpStatusCode = 0, std::optional<std::string> customMessage = std::nullopt,
        std::optional<platform::Error> underlying = std::nullopt);

    // The same with the request itself (GADRequestErrorWithRequest.cpp). Only code 0 asks the
    // request for its parameters: building them may wait for the main thread.
    static GADRequestError errorWithCodeRequest(
        std::int64_t code, const std::shared_ptr<GADRequest>& request,
        std::int64_t httpStatusCode = 0, std::optional<std::string> customMessage = std::nullopt);

    // Any other error made into one of ours: code 11, the code's text, the error kept as the
    // cause (so the app only ever sees our domain).
    static GADRequestError fromError(const platform::Error& foreign);

    // The code's text; an unknown code has the text of code 0.
    static std::string defaultText(std::int64_t code);

    // A plain error with the same domain, code, user info and cause.
    platform::Error error() const { return *this; }
};

}  // namespace ads
