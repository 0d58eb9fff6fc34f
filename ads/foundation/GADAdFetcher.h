#pragma once

// Fetches one ad answer over HTTP and turns it into a GADAd: the body becomes the ad's HTML,
// the "x-rade-" header fields decide its response type and set its tracking URLs, reload
// period, orientations, size text and a few SDK-wide switches (content hashing, https, the
// signed-in user's token). A fetcher is used once; a second fetch is refused.
//
// Main thread only. The delegate hears exactly once, on a later main-loop turn (also for a
// failure found while starting), as GADAdFetcherDelegate states; nothing after cancel().
// Only mediation answers enter the response cache, and a later fetch of the same ad slot is
// answered from it while the entry is fresh.
//
// The signed-in user's token goes only to https URLs on a listed host (requestHeadersForURL)
// and is never logged; the platform drops it on a redirect to another host or to plain http.
//
// Ownership: the caller holds the fetcher; the fetcher holds its connection and the ad, and
// its delegate weakly. Releasing the fetcher cancels it.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdFetcherDelegate.h"
#include "ads/foundation/GADAdResponseHeaders.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADURLConnectionDelegate.h"
#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlRequest.h"

namespace ads {

class GADApplication;
class GADCSI;
class GADRequest;
class GADTiming;
class GADTokenDispenser;
class GADURLConnection;

class GADAdFetcher : public GADURLConnectionDelegate,
                     public std::enable_shared_from_this<GADAdFetcher> {
  public:
    static constexpr const char* kAlreadyUsedMessage =
        "Could not start fetch. This object has already been used to fetch.";
    static constexpr const char* kConnectionFailedMessage = "Failed to start ad connection.";
    static constexpr const char* kRejectedParametersMessage =
        "Server rejected ad parameters. Typically this is because the ad unit ID is incorrect.";

    // The collaborators; an empty one is the process's shared instance.
    struct Environment {
        std::shared_ptr<GADApplication> application;
        std::shared_ptr<GADTokenDispenser> tokens;
        std::shared_ptr<GADCSI> csi;
    };

    static std::shared_ptr<GADAdFetcher> create();
    static std::shared_ptr<GADAdFetcher> create(Environment environment);
    ~GADAdFetcher() override;
    GADAdFetcher(const GADAdFetcher&) = delete;
    GADAdFetcher& operator=(const GADAdFetcher&) = delete;

    // Fetches into a new empty ad. Without a request nothing is loaded and the delegate hears
    // "no ad". False (with `error`) when the fetcher was used before or the connection would
    // not start.
    bool fetchRequestURL(const std::optional<platform::UrlRequest>& request,
                         std::weak_ptr<GADAdFetcherDelegate> delegate,
                         platform::Error* error = nullptr);
    // Completes an ad the SDK core delivered: the given header fields are applied at once;
    // an ad with HTML needs nothing more, any other is fetched from its ad URL (with the
    // token header when it qualifies).
    bool fetchRemainingContentForAd(std::shared_ptr<GADAd> ad,
                                    const std::optional<platform::Value::Dictionary>& headers,
                                    std::weak_ptr<GADAdFetcherDelegate> delegate,
                                    platform::Error* error = nullptr);
    // Forgets the delegate and ends the transfer.
    void cancel();

    // {"Authorization": "Bearer <token>"} for an https URL whose host is listed, while the
    // signed-in user has a token (which this fetcher then remembers); otherwise nothing.
    platform::HttpHeaders requestHeadersForURL(const platform::Url& url);
    // The hosts that may receive the token: the list the SDK constants stored, else the ad
    // server's host. Read at each call, so a list the server sends applies to the next fetch.
    static std::set<std::string> whitelistedDomains();

    const std::shared_ptr<GADAd>& ad() const { return ad_; }
    const std::shared_ptr<GADRequest>& request() const { return request_; }
    // The app's request; errors made here carry it.
    void setRequest(std::shared_ptr<GADRequest> request) { request_ = std::move(request); }
    std::shared_ptr<GADAdFetcherDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<GADTiming>& timer() const { return timer_; }
    const std::shared_ptr<GADURLConnection>& adConnection() const { return adConnection_; }
    bool adConnectionHasCompleted() const { return adConnectionHasCompleted_; }

  private:
    struct Private {};

  public:
    GADAdFetcher(Private, Environment environment);

  private:
    // GADURLConnectionDelegate
    std::optional<platform::Error> connectionShouldRedirectToURL(GADURLConnection& connection,
                                                                 const platform::Url& url) override;
    void connectionLoadDidReceiveRedirectResponse(GADURLConnection& connection,
                                                  const platform::UrlResponse& response) override;
    bool connectionLoadShouldUseCachedResponse(GADURLConnection& connection,
                                               const platform::UrlResponse& response) override;
    void connectionLoadDidReceiveCachedResponse(GADURLConnection& connection,
                                                const platform::UrlResponse& response) override;
    void connectionLoadDidFinish(GADURLConnection& connection,
                                 const std::optional<std::string>& body,
                                 const std::optional<platform::Url>& baseURL) override;
    void connectionLoadDidFail(GADURLConnection& connection,
                               const std::optional<platform::Error>& error,
                               std::int64_t statusCode) override;

    bool fetch(const std::optional<platform::UrlRequest>& request,
               std::weak_ptr<GADAdFetcherDelegate> delegate,
               const std::optional<platform::Value::Dictionary>& headers, std::shared_ptr<GADAd> ad,
               platform::Error* error);
    // `base`: the URL of the answer that carried the headers (relative tracking URLs resolve
    // against it).
    void processHTTPHeaders(const platform::Value::Dictionary& headers,
                            const std::optional<platform::Url>& base);
    void processResponseHeaders(const platform::UrlResponse& response);
    // The server's word for the whole SDK, whatever becomes of this ad.
    void setContentHashing(bool enabled);
    void setUseHttps(std::optional<bool> useHttps);
    // Tells the delegate (on the next turn while starting) and cancels.
    void failFetch(GADRequestError error, std::int64_t statusCode);
    void completedURLConnection();
    void finishStart();
    GADRequestError errorWithCode(std::int64_t code, std::int64_t statusCode = 0,
                                  std::optional<std::string> message = std::nullopt) const;
    GADApplication& application();
    GADTokenDispenser& tokens();
    GADCSI& csi();

    Environment environment_;
    bool hasStartedFetch_ = false;
    bool hasNotifiedDelegate_ = false;
    std::optional<std::string> signedInAdsToken_;
    bool adConnectionHasCompleted_ = false;
    std::shared_ptr<GADAd> ad_;
    std::shared_ptr<GADRequest> request_;
    std::weak_ptr<GADAdFetcherDelegate> delegate_;
    std::shared_ptr<GADTiming> timer_;
    std::shared_ptr<GADURLConnection> adConnection_;

    // Inside a fetch call: failures wait for finishStart on the next turn.
    bool starting_ = false;
    struct Failure {
        GADRequestError error;
        std::int64_t statusCode;
    };
    std::optional<Failure> startFailure_;
};

}  // namespace ads
