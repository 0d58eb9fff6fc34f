#pragma once

// Errors of URL loading. The domain and the codes are the ones the shell and the ads SDK compare
// against, so code that compares them (a time-out, a cancel, a refused connection) keeps working;
// every error carries the failing URL under Error::kUrlKey and, when the transfer library said
// more, an underlying error in kCurlErrorDomain with its own code and message.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/Error.h"

namespace platform {

inline constexpr const char* kUrlErrorDomain = "NSURLErrorDomain";
inline constexpr const char* kCurlErrorDomain = "platform.curl";

enum UrlErrorCode : std::int64_t {
    kUrlErrorUnknown = -1,
    kUrlErrorCancelled = -999,
    kUrlErrorBadURL = -1000,
    kUrlErrorTimedOut = -1001,
    kUrlErrorUnsupportedURL = -1002,
    kUrlErrorCannotFindHost = -1003,
    kUrlErrorCannotConnectToHost = -1004,
    kUrlErrorNetworkConnectionLost = -1005,
    kUrlErrorHTTPTooManyRedirects = -1007,
    kUrlErrorNotConnectedToInternet = -1009,
    kUrlErrorBadServerResponse = -1011,
    kUrlErrorCannotDecodeContentData = -1016,
    kUrlErrorDataLengthExceedsMaximum = -1103,
    kUrlErrorSecureConnectionFailed = -1200,
    kUrlErrorServerCertificateUntrusted = -1202,
};

// The platform's sentence for a code ("The request timed out.").
std::string urlErrorDescription(std::int64_t code);

// An error of kUrlErrorDomain with the description and the failing URL filled in.
Error makeUrlError(std::int64_t code, std::string_view failingUrl);

// The failing URL an error carries, or empty.
std::string failingUrlOf(const Error& error);

}  // namespace platform
