#include "ads/foundation/GADTokenDispenser.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADStubsForGID.h"
#include "ads/foundation/GADWeakTimer.h"
#include "platform/net/Connection.h"
#include "platform/net/UrlRequest.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;

namespace {

// The timer fires between these shares of the shortest lifespan, and a token is asked for
// anew once it expires within the larger share: so each token is replaced before it expires.
constexpr double kRefreshIntervalShare = 0.72;
constexpr double kRefreshToleranceShare = 0.18;
constexpr double kRefreshThresholdShare = 0.9;

// Keys of one stored cache entry.
constexpr const char* kStoredUserKey = "user";
constexpr const char* kStoredEntryKey = "entry";

platform::Date now() {
    return platform::Date{platform::Clock::wallSeconds()};
}

bool deviceLimitsAdTracking() {
    return GADDevice::sharedInstance()->limitAdTracking();
}

}  // namespace

std::shared_ptr<GADTokenDispenser> GADTokenDispenser::sharedInstance() {
    // Never released: the tokens are followed as long as the process runs.
    static auto* instance = new std::shared_ptr<GADTokenDispenser>(create());
    return *instance;
}

std::shared_ptr<GADTokenDispenser> GADTokenDispenser::create() {
    return create(Environment());
}

std::shared_ptr<GADTokenDispenser> GADTokenDispenser::create(Environment environment) {
    auto dispenser = std::make_shared<GADTokenDispenser>(Private{}, std::move(environment));
    dispenser->start();
    return dispenser;
}

GADTokenDispenser::GADTokenDispenser(Private, Environment environment)
    : environment_(std::move(environment)),
      queue_(std::make_shared<platform::SerialQueue>(kQueueLabel)) {
    if (!environment_.defaults) {
        // The standard defaults are never destroyed; they are only borrowed here.
        environment_.defaults = std::shared_ptr<platform::UserDefaults>(
            &platform::UserDefaults::standard(), [](platform::UserDefaults*) {});
    }
    if (!environment_.apiOrigin) environment_.apiOrigin = GADAdsAPIOrigin;
    if (!environment_.signIn) environment_.signIn = GADSignInSharedInstance;
    if (!environment_.limitAdTracking) environment_.limitAdTracking = deviceLimitsAdTracking;
}

GADTokenDispenser::~GADTokenDispenser() {
    // Nothing else can reach the timer now: no queued work holds the dispenser any more.
    if (refreshTimer_) refreshTimer_->invalidate();
    signInObservation_.reset();
}

void GADTokenDispenser::start() {
    post([](GADTokenDispenser& self) {
        self.restoreOnQueue();
        self.refreshTokensOnQueue();
        self.rescheduleOnQueue();
    });
    GADRunOnMainThread(platform::weakCall(weak_from_this(), &GADTokenDispenser::followSignIn));
}

void GADTokenDispenser::followSignIn() {
    const std::shared_ptr<GADStubsForGID> signIn = environment_.signIn();
    setCurrentUser(GADSignedInUser::current(defaults(), signIn));
    if (!signIn || observingIdentitySDK_) return;
    signInObservation_ =
        signIn->observeChanges([weak = weak_from_this()](const std::string& keyPath) {
            if (keyPath != GADStubsForGID::kCurrentUserKeyPath &&
                keyPath != GADStubsForGID::kClientIDKeyPath) {
                return;
            }
            if (auto self = weak.lock()) self->refreshSignedInUser();
        });
    observingIdentitySDK_ = true;
}

void GADTokenDispenser::post(std::function<void(GADTokenDispenser&)> work) {
    queue_->async(platform::weakCall(weak_from_this(), std::move(work)));
}

bool GADTokenDispenser::signedInAdsEnabled() const {
    return !environment_.limitAdTracking() && GADSettings(defaults()).enableSignedInAds();
}

double GADTokenDispenser::minimumLifespanRule() const {
    return GADSettings(defaults()).minimumSignedInAdsTokenLifespan();
}

// Handing out tokens

std::optional<std::string> GADTokenDispenser::token() {
    if (!signedInAdsEnabled()) return std::nullopt;
    std::optional<std::string> token;
    queue_->sync([&] {
        if (!currentUser_) return;
        const platform::Date at = now();
        auto found = cachedTokens_.find(*currentUser_);
        // An expired token would only be refused by the ad server.
        if (found != cachedTokens_.end() && at < found->second.expiration()) {
            found->second.setLastAccess(at);
            token = found->second.token();
            return;
        }
        requestTokenOnQueue(*currentUser_);
    });
    return token;
}

void GADTokenDispenser::refreshSignedInUser() {
    GADRunOnMainThread(platform::weakCall(weak_from_this(), [](GADTokenDispenser& self) {
        self.setCurrentUser(GADSignedInUser::current(self.defaults(), self.environment_.signIn()));
    }));
}

void GADTokenDispenser::setCurrentUser(std::optional<GADSignedInUser> user) {
    post([user = std::move(user)](GADTokenDispenser& self) { self.setCurrentUserOnQueue(user); });
}

void GADTokenDispenser::setCurrentUserOnQueue(std::optional<GADSignedInUser> user) {
    currentUser_ = std::move(user);
    if (!currentUser_) return;
    auto found = cachedTokens_.find(*currentUser_);
    if (found == cachedTokens_.end()) {
        requestTokenOnQueue(*currentUser_);
        return;
    }
    // The stored user has no refresh token (and may have an older application id): the
    // library's user replaces it, so the entry can be refreshed.
    GADTokenCacheEntry entry = std::move(found->second);
    cachedTokens_.erase(found);
    cachedTokenUsers_.insert_or_assign(entry.token(), *currentUser_);
    cachedTokens_.emplace(*currentUser_, std::move(entry));
}

// Token requests

void GADTokenDispenser::requestTokenForUser(const GADSignedInUser& user) {
    post([user](GADTokenDispenser& self) { self.requestTokenOnQueue(user); });
}

std::string GADTokenDispenser::requestBody(const GADSignedInUser& user,
                                           const platform::Url& apiOrigin) {
    std::vector<std::pair<std::string, std::string>> fields = {
        {"scope", apiOrigin.absoluteString() + kScopePath},
        {"refresh_token", user.refreshToken()},
        {"client_id", user.applicationID()},
        {"grant_type", "refresh_token"},
    };
    std::sort(fields.begin(), fields.end(), [](const auto& a, const auto& b) {
        return gad_asciiLowercased(a.first) < gad_asciiLowercased(b.first);
    });
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) body += '&';
        body += gad_stringByEscapingAsURLParameter(name);
        body += '=';
        body += gad_stringByEscapingAsURLParameter(value);
    }
    return body;
}

void GADTokenDispenser::requestTokenOnQueue(const GADSignedInUser& user) {
    if (user.applicationID().empty() || user.refreshToken().empty() || !signedInAdsEnabled()) {
        return;
    }
    // One request per user at a time: every ad request asks for the token until it arrives.
    if (!requestsInFlight_.insert(user).second) return;

    const platform::Url origin = environment_.apiOrigin();
    std::optional<platform::Url> endpoint =
        platform::Url::parse(origin.absoluteString() + kTokenPath);
    if (!endpoint) {
        requestsInFlight_.erase(user);
        return;
    }
    platform::UrlRequest request(*endpoint);
    request.setHttpMethod("POST");
    request.setValueForHttpHeaderField("application/x-www-form-urlencoded", "Content-Type");
    request.setHttpBody(requestBody(user, origin));

    std::weak_ptr<GADTokenDispenser> weak = weak_from_this();
    platform::Connection::sendAsynchronousRequest(
        std::move(request),
        [weak, user](const std::optional<platform::UrlResponse>& response,
                     const platform::Connection::Bytes& body,
                     const std::optional<platform::Error>& error) {
            if (auto self = weak.lock()) {
                self->requestFinishedOnQueue(user, response ? response->statusCode : 0, body,
                                             error.has_value() || !response);
            }
        },
        kMaxAnswerBytes,
        [queue = queue_](std::function<void()> task) { queue->async(std::move(task)); });
}

void GADTokenDispenser::requestFinishedOnQueue(const GADSignedInUser& user, long status,
                                               const std::vector<std::uint8_t>& body, bool failed) {
    requestsInFlight_.erase(user);
    // Failures are quiet: the user simply has no new token, and ads go without one. A token
    // in an error page is no grant.
    if (!failed && status >= 200 && status <= 299) cacheTokenOnQueue(body, user);
    ++finishedRequests_;
    if (requestFinishedForTesting_) requestFinishedForTesting_();
}

// The cache

void GADTokenDispenser::cacheTokenFromResponseData(std::vector<std::uint8_t> data,
                                                   const GADSignedInUser& user) {
    post([data = std::move(data), user](GADTokenDispenser& self) {
        self.cacheTokenOnQueue(data, user);
    });
}

void GADTokenDispenser::cacheTokenOnQueue(const std::vector<std::uint8_t>& data,
                                          const GADSignedInUser& user) {
    const std::optional<GADTokenResponse> answer = GADTokenResponseFromData(
        std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    if (!answer) return;
    // The server's lifespan, but never below the minimum rule (a stored setting, else 60 s),
    // so a server cannot make us ask every few seconds; without one, the shortest lifespan
    // of the cache (the default while it is empty).
    const double rule = minimumLifespanRule();
    const double lifespan = std::max(answer->expiresIn.value_or(minLifespan_), rule);
    const platform::Date at = now();
    // The newest user record of this user carries the newest refresh token.
    const GADSignedInUser& owner = currentUser_ && *currentUser_ == user ? *currentUser_ : user;
    setCacheEntryOnQueue(
        GADTokenCacheEntry(answer->accessToken, at, platform::Date{at.secondsSince1970 + lifespan},
                           lifespan),
        owner);
}

void GADTokenDispenser::setCacheEntryOnQueue(GADTokenCacheEntry entry,
                                             const GADSignedInUser& user) {
    if (!GADIsUsableAccessToken(entry.token()) || user.issuer().empty() || user.userID().empty()) {
        return;
    }
    removeCacheEntryOnQueue(user);
    cachedTokenUsers_.insert_or_assign(entry.token(), user);
    cachedTokens_.emplace(user, std::move(entry));
    archiveOnQueue();
    cacheChangedOnQueue();
}

void GADTokenDispenser::removeCacheEntryOnQueue(const GADSignedInUser& user) {
    auto found = cachedTokens_.find(user);
    if (found == cachedTokens_.end()) return;
    // The old token must no longer name the user: a late "clear" of it would drop the new
    // entry.
    auto reverse = cachedTokenUsers_.find(found->second.token());
    if (reverse != cachedTokenUsers_.end() && reverse->second == user) {
        cachedTokenUsers_.erase(reverse);
    }
    cachedTokens_.erase(found);
}

void GADTokenDispenser::refreshToken(const std::string& token) {
    post([token](GADTokenDispenser& self) { self.refreshTokenOnQueue(token); });
}

void GADTokenDispenser::refreshTokenOnQueue(const std::string& token) {
    auto found = cachedTokenUsers_.find(token);
    if (found == cachedTokenUsers_.end()) return;
    const GADSignedInUser user = found->second;
    removeCacheEntryOnQueue(user);
    // Stored at once, so the refused token does not come back after a restart.
    archiveOnQueue();
    cacheChangedOnQueue();
    requestTokenOnQueue(user);
}

// Refreshing

void GADTokenDispenser::refreshTokens() {
    post([](GADTokenDispenser& self) { self.refreshTokensOnQueue(); });
}

void GADTokenDispenser::refreshTokensOnQueue() {
    const platform::Date at = now();
    // Users of an earlier run have no refresh token unless they signed in again: their
    // tokens cannot be renewed, and go once they have expired.
    std::vector<GADSignedInUser> expired;
    for (const auto& [user, entry] : cachedTokens_) {
        if (user.refreshToken().empty() && !(at < entry.expiration())) expired.push_back(user);
    }
    if (!expired.empty()) {
        for (const auto& user : expired) removeCacheEntryOnQueue(user);
        archiveOnQueue();
        if (updateMinLifespanOnQueue() || cachedTokens_.empty()) rescheduleOnQueue();
    }
    const double threshold = at.secondsSince1970 + kRefreshThresholdShare * minLifespan_;
    std::vector<GADSignedInUser> due;
    for (const auto& [user, entry] : cachedTokens_) {
        if (entry.expiration().secondsSince1970 < threshold) due.push_back(user);
    }
    for (const auto& user : due) requestTokenOnQueue(user);
}

void GADTokenDispenser::rescheduleRefreshes() {
    post([](GADTokenDispenser& self) { self.rescheduleOnQueue(); });
}

void GADTokenDispenser::rescheduleOnQueue() {
    if (refreshTimer_) {
        refreshTimer_->invalidate();
        refreshTimer_.reset();
    }
    if (cachedTokens_.empty()) return;
    // The timer only queues the work: the cache is touched on the token queue alone.
    std::weak_ptr<GADTokenDispenser> weak = weak_from_this();
    refreshTimer_ = gad_scheduledTimer(kRefreshIntervalShare * minLifespan_, true,
                                       kRefreshToleranceShare * minLifespan_,
                                       [weak, queue = queue_](platform::Timer&) {
                                           queue->async([weak] {
                                               if (auto self = weak.lock())
                                                   self->refreshTokensOnQueue();
                                           });
                                       });
}

void GADTokenDispenser::cacheChangedOnQueue() {
    const bool changed = updateMinLifespanOnQueue();
    const bool timerRunning = refreshTimer_ && refreshTimer_->isValid();
    if (cachedTokens_.empty()) {
        if (timerRunning) rescheduleOnQueue();
        return;
    }
    if (!changed && timerRunning) return;
    // The next firing moves: what would expire before it is asked for now.
    refreshTokensOnQueue();
    rescheduleOnQueue();
}

bool GADTokenDispenser::updateMinLifespanOnQueue() {
    double shortest = kDefaultLifespan;
    if (!cachedTokens_.empty()) {
        shortest = cachedTokens_.begin()->second.lifespanInSeconds();
        for (const auto& [user, entry] : cachedTokens_) {
            shortest = std::min(shortest, entry.lifespanInSeconds());
        }
    }
    const bool changed = shortest != minLifespan_;
    minLifespan_ = shortest;
    return changed;
}

// Storage

Value GADTokenDispenser::archivedCache(const Cache& cache) {
    Value::Array stored;
    for (const auto& [user, entry] : cache) {
        stored.push_back(Value::dictionary({{kStoredUserKey, user.withoutRefreshToken().archive()},
                                            {kStoredEntryKey, entry.archive()}}));
    }
    return Value(std::move(stored));
}

GADTokenDispenser::Cache GADTokenDispenser::unarchivedCache(const Value& stored,
                                                            double minimumLifespan) {
    Cache cache;
    for (const Value& item : stored.asArray()) {
        std::optional<GADSignedInUser> user = GADSignedInUser::fromArchive(item[kStoredUserKey]);
        std::optional<GADTokenCacheEntry> entry =
            GADTokenCacheEntry::fromArchive(item[kStoredEntryKey]);
        if (!user || !entry || cache.contains(*user)) continue;
        // A stored refresh token is not ours (we never write one): the library brings it.
        if (entry->lifespanInSeconds() < minimumLifespan) {
            entry->setLifespanInSeconds(minimumLifespan);
        }
        cache.emplace(user->withoutRefreshToken(), std::move(*entry));
    }
    return cache;
}

void GADTokenDispenser::archiveOnQueue() {
    defaults().setObject(settings_keys::kSignedInTokens, archivedCache(cachedTokens_));
    // Written at once: a token the server refused must not come back after a crash.
    defaults().synchronize();
}

void GADTokenDispenser::restoreOnQueue() {
    const std::optional<Value> stored = defaults().objectForKey(settings_keys::kSignedInTokens);
    if (!stored) return;
    cachedTokens_ = unarchivedCache(*stored, minimumLifespanRule());
    for (const auto& [user, entry] : cachedTokens_) {
        cachedTokenUsers_.insert_or_assign(entry.token(), user);
    }
    updateMinLifespanOnQueue();
}

}  // namespace ads
