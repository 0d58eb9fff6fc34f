#include "platform/net/CurlTransfer.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <charconv>

#include "platform/net/CookieJar.h"
#include "platform/net/CurlSupport.h"
#include "platform/net/UrlError.h"

namespace platform {

namespace {

bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isToken(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!isTokenChar(c)) return false;
    }
    return true;
}

// A value with a line break could smuggle a second header or a second request onto the wire.
bool isSafeValue(std::string_view text) {
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
}

bool isLoopbackHost(std::string_view host) {
    return HttpHeaders::namesEqual(host, "localhost") || host.substr(0, 4) == "127." ||
           host == "::1";
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// The library's own way of opening a socket, but close-on-exec, so a child process started
// while a transfer runs (a web process, the URL opener) does not hold the connection open. The
// flag comes with the socket: set afterwards, it would leave a moment for another thread's child.
curl_socket_t openCloseOnExecSocket(void*, curlsocktype, curl_sockaddr* address) {
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

}  // namespace

CurlTransfer::CurlTransfer(const UrlRequest& request, Callbacks callbacks, std::int64_t maxBytes,
                           std::shared_ptr<ReceiveWindow> window)
    : url_(request.url().absoluteString()),
      requestUrl_(request.url()),
      callbacks_(std::move(callbacks)),
      maxBytes_(maxBytes),
      window_(std::move(window)) {
    ensureCurlReady();
    idleTimeout_ = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(request.effectiveTimeout()));
    lastActivity_ = Clock::now();

    const Url& url = request.url();
    const bool web = HttpHeaders::namesEqual(url.scheme(), "http") ||
                     HttpHeaders::namesEqual(url.scheme(), "https");
    if (url.hasScheme() && !web) {
        setupError_ = makeUrlError(kUrlErrorUnsupportedURL, url_);
        return;
    }
    const std::string host = url.host();
    if (!web || host.empty()) {
        setupError_ = makeUrlError(kUrlErrorBadURL, url_);
        return;
    }
    const std::string& method = request.httpMethod();
    if (!isToken(method)) {
        setupError_ = makeUrlError(kUrlErrorBadURL, url_);
        return;
    }

    CURL* easy = curl_easy_init();
    if (!easy) {
        setupError_ = makeUrlError(kUrlErrorUnknown, url_);
        return;
    }
    easy_ = easy;
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &openCloseOnExecSocket);
    curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());
    // No proxy can reach our own loopback servers, whatever the environment says.
    if (isLoopbackHost(host)) curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Pausing for the reader is plain over HTTP/1.1: the socket is simply left unread. Over
    // HTTP/2 it goes through the library's per-stream flow control, whose handling of pauses
    // has changed from version to version, and one large download gains nothing from sharing
    // a connection.
    if (window_) curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::headerCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::progressCallback);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(request.effectiveTimeout() * 1000) + 1);

    const auto& body = request.httpBody();
    if (method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        if (method != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        if (method == "POST" || !body.empty()) {
            body_ = body;
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(body_.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                             body_.empty() ? "" : reinterpret_cast<const char*>(body_.data()));
        }
    }

    curl_slist* list = nullptr;
    const HttpHeaders& headers = request.allHttpHeaderFields();
    for (const auto& [name, value] : headers.fields()) {
        if (!isToken(name) || !isSafeValue(value)) continue;
        // The length is the body's, whatever the caller wrote: a wrong one would cut the body
        // short or leave the server waiting for bytes that never come.
        if (HttpHeaders::namesEqual(name, "Content-Length")) continue;
        // The library's syntax for sending a field with an empty value is "Name;".
        std::string line = value.empty() ? name + ";" : name + ": " + value;
        list = curl_slist_append(list, line.c_str());
    }
    // Waiting for "100 Continue" before a body only adds a round trip.
    if (!headers.contains("Expect")) list = curl_slist_append(list, "Expect:");
    if (request.cachePolicy() == UrlRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData) {
        if (!headers.contains("Cache-Control"))
            list = curl_slist_append(list, "Cache-Control: no-cache");
        if (!headers.contains("Pragma")) list = curl_slist_append(list, "Pragma: no-cache");
    }
    if (!headers.contains("User-Agent")) {
        std::string agent = UrlRequest::defaultUserAgent();
        curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
    }
    headerList_ = list;
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);

    if (request.httpShouldHandleCookies()) {
        curl_easy_setopt(easy, CURLOPT_SHARE,
                         static_cast<CURLSH*>(CookieJar::shared().nativeShare()));
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    }
}

CurlTransfer::~CurlTransfer() {
    if (easy_) curl_easy_cleanup(static_cast<CURL*>(easy_));
    curl_slist_free_all(static_cast<curl_slist*>(headerList_));
}

std::size_t CurlTransfer::headerCallback(char* data, std::size_t size, std::size_t count,
                                         void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    transfer->noteActivity();
    std::size_t length = size * count;
    return transfer->handleHeaderLine(std::string_view(data, length)) ? length : 0;
}

bool CurlTransfer::handleHeaderLine(std::string_view line) {
    // Trailers of a chunked body come through here too; the head is already out by then.
    if (responseDelivered_) return true;
    if (line.substr(0, 5) == "HTTP/") {
        pending_ = UrlResponse{};
        inHeaders_ = true;
        auto space = line.find(' ');
        if (space != std::string_view::npos) {
            std::string_view code = line.substr(space + 1, 3);
            long status = 0;
            std::from_chars(code.data(), code.data() + code.size(), status);
            pending_.statusCode = status;
        }
        return true;
    }
    if (!inHeaders_) return true;
    std::string_view trimmed = trim(line);
    if (trimmed.empty()) {
        inHeaders_ = false;
        // An interim answer ("100 Continue"); the real one follows.
        if (pending_.statusCode >= 100 && pending_.statusCode < 200) return true;
        pending_.url = requestUrl_;
        pending_.deriveFromHeaders();
        if (maxBytes_ >= 0 && pending_.expectedContentLength > maxBytes_) {
            capExceeded_ = true;
            return false;
        }
        responseDelivered_ = true;
        if (callbacks_.onResponse) callbacks_.onResponse(pending_);
        return true;
    }
    // Obsolete line folding (a line starting with white space) is ignored.
    if (line.front() == ' ' || line.front() == '\t') return true;
    auto colon = trimmed.find(':');
    if (colon == std::string_view::npos) return true;
    pending_.headers.add(trim(trimmed.substr(0, colon)), trim(trimmed.substr(colon + 1)));
    return true;
}

std::size_t CurlTransfer::writeCallback(char* data, std::size_t size, std::size_t count,
                                        void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    transfer->noteActivity();
    std::size_t length = size * count;
    const std::int64_t received = transfer->received_ + static_cast<std::int64_t>(length);
    const std::int64_t limit = transfer->window_ ? transfer->window_->limit() : -1;
    if ((transfer->maxBytes_ >= 0 && received > transfer->maxBytes_) ||
        (limit >= 0 && received > limit)) {
        transfer->capExceeded_ = true;
        return 0;
    }
    // Paused, the library keeps these bytes and hands them over again on the resume.
    if (length > 0 && transfer->window_ && !transfer->window_->admit(length)) {
        transfer->heldByReader_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    transfer->received_ = received;
    if (transfer->callbacks_.onData && length > 0)
        transfer->callbacks_.onData(reinterpret_cast<const std::uint8_t*>(data), length);
    return length;
}

int CurlTransfer::progressCallback(void* self, std::int64_t, std::int64_t, std::int64_t,
                                   std::int64_t ulNow) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    // Sending a large body counts as progress just like receiving.
    if (ulNow != transfer->uploaded_) {
        transfer->uploaded_ = ulNow;
        transfer->noteActivity();
    }
    return 0;
}

void CurlTransfer::resume() {
    if (!heldByReader_ || !easy_) return;
    // Cleared first: the library may hand the kept bytes over inside the call, and they may
    // pause the transfer again.
    heldByReader_ = false;
    noteActivity();
    curl_easy_pause(static_cast<CURL*>(easy_), CURLPAUSE_CONT);
}

void CurlTransfer::complete(int curlCode) {
    if (capExceeded_) {
        finish(makeUrlError(kUrlErrorDataLengthExceedsMaximum, url_));
    } else if (curlCode != CURLE_OK) {
        finish(errorForCurlCode(curlCode, url_, errorBuffer_));
    } else if (!responseDelivered_) {
        finish(makeUrlError(kUrlErrorBadServerResponse, url_));
    } else {
        finish(std::nullopt);
    }
}

void CurlTransfer::timeOut() {
    Error error = makeUrlError(kUrlErrorTimedOut, url_);
    finish(error);
}

void CurlTransfer::failSetup() {
    finish(setupError_.value_or(makeUrlError(kUrlErrorUnknown, url_)));
}

void CurlTransfer::finish(const std::optional<Error>& error) {
    if (completed_) return;
    completed_ = true;
    if (callbacks_.onComplete) callbacks_.onComplete(error);
}

}  // namespace platform
