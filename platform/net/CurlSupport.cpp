#include "platform/net/CurlSupport.h"

#include <curl/curl.h>
#include <openssl/crypto.h>

#include <memory>
#include <mutex>

#include "platform/net/UrlError.h"

namespace platform {

namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

std::int64_t urlCodeFor(CURLcode code) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return kUrlErrorTimedOut;
        case CURLE_COULDNT_CONNECT:
            return kUrlErrorCannotConnectToHost;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return kUrlErrorCannotFindHost;
        case CURLE_URL_MALFORMAT:
            return kUrlErrorBadURL;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return kUrlErrorUnsupportedURL;
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return kUrlErrorNetworkConnectionLost;
        case CURLE_WEIRD_SERVER_REPLY:
            return kUrlErrorBadServerResponse;
        case CURLE_BAD_CONTENT_ENCODING:
            return kUrlErrorCannotDecodeContentData;
        case CURLE_TOO_MANY_REDIRECTS:
            return kUrlErrorHTTPTooManyRedirects;
        case CURLE_ABORTED_BY_CALLBACK:
            return kUrlErrorCancelled;
        case CURLE_FILESIZE_EXCEEDED:
            return kUrlErrorDataLengthExceedsMaximum;
        case CURLE_SSL_CONNECT_ERROR:
            return kUrlErrorSecureConnectionFailed;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
            return kUrlErrorServerCertificateUntrusted;
        default:
            return kUrlErrorUnknown;
    }
}

}  // namespace

void ensureCurlReady() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The TLS library frees its state from an exit handler of its own unless told first
        // not to, and pool threads may still be in a handshake while the process exits (a
        // blocking fetch, say): it keeps its state until the process is gone instead.
        OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference) {
    ensureCurlReady();
    UrlHandle u(curl_url());
    if (!u) return std::nullopt;
    std::string baseText(base);
    std::string referenceText(reference);
    // Servers put spaces and other raw bytes into Location fields; encode them rather than
    // refusing the redirect.
    const unsigned flags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE;
    if (curl_url_set(u.get(), CURLUPART_URL, baseText.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
        CURLUE_OK)
        return std::nullopt;
    if (curl_url_set(u.get(), CURLUPART_URL, referenceText.c_str(), flags) != CURLUE_OK)
        return std::nullopt;
    char* text = nullptr;
    if (curl_url_get(u.get(), CURLUPART_URL, &text, CURLU_URLENCODE) != CURLUE_OK || !text)
        return std::nullopt;
    std::string out(text);
    curl_free(text);
    return out;
}

Error errorForCurlCode(int curlCode, std::string_view failingUrl, std::string_view detail) {
    auto code = static_cast<CURLcode>(curlCode);
    Error error = makeUrlError(urlCodeFor(code), failingUrl);
    std::string message =
        detail.empty() ? std::string(curl_easy_strerror(code)) : std::string(detail);
    error.withUnderlying(Error::make(kCurlErrorDomain, curlCode, message));
    return error;
}

}  // namespace platform
