#include "ads/foundation/GADURLConnection.h"

#include <string>
#include <string_view>

#include "ads/foundation/GADHeaderParser.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"
#include "platform/base/Unicode.h"
#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/AppPaths.h"

namespace ads {

namespace {

bool isSuccess(const platform::UrlResponse& response) {
    return response.statusCode >= 200 && response.statusCode <= 299;
}

bool isLoadable(const platform::Url& url) {
    return (platform::HttpHeaders::namesEqual(url.scheme(), "http") ||
            platform::HttpHeaders::namesEqual(url.scheme(), "https")) &&
           !url.host().empty();
}

std::optional<std::string> textOf(const std::vector<std::uint8_t>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    if (!platform::isValidUtf8(text)) return std::nullopt;
    return text;
}

}  // namespace

std::shared_ptr<GADURLConnection> GADURLConnection::create() {
    return std::make_shared<GADURLConnection>(Private{});
}

GADURLConnection::~GADURLConnection() {
    if (connection_) connection_->cancel();
}

GADURLResponseMemoryCache& GADURLConnection::memoryCache() {
    // Never destroyed: connections on other threads' queues may still look into it at exit.
    static auto* cache = new GADURLResponseMemoryCache(kMemoryCacheCountLimit);
    return *cache;
}

void GADURLConnection::clearCache() {
    memoryCache().removeAllObjects();
}

std::filesystem::path GADURLConnection::defaultCachePath() {
    return platform::AppPaths::caches() / "DuRez";
}

GADURLResponseMemoryCache::Key GADURLConnection::cacheKeyForURL(const platform::Url& url) {
    std::string text = url.absoluteString();
    if (auto slot = gad_parameterValueForKey(url, kSlotNameParameter)) {
        // Host and path each carry their length, so nothing a server writes into them makes
        // two slots share a key; the line feeds keep the text apart from any URL's.
        const std::string host = url.host();
        const std::string path = url.path();
        text = std::to_string(host.size()) + ":" + host + "\n" + std::to_string(path.size()) + ":" +
               path + "\n" + *slot;
    }
    return gad_MD5Data(text);
}

std::shared_ptr<const GADCachedURLResponse> GADURLConnection::cachedResponseForURL(
    const platform::Url& url) {
    const auto key = cacheKeyForURL(url);
    auto entry = memoryCache().objectForKey(key);
    if (!entry) return nullptr;
    if (entry->expirationDate().secondsSince1970 > platform::Clock::wallSeconds()) return entry;
    memoryCache().removeObjectForKey(key);
    return nullptr;
}

void GADURLConnection::tryToStoreResponseAndData() {
    if (!response_ || !sourceURL_) return;
    auto expiration = gad_expirationDate(*response_);
    if (!expiration || expiration->secondsSince1970 < platform::Clock::wallSeconds()) return;
    auto entry =
        GADCachedURLResponse::create(*response_, receivedData_, *expiration, destinationURL_);
    if (entry) memoryCache().setObject(std::move(entry), cacheKeyForURL(*sourceURL_));
}

bool GADURLConnection::startWithRequestURL(const platform::UrlRequest& request,
                                           std::weak_ptr<GADURLConnectionDelegate> delegate,
                                           platform::Error* error) {
    if (inProgress_) {
        if (error) {
            const std::string running = sourceURL_ ? sourceURL_->absoluteString() : "(null)";
            *error = GADRequestError::errorWithCode(kGADErrorNetworkError,
                                                    "Ignoring -- Currently loading " + running)
                         .error();
        }
        return false;
    }
    delegate_ = std::move(delegate);
    const platform::Url& url = request.url();
    sourceURL_ = url.absoluteString().empty() ? std::nullopt : std::optional(url);
    destinationURL_ = sourceURL_;
    inProgress_ = true;

    if (allowCache_ && sourceURL_) {
        if (auto cached = cachedResponseForURL(*sourceURL_)) {
            pendingCachedResponse_ = std::move(cached);
            postWhileCurrent(&GADURLConnection::deliverPendingCachedResponse);
            return true;
        }
    }
    if (!sourceURL_ || !isLoadable(*sourceURL_)) {
        postWhileCurrent(&GADURLConnection::failUnmadeRequest);
        return true;
    }
    receivedData_.clear();
    response_.reset();
    connection_ = platform::Connection::create(request, weak_from_this());
    connection_->setMaxBytes(kMaxBodyBytes);
    connection_->start();
    return true;
}

void GADURLConnection::stop() {
    ++generation_;
    if (auto connection = std::move(connection_)) connection->cancel();
    connection_.reset();
    sourceURL_.reset();
    destinationURL_.reset();
    response_.reset();
    receivedData_.clear();
    receivedData_.shrink_to_fit();
    pendingCachedResponse_.reset();
    inProgress_ = false;
}

void GADURLConnection::cancel() {
    delegate_.reset();
    stop();
}

void GADURLConnection::postWhileCurrent(void (GADURLConnection::*task)()) {
    const std::uint64_t generation = generation_;
    platform::MainLoop::main().post(
        platform::weakCall(weak_from_this(), [generation, task](GADURLConnection& self) {
            if (self.generation_ == generation) (self.*task)();
        }));
}

void GADURLConnection::deliverPendingCachedResponse() {
    auto cached = std::move(pendingCachedResponse_);
    if (cached) deliverCachedResponse(cached);
}

void GADURLConnection::failUnmadeRequest() {
    fail(std::nullopt, -1);
}

std::shared_ptr<GADURLConnectionDelegate> GADURLConnection::listener() {
    auto delegate = delegate_.lock();
    if (!delegate) stop();
    return delegate;
}

std::int64_t GADURLConnection::lastStatusCode() const {
    return response_ ? static_cast<std::int64_t>(response_->statusCode) : -1;
}

void GADURLConnection::deliverCachedResponse(
    const std::shared_ptr<const GADCachedURLResponse>& cached) {
    auto keepAlive = shared_from_this();
    // Stopped first, so the delegate may start the next request from inside its calls.
    stop();
    auto delegate = listener();
    if (!delegate) return;
    const std::uint64_t generation = generation_;
    delegate->connectionLoadDidReceiveCachedResponse(*this, cached->response());
    if (generation_ != generation) return;  // stopped or restarted inside the call
    delegate->connectionLoadDidFinish(*this, textOf(cached->data()), cached->destinationURL());
}

void GADURLConnection::fail(std::optional<platform::Error> error, std::int64_t statusCode) {
    auto keepAlive = shared_from_this();
    stop();
    if (auto delegate = listener())
        delegate->connectionLoadDidFail(*this, std::move(error), statusCode);
}

std::optional<platform::UrlRequest> GADURLConnection::connectionWillSendRequest(
    platform::Connection& connection, const platform::UrlRequest& request,
    const platform::UrlResponse* redirectResponse) {
    if (!redirectResponse || &connection != connection_.get()) return request;
    auto keepAlive = shared_from_this();
    auto delegate = listener();
    if (!delegate) return std::nullopt;
    const std::uint64_t generation = generation_;
    if (auto refusal = delegate->connectionShouldRedirectToURL(*this, request.url())) {
        if (generation_ == generation) fail(std::move(refusal), -1);
        return std::nullopt;
    }
    if (generation_ != generation) return std::nullopt;
    destinationURL_ = request.url();
    delegate->connectionLoadDidReceiveRedirectResponse(*this, *redirectResponse);
    if (generation_ != generation) return std::nullopt;
    return request;
}

void GADURLConnection::connectionDidReceiveResponse(platform::Connection& connection,
                                                    const platform::UrlResponse& response) {
    if (&connection != connection_.get()) return;
    auto keepAlive = shared_from_this();
    response_ = response;
    receivedData_.clear();
    auto delegate = listener();
    if (!delegate) return;
    const std::uint64_t generation = generation_;
    const bool useCache = delegate->connectionLoadShouldUseCachedResponse(*this, response);
    if (generation_ != generation) return;
    // What is not a 2xx answer is a failure, which neither enters the cache nor is replaced
    // by what the cache holds.
    allowCache_ = useCache && isSuccess(response);
    if (!allowCache_ || !sourceURL_) return;
    if (auto cached = cachedResponseForURL(*sourceURL_)) deliverCachedResponse(cached);
}

void GADURLConnection::connectionDidReceiveData(platform::Connection& connection,
                                                const std::vector<std::uint8_t>& data) {
    if (&connection != connection_.get()) return;
    // Failing answers end unread.
    if (response_ && !isSuccess(*response_)) return;
    receivedData_.insert(receivedData_.end(), data.begin(), data.end());
}

void GADURLConnection::connectionDidFinishLoading(platform::Connection& connection) {
    if (&connection != connection_.get()) return;
    auto keepAlive = shared_from_this();
    if (!response_ || !isSuccess(*response_)) {
        fail(std::nullopt, lastStatusCode());
        return;
    }
    if (allowCache_) tryToStoreResponseAndData();
    const std::optional<std::string> body = textOf(receivedData_);
    const std::optional<platform::Url> baseURL = destinationURL_;
    stop();
    if (auto delegate = listener()) delegate->connectionLoadDidFinish(*this, body, baseURL);
}

void GADURLConnection::connectionDidFailWithError(platform::Connection& connection,
                                                  const platform::Error& error) {
    if (&connection != connection_.get()) return;
    // A body past the cap is a network failure like a cut-off one, also when its announced
    // length had it refused before its head (and status) reached us.
    const bool overCap =
        error.is(platform::kUrlErrorDomain, platform::kUrlErrorDataLengthExceedsMaximum);
    fail(error, !response_ && overCap ? 0 : lastStatusCode());
}

}  // namespace ads
