#pragma once

// The keeper of the signed-in user's OAuth access tokens. When the host application uses the
// optional sign-in library and signed-in ads are on, the ad requests of the signed-in user
// carry an access token. The dispenser follows the library's current user, trades the user's
// refresh token for an access token at the vendor's token endpoint, caches the tokens per user
// in the user defaults ("/zivivu/ads/SignedInTokens") and refreshes them on a timer before
// they expire. Without the library (the game) nobody is signed in and it stays idle.
//
// Signed-in ads are on while the device does not limit ad tracking and the server flag
// "/zivivu/ads/enable_signed_in_ads" is true; token() and token requests do nothing otherwise.
//
// Threads: the cache, the current user, the requests in flight, the minimum lifespan and the
// timer live on the token queue ("com.zivivu.durez.token-dispenser"), which also hears the
// token requests' completions. token() waits for that queue (any thread may call it; from the
// queue itself it answers nothing); every other call only queues work and returns. Nothing on
// the token queue waits for the main thread, so token() on the main thread cannot deadlock.
// The sign-in library is read and observed on the main thread; its change notifications
// rebuild the current user there.
//
// Storage: users are stored with issuer, user id and application id only; the refresh token
// never reaches the disk. After a restart the library's current user, the same user, brings
// it back; entries of other users stay until they expire and are dropped then. Nothing here
// logs a token, a refresh token or a request body.
//
// Lifetime: the timer, the queued work, the completions and the library observer hold the
// dispenser weakly. Releasing it invalidates the timer and stops observing; a request in
// flight is then finished and dropped.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ads/foundation/GADSignedInUser.h"
#include "ads/foundation/GADTokenCacheEntry.h"
#include "platform/base/Url.h"

namespace platform {
class SerialQueue;
class Timer;
class UserDefaults;
}  // namespace platform

namespace ads {

class GADStubsForGID;

class GADTokenDispenser : public std::enable_shared_from_this<GADTokenDispenser> {
  public:
    // What a dispenser works with; an empty field takes the process's own.
    struct Environment {
        // Kept alive by the dispenser: its queued work may outlast the caller's scope.
        std::shared_ptr<platform::UserDefaults> defaults;         // the standard defaults
        std::function<platform::Url()> apiOrigin;                 // GADAdsAPIOrigin
        std::function<std::shared_ptr<GADStubsForGID>()> signIn;  // GADSignInSharedInstance
        std::function<bool()> limitAdTracking;                    // the device's answer
    };

    static constexpr const char* kTokenPath = "/oauth2/v3/token";
    static constexpr const char* kScopePath = "/auth/display_ads";
    static constexpr const char* kQueueLabel = "com.zivivu.durez.token-dispenser";
    // The lifespan assumed while the cache is empty.
    static constexpr double kDefaultLifespan = 3600;
    // A token answer is a few hundred bytes; anything longer is not one.
    static constexpr std::int64_t kMaxAnswerBytes = 64 * 1024;

    // Made by the SDK's start-up; never released.
    static std::shared_ptr<GADTokenDispenser> sharedInstance();
    // Restores the stored cache, refreshes what expires soon, and starts following the
    // sign-in library (at once when called on the main thread, else on the next turn).
    static std::shared_ptr<GADTokenDispenser> create();
    static std::shared_ptr<GADTokenDispenser> create(Environment environment);
    ~GADTokenDispenser();
    GADTokenDispenser(const GADTokenDispenser&) = delete;
    GADTokenDispenser& operator=(const GADTokenDispenser&) = delete;

    // The current user's access token, when one has arrived and has not expired; otherwise
    // nothing, and a token request starts unless one is in flight.
    std::optional<std::string> token();
    // The server no longer takes this token: its entry goes (from the store too) and its user
    // gets a new one. A token not in the cache changes nothing.
    void refreshToken(const std::string& token);
    // Reads the current user from the sign-in library again (on the main thread).
    void refreshSignedInUser();
    // Makes the user current and asks for its token unless one is cached.
    void setCurrentUser(std::optional<GADSignedInUser> user);
    // Asks the token endpoint for a new token of the user: only with an application id and a
    // refresh token, while signed-in ads are on, and when none is in flight for that user.
    void requestTokenForUser(const GADSignedInUser& user);
    // Caches the token of a token endpoint's answer for the user (see the lifespan rule in
    // the source).
    void cacheTokenFromResponseData(std::vector<std::uint8_t> data, const GADSignedInUser& user);
    // Asks anew for every token that expires within 90 % of the shortest lifespan.
    void refreshTokens();
    // Restarts the refresh timer for the shortest lifespan: it fires between 72 % and 90 % of
    // it, while the cache holds entries.
    void rescheduleRefreshes();

    bool signedInAdsEnabled() const;

    // The form sent to the token endpoint: its fields sorted by name, names and values
    // escaped for a form.
    static std::string requestBody(const GADSignedInUser& user, const platform::Url& apiOrigin);

    // The stored form of the cache: a list of {"user": ..., "entry": ...}, users without their
    // refresh token. Reading it keeps the items whose user and entry are whole, without a
    // refresh token, with lifespans raised to the minimum; the first item of a user wins.
    using Cache = std::unordered_map<GADSignedInUser, GADTokenCacheEntry>;
    static platform::Value archivedCache(const Cache& cache);
    static Cache unarchivedCache(const platform::Value& stored, double minimumLifespan);

  private:
    struct Private {};
    friend class GADTokenDispenserTestPeer;

  public:
    GADTokenDispenser(Private, Environment environment);

  private:
    platform::UserDefaults& defaults() const { return *environment_.defaults; }
    void start();
    void followSignIn();
    void post(std::function<void(GADTokenDispenser&)> work);

    // On the token queue.
    void restoreOnQueue();
    void setCurrentUserOnQueue(std::optional<GADSignedInUser> user);
    void requestTokenOnQueue(const GADSignedInUser& user);
    void requestFinishedOnQueue(const GADSignedInUser& user, long status,
                                const std::vector<std::uint8_t>& body, bool failed);
    void cacheTokenOnQueue(const std::vector<std::uint8_t>& data, const GADSignedInUser& user);
    void setCacheEntryOnQueue(GADTokenCacheEntry entry, const GADSignedInUser& user);
    void removeCacheEntryOnQueue(const GADSignedInUser& user);
    void refreshTokenOnQueue(const std::string& token);
    void refreshTokensOnQueue();
    void rescheduleOnQueue();
    void cacheChangedOnQueue();
    // Sets the shortest lifespan of the cache (the default when empty); true when it changed.
    bool updateMinLifespanOnQueue();
    void archiveOnQueue();
    double minimumLifespanRule() const;

    Environment environment_;
    const std::shared_ptr<platform::SerialQueue> queue_;

    // On queue_.
    Cache cachedTokens_;
    std::unordered_map<std::string, GADSignedInUser> cachedTokenUsers_;
    std::unordered_set<GADSignedInUser> requestsInFlight_;
    std::optional<GADSignedInUser> currentUser_;
    double minLifespan_ = kDefaultLifespan;
    std::shared_ptr<platform::Timer> refreshTimer_;
    std::size_t finishedRequests_ = 0;
    std::function<void()> requestFinishedForTesting_;

    // On the main thread.
    std::shared_ptr<void> signInObservation_;
    bool observingIdentitySDK_ = false;
};

}  // namespace ads
