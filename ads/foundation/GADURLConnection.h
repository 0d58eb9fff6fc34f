#pragma once

// The SDK's one-request-at-a-time HTTP client for ad responses, over platform::Connection. It
// follows redirects (asking its delegate about each and remembering where the answer finally
// came from), collects the body and hands it over as text, and can answer from the process's
// memory cache of responses that are still fresh by their caching fields.
//
// Main thread only: start, stop and cancel there; the delegate hears everything on the main
// loop in the order GADURLConnectionDelegate states, never from inside
// startWithRequestURL (a request that cannot be made, or a cached answer, comes on a later
// turn). Only 2xx answers count as loaded; anything else reaches the delegate as a failure
// with its status, its body unread. A body past kMaxBodyBytes fails the load with the
// platform's data-length error and the status of its head (0 when its announced length had
// it refused before the head was handed over).
//
// Ownership: the delegate is held weakly; the object it started holds the connection. The
// connection owns its platform connection, which holds it only weakly as its delegate; stop(),
// cancel() and dropping the last reference end the transfer. After a stop it can start again.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "ads/foundation/GADCachedURLResponse.h"
#include "ads/foundation/GADURLConnectionDelegate.h"
#include "ads/foundation/GADURLResponseMemoryCache.h"
#include "platform/base/Error.h"
#include "platform/net/Connection.h"
#include "platform/net/ConnectionDelegate.h"

namespace ads {

class GADURLConnection : public platform::ConnectionDelegate,
                         public std::enable_shared_from_this<GADURLConnection> {
  public:
    // An ad page or a mediation configuration is some kilobytes; a body past this is not an
    // ad, and holding it would only cost memory.
    static constexpr std::int64_t kMaxBodyBytes = 8 * 1024 * 1024;
    static constexpr std::size_t kMemoryCacheCountLimit = 25;
    static constexpr const char* kSlotNameParameter = "slotname";

    static std::shared_ptr<GADURLConnection> create();
    ~GADURLConnection() override;
    GADURLConnection(const GADURLConnection&) = delete;
    GADURLConnection& operator=(const GADURLConnection&) = delete;

    // False only while a request (or an answer on its way) is in progress: then `error`
    // receives code 2, "Ignoring -- Currently loading <URL>". Otherwise the delegate hears
    // the outcome on a later turn: a fresh cached answer when caching is already allowed, a
    // failure without error and with status -1 for a request without an http(s) URL, else
    // the network's answer.
    bool startWithRequestURL(const platform::UrlRequest& request,
                             std::weak_ptr<GADURLConnectionDelegate> delegate,
                             platform::Error* error = nullptr);
    // Ends the transfer (or the answer on its way) without a word to the delegate and forgets
    // the URLs, the response and the body. Whether caching is allowed is kept for the next
    // request.
    void stop();
    // Forgets the delegate, then stops.
    void cancel();

    bool isInProgress() const { return inProgress_; }
    bool allowCache() const { return allowCache_; }
    const std::optional<platform::Url>& sourceURL() const { return sourceURL_; }
    const std::optional<platform::Url>& destinationURL() const { return destinationURL_; }

    // The shared memory cache (kMemoryCacheCountLimit entries), made at first use.
    static GADURLResponseMemoryCache& memoryCache();
    static void clearCache();
    // <Caches>/DuRez: where a cache on disk would go; nothing here writes to it.
    static std::filesystem::path defaultCachePath();
    // The MD5 digest of the URL's key text: its absolute text, or, when its query has a
    // "slotname", the host, the path and that value, so that every request for one ad slot
    // shares an entry whatever its other parameters.
    static GADURLResponseMemoryCache::Key cacheKeyForURL(const platform::Url& url);
    // The entry for the URL while it is fresh (its expiration strictly later than now); a
    // stale entry is removed.
    std::shared_ptr<const GADCachedURLResponse> cachedResponseForURL(const platform::Url& url);
    // Stores the finished response and body under the source URL's key when its caching
    // fields give an expiration that is not past.
    void tryToStoreResponseAndData();

  private:
    struct Private {};

  public:
    explicit GADURLConnection(Private) {}

  private:
    // platform::ConnectionDelegate
    std::optional<platform::UrlRequest> connectionWillSendRequest(
        platform::Connection& connection, const platform::UrlRequest& request,
        const platform::UrlResponse* redirectResponse) override;
    void connectionDidReceiveResponse(platform::Connection& connection,
                                      const platform::UrlResponse& response) override;
    void connectionDidReceiveData(platform::Connection& connection,
                                  const std::vector<std::uint8_t>& data) override;
    void connectionDidFinishLoading(platform::Connection& connection) override;
    void connectionDidFailWithError(platform::Connection& connection,
                                    const platform::Error& error) override;

    // The delegate, or nothing - in which case nobody listens any more and the load stops.
    std::shared_ptr<GADURLConnectionDelegate> listener();
    // The status of the last response, -1 without one.
    std::int64_t lastStatusCode() const;
    // Stops, then hands the entry to the delegate as a cached answer.
    void deliverCachedResponse(const std::shared_ptr<const GADCachedURLResponse>& cached);
    void fail(std::optional<platform::Error> error, std::int64_t statusCode);
    // Runs `task` on the next turn unless the connection stopped meanwhile.
    void postWhileCurrent(void (GADURLConnection::*task)());
    void deliverPendingCachedResponse();
    void failUnmadeRequest();

    bool inProgress_ = false;
    bool allowCache_ = false;
    std::optional<platform::Url> sourceURL_;
    std::optional<platform::Url> destinationURL_;
    std::weak_ptr<GADURLConnectionDelegate> delegate_;
    std::shared_ptr<platform::Connection> connection_;
    std::optional<platform::UrlResponse> response_;
    std::vector<std::uint8_t> receivedData_;
    // A cached answer found at start, delivered on the next turn.
    std::shared_ptr<const GADCachedURLResponse> pendingCachedResponse_;
    // Raised by every stop, so work posted for an earlier request does nothing.
    std::uint64_t generation_ = 0;
};

}  // namespace ads
