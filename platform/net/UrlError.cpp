#include "platform/net/UrlError.h"

namespace platform {

std::string urlErrorDescription(std::int64_t code) {
    switch (code) {
        case kUrlErrorCancelled:
            return "cancelled";
        case kUrlErrorBadURL:
            return "bad URL";
        case kUrlErrorTimedOut:
            return "The request timed out.";
        case kUrlErrorUnsupportedURL:
            return "unsupported URL";
        case kUrlErrorCannotFindHost:
            return "A server with the specified hostname could not be found.";
        case kUrlErrorCannotConnectToHost:
            return "Could not connect to the server.";
        case kUrlErrorNetworkConnectionLost:
            return "The network connection was lost.";
        case kUrlErrorHTTPTooManyRedirects:
            return "too many HTTP redirects";
        case kUrlErrorNotConnectedToInternet:
            return "The Internet connection appears to be offline.";
        case kUrlErrorBadServerResponse:
            return "The server returned an invalid response.";
        case kUrlErrorCannotDecodeContentData:
            return "cannot decode raw data";
        case kUrlErrorDataLengthExceedsMaximum:
            return "resource exceeds maximum size";
        case kUrlErrorSecureConnectionFailed:
            return "An SSL error has occurred and a secure connection to the server cannot be "
                   "made.";
        case kUrlErrorServerCertificateUntrusted:
            return "The certificate for this server is invalid.";
        default:
            return "unknown error";
    }
}

Error makeUrlError(std::int64_t code, std::string_view failingUrl) {
    Error error = Error::make(kUrlErrorDomain, code, urlErrorDescription(code));
    if (!failingUrl.empty()) error.withUserInfo(Error::kUrlKey, std::string(failingUrl));
    return error;
}

std::string failingUrlOf(const Error& error) {
    return error.userInfo.get(Error::kUrlKey).asString();
}

}  // namespace platform
