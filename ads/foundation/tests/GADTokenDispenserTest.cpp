#include "ads/foundation/GADTokenDispenser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeSignIn.h"
#include "platform/base/LogSink.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/Timer.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {

// Reads the dispenser's state on its queue, after everything queued before, for as long as
// the test keeps the dispenser.
class GADTokenDispenserTestPeer {
  public:
    explicit GADTokenDispenserTestPeer(std::shared_ptr<GADTokenDispenser> dispenser)
        : dispenser_(std::move(dispenser)), state_(std::make_shared<State>()) {
        onQueue([state = state_](GADTokenDispenser& d) {
            const auto count = [state, &d] {
                std::lock_guard lock(state->mutex);
                state->finished = d.finishedRequests_;
                state->changed.notify_all();
            };
            count();
            d.requestFinishedForTesting_ = count;
        });
    }

    std::optional<GADTokenCacheEntry> entryFor(const GADSignedInUser& user) {
        std::optional<GADTokenCacheEntry> entry;
        onQueue([&](GADTokenDispenser& d) {
            auto found = d.cachedTokens_.find(user);
            if (found != d.cachedTokens_.end()) entry = found->second;
        });
        return entry;
    }
    std::optional<GADSignedInUser> userForToken(const std::string& token) {
        std::optional<GADSignedInUser> user;
        onQueue([&](GADTokenDispenser& d) {
            auto found = d.cachedTokenUsers_.find(token);
            if (found != d.cachedTokenUsers_.end()) user = found->second;
        });
        return user;
    }
    std::size_t cacheSize() {
        std::size_t size = 0;
        onQueue([&](GADTokenDispenser& d) { size = d.cachedTokens_.size(); });
        return size;
    }
    double minLifespan() {
        double lifespan = 0;
        onQueue([&](GADTokenDispenser& d) { lifespan = d.minLifespan_; });
        return lifespan;
    }
    std::size_t requestsInFlight() {
        std::size_t count = 0;
        onQueue([&](GADTokenDispenser& d) { count = d.requestsInFlight_.size(); });
        return count;
    }
    // The refresh timer's interval, or 0 while none runs.
    double timerInterval() {
        double interval = 0;
        onQueue([&](GADTokenDispenser& d) {
            if (d.refreshTimer_ && d.refreshTimer_->isValid())
                interval = d.refreshTimer_->interval();
        });
        return interval;
    }
    // Until `count` token requests of the dispenser have been answered (or have failed).
    bool waitForFinishedRequests(std::size_t count) {
        std::unique_lock lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::seconds(10),
                                        [&] { return state_->finished >= count; });
    }
    std::size_t finishedRequests() {
        std::lock_guard lock(state_->mutex);
        return state_->finished;
    }

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::size_t finished = 0;
    };

    void onQueue(const std::function<void(GADTokenDispenser&)>& work) {
        auto dispenser = dispenser_.lock();
        ASSERT_TRUE(dispenser);
        dispenser->queue_->sync([&] { work(*dispenser); });
    }

    // Weakly, so that a test can let the dispenser go.
    std::weak_ptr<GADTokenDispenser> dispenser_;
    std::shared_ptr<State> state_;
};

namespace {

using platform::Value;
using platform::testing::RecordedRequest;
using platform::testing::TestGate;
using platform::testing::TestHttpServer;
using testing::FakeSignIn;
using Peer = GADTokenDispenserTestPeer;
namespace keys = settings_keys;

constexpr const char* kIssuer = "https://accounts.example";
constexpr const char* kClientID = "client-7.apps";
// Secrets carry this mark, so a test can tell that none reached the log.
constexpr const char* kSecretMark = "SeCrEt";
// A refresh token with every character the form must escape.
const std::string kRefreshToken = std::string("1/refresh+") + kSecretMark + "=!*'();:@&$,?%#[] é";
const std::string kEscapedRefreshToken =
    std::string("1%2Frefresh%2B") + kSecretMark +
    "%3D%21%2A%27%28%29%3B%3A%40%26%24%2C%3F%25%23%5B%5D%20%C3%A9";

std::string tokenAnswer(const std::string& token, std::optional<double> expiresIn = 3600) {
    std::string text = "{\"access_token\":\"" + token + "\"";
    if (expiresIn) text += ",\"expires_in\":" + std::to_string(static_cast<long long>(*expiresIn));
    return text + ",\"token_type\":\"Bearer\"}";
}

// The token endpoint: answers what the test scripted, in order, else a new token valid for an
// hour; held back while a gate is set.
class TokenEndpoint {
  public:
    TokenEndpoint() {
        server_.post(GADTokenDispenser::kTokenPath,
                     [this](const httplib::Request&, httplib::Response& res) { answer(res); });
    }

    std::string origin() const { return server_.url(""); }
    TestHttpServer& server() { return server_; }
    std::vector<RecordedRequest> requests() const {
        return server_.requestsFor(GADTokenDispenser::kTokenPath);
    }
    std::size_t count() const { return server_.requestCount(GADTokenDispenser::kTokenPath); }

    void script(int status, std::string body) {
        std::lock_guard lock(mutex_);
        scripted_.emplace_back(status, std::move(body));
    }
    std::shared_ptr<TestGate> hold() {
        auto gate = server_.makeGate();
        std::lock_guard lock(mutex_);
        gate_ = gate;
        return gate;
    }
    void stopHolding() {
        std::lock_guard lock(mutex_);
        gate_.reset();
    }

  private:
    void answer(httplib::Response& res) {
        std::shared_ptr<TestGate> gate;
        std::optional<std::pair<int, std::string>> canned;
        std::string token;
        {
            std::lock_guard lock(mutex_);
            gate = gate_;
            if (!scripted_.empty()) {
                canned = std::move(scripted_.front());
                scripted_.pop_front();
            }
            token = "tok-" + std::to_string(next_++) + "-" + kSecretMark;
        }
        if (gate && !gate->wait()) {
            res.status = 503;
            return;
        }
        if (!canned) canned = std::make_pair(200, tokenAnswer(token));
        res.status = canned->first;
        res.set_content(canned->second, "application/json");
    }

    TestHttpServer server_;
    std::mutex mutex_;
    std::deque<std::pair<int, std::string>> scripted_;
    std::shared_ptr<TestGate> gate_;
    int next_ = 1;
};

// Whether a binary property list holds the ASCII text, stored as ASCII or, in a string with
// other characters, as UTF-16.
bool holdsText(const std::string& plist, const std::string& ascii) {
    std::string utf16;
    for (char c : ascii) {
        utf16 += '\0';
        utf16 += c;
    }
    return plist.find(ascii) != std::string::npos || plist.find(utf16) != std::string::npos;
}

std::string tokenNumber(int n) {
    return "tok-" + std::to_string(n) + "-" + kSecretMark;
}

class GADTokenDispenserTest : public ::testing::Test {
  protected:
    testing::AdsTestScope scope;
    platform::LogSink::Capture logs;
    TokenEndpoint endpoint;
    std::shared_ptr<platform::UserDefaults> defaults = scope.home().openDefaults();
    std::shared_ptr<FakeSignIn> signIn = FakeSignIn::create();
    // Read by the dispensers' queues, which may outlive a test's last line by a moment.
    std::shared_ptr<std::atomic<bool>> signInPresent = std::make_shared<std::atomic<bool>>(true);
    std::shared_ptr<std::atomic<bool>> limitAdTracking = std::make_shared<std::atomic<bool>>(false);
    const GADSignedInUser user{kIssuer, "user-7", kClientID, kRefreshToken};

    void SetUp() override {
        defaults->setBool(keys::kEnableSignedInAds, true);
        signIn->setClientID(kClientID);
        signIn->signIn(FakeSignIn::idTokenFor(kIssuer, "user-7"), kRefreshToken);
    }

    void TearDown() override {
        GADLogFlush();
        for (const auto& line : logs.lines()) {
            EXPECT_EQ(line.find(kSecretMark), std::string::npos) << "logged a secret: " << line;
            EXPECT_EQ(line.find("refresh_token="), std::string::npos) << "logged a body: " << line;
        }
    }

    std::shared_ptr<GADTokenDispenser> make(std::optional<std::string> origin = std::nullopt) {
        GADTokenDispenser::Environment environment;
        environment.defaults = defaults;
        environment.apiOrigin = [origin = origin.value_or(endpoint.origin())] {
            return *platform::Url::parse(origin);
        };
        environment.signIn = [signIn = signIn,
                              present = signInPresent]() -> std::shared_ptr<GADStubsForGID> {
            return present->load() ? signIn : nullptr;
        };
        environment.limitAdTracking = [limit = limitAdTracking] { return limit->load(); };
        return GADTokenDispenser::create(environment);
    }

    // The same preferences file as a later launch opens it.
    void restart(std::shared_ptr<GADTokenDispenser>& dispenser) {
        dispenser.reset();
        defaults.reset();
        defaults = scope.home().openDefaults();
    }

    static double now() { return platform::Clock::wallSeconds(); }
};

TEST_F(GADTokenDispenserTest, OneRequestPerUserUntilTheTokenArrives) {
    auto gate = endpoint.hold();
    auto dispenser = make();
    Peer peer(dispenser);
    // Every ad request asks while the first answer is on its way.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(dispenser->token(), std::nullopt);
    ASSERT_TRUE(gate->waitForArrivals(1));
    EXPECT_EQ(peer.requestsInFlight(), 1u);
    gate->release();
    ASSERT_TRUE(peer.waitForFinishedRequests(1));
    EXPECT_EQ(dispenser->token(), tokenNumber(1));
    EXPECT_EQ(dispenser->token(), tokenNumber(1));
    ASSERT_EQ(endpoint.count(), 1u);

    const RecordedRequest request = endpoint.requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    const std::string scope =
        gad_stringByEscapingAsURLParameter(endpoint.origin()) + "%2Fauth%2Fdisplay_ads";
    EXPECT_EQ(request.body, "client_id=client-7.apps&grant_type=refresh_token&refresh_token=" +
                                kEscapedRefreshToken + "&scope=" + scope);
    EXPECT_EQ(request.param("refresh_token"), kRefreshToken);
}

TEST_F(GADTokenDispenserTest, NothingWhileSignedInAdsAreOff) {
    *limitAdTracking = true;
    auto dispenser = make();
    Peer peer(dispenser);
    EXPECT_EQ(dispenser->token(), std::nullopt);
    dispenser->requestTokenForUser(user);
    EXPECT_EQ(peer.requestsInFlight(), 0u);

    // The server flag off: the library's user is not even read.
    *limitAdTracking = false;
    defaults->setBool(keys::kEnableSignedInAds, false);
    auto flagOff = make();
    Peer flagOffPeer(flagOff);
    EXPECT_EQ(flagOff->token(), std::nullopt);
    EXPECT_EQ(flagOffPeer.requestsInFlight(), 0u);

    // A user without refresh token or application id cannot be asked for.
    defaults->setBool(keys::kEnableSignedInAds, true);
    *signInPresent = false;
    auto nobody = make();
    Peer nobodyPeer(nobody);
    EXPECT_EQ(nobody->token(), std::nullopt);
    nobody->requestTokenForUser(user.withoutRefreshToken());
    nobody->requestTokenForUser(GADSignedInUser(kIssuer, "user-7", "", kRefreshToken));
    EXPECT_EQ(nobodyPeer.requestsInFlight(), 0u);
    EXPECT_EQ(endpoint.count(), 0u);
}

TEST_F(GADTokenDispenserTest, Lifespans) {
    *signInPresent = false;
    auto dispenser = make();
    Peer peer(dispenser);
    EXPECT_EQ(peer.minLifespan(), 3600);
    EXPECT_EQ(peer.timerInterval(), 0);

    // Users without an application id: nothing here may go out to the endpoint.
    const GADSignedInUser first(kIssuer, "user-7", "", "r7");
    const GADSignedInUser second(kIssuer, "user-8", "", "r8");
    const GADSignedInUser third(kIssuer, "user-9", "", "r9");
    const auto lifespanOf = [&](const std::string& answer, const GADSignedInUser& who) {
        dispenser->cacheTokenFromResponseData(
            std::vector<std::uint8_t>(answer.begin(), answer.end()), who);
        auto entry = peer.entryFor(who);
        return entry ? entry->lifespanInSeconds() : -1.0;
    };
    const std::string mark = kSecretMark;
    // Without "expires_in", into an empty cache: the default hour; the timer starts with the
    // first token.
    EXPECT_EQ(lifespanOf(tokenAnswer("a-" + mark, std::nullopt), first), 3600);
    EXPECT_EQ(peer.timerInterval(), 0.72 * 3600);
    auto entry = peer.entryFor(first);
    EXPECT_EQ(entry->expiration().secondsSince1970, now() + 3600);
    EXPECT_EQ(entry->lastAccess().secondsSince1970, now());

    // Too short a lifespan is raised to the minimum (60 s); the shortest rules the timer.
    EXPECT_EQ(lifespanOf(tokenAnswer("b-" + mark, 30), second), 60);
    EXPECT_EQ(peer.minLifespan(), 60);
    EXPECT_EQ(peer.timerInterval(), 0.72 * 60);
    // Without "expires_in" into a cache: its shortest lifespan. One that is no finite number
    // counts as absent.
    EXPECT_EQ(lifespanOf(R"({"access_token":"c-SeCrEt"})", third), 60);
    EXPECT_EQ(lifespanOf(R"({"access_token":"d-SeCrEt","expires_in":"7200"})", third), 60);
    EXPECT_EQ(lifespanOf(R"({"access_token":"e-SeCrEt","expires_in":true})", third), 60);
    // A stored minimum wins over a shorter answer.
    defaults->setDouble(keys::kMinimumSignedInAdsTokenLifespan, 900);
    EXPECT_EQ(lifespanOf(tokenAnswer("f-" + mark, 30), second), 900);
    EXPECT_EQ(lifespanOf(tokenAnswer("g-" + mark, 1800), second), 1800);
    EXPECT_EQ(peer.minLifespan(), 60);
    // The shortest lifespan follows every change, also upwards, and the timer with it.
    dispenser->refreshToken("c-SeCrEt");  // replaced by d, then e: no longer cached
    EXPECT_EQ(peer.cacheSize(), 3u);
    dispenser->refreshToken("e-SeCrEt");
    EXPECT_EQ(peer.cacheSize(), 2u);
    EXPECT_EQ(peer.minLifespan(), 1800);
    EXPECT_EQ(peer.timerInterval(), 0.72 * 1800);
    EXPECT_EQ(endpoint.count(), 0u);
}

TEST_F(GADTokenDispenserTest, TheTimerAsksBeforeTheTokenExpires) {
    auto dispenser = make();
    Peer peer(dispenser);
    ASSERT_TRUE(peer.waitForFinishedRequests(1));
    ASSERT_EQ(dispenser->token(), tokenNumber(1));

    scope.advance(2591);
    EXPECT_EQ(peer.requestsInFlight(), 0u);
    EXPECT_EQ(endpoint.count(), 1u);
    scope.advance(3240 - 2591);
    ASSERT_TRUE(peer.waitForFinishedRequests(2));
    EXPECT_EQ(endpoint.count(), 2u);
    EXPECT_EQ(dispenser->token(), tokenNumber(2));
    // The replaced token no longer names the user: a late "clear" of it drops nothing.
    EXPECT_EQ(peer.userForToken(tokenNumber(1)), std::nullopt);
    EXPECT_EQ(peer.userForToken(tokenNumber(2)), user);
    dispenser->refreshToken(tokenNumber(1));
    EXPECT_EQ(dispenser->token(), tokenNumber(2));
    EXPECT_EQ(peer.requestsInFlight(), 0u);
    EXPECT_EQ(endpoint.count(), 2u);
}

TEST_F(GADTokenDispenserTest, FailedAnswersCacheNothing) {
    const std::string oversized = R"({"access_token":"big-SeCrEt","padding":")" +
                                  std::string(GADTokenDispenser::kMaxAnswerBytes, 'x') + "\"}";
    endpoint.script(500, tokenAnswer("error-" + std::string(kSecretMark)));
    endpoint.script(200, "<html>not json</html>");
    endpoint.script(200, R"({"token_type":"Bearer","expires_in":3600})");
    endpoint.script(200, R"({"access_token":"two\r\nlines-SeCrEt"})");
    endpoint.script(200, oversized);
    auto dispenser = make();
    Peer peer(dispenser);
    for (std::size_t answered = 1; answered <= 5; ++answered) {
        ASSERT_TRUE(peer.waitForFinishedRequests(answered));
        // Looked at before asking again: the next request may be the one that succeeds.
        EXPECT_EQ(peer.cacheSize(), 0u) << answered;
        EXPECT_EQ(dispenser->token(), std::nullopt) << answered;  // asks again
    }
    ASSERT_TRUE(peer.waitForFinishedRequests(6));
    EXPECT_EQ(dispenser->token(), tokenNumber(6));

    // A connection refused: nothing listens on port 1 (a port a server that went away left
    // free may be taken by another program's meanwhile).
    restart(dispenser);
    defaults->removeObjectForKey(keys::kSignedInTokens);
    auto unreachable = make("http://127.0.0.1:1");
    Peer unreachablePeer(unreachable);
    ASSERT_TRUE(unreachablePeer.waitForFinishedRequests(1));
    EXPECT_EQ(unreachablePeer.cacheSize(), 0u);
}

TEST_F(GADTokenDispenserTest, AnExpiredTokenIsNotHandedOut) {
    auto dispenser = make();
    Peer peer(dispenser);
    ASSERT_TRUE(peer.waitForFinishedRequests(1));
    auto gate = endpoint.hold();
    // The refresh asked for at the timer cannot get through.
    scope.advance(3600);
    ASSERT_TRUE(gate->waitForArrivals(1));
    EXPECT_EQ(dispenser->token(), std::nullopt);
    gate->release();
    ASSERT_TRUE(peer.waitForFinishedRequests(2));
    EXPECT_EQ(dispenser->token(), tokenNumber(2));
}

TEST_F(GADTokenDispenserTest, AClearedTokenIsAskedForAnewAndForgotten) {
    auto dispenser = make();
    Peer peer(dispenser);
    ASSERT_TRUE(peer.waitForFinishedRequests(1));
    ASSERT_EQ(dispenser->token(), tokenNumber(1));

    dispenser->refreshToken("unknown");
    EXPECT_EQ(peer.cacheSize(), 1u);
    EXPECT_EQ(peer.requestsInFlight(), 0u);

    auto gate = endpoint.hold();
    dispenser->refreshToken(tokenNumber(1));
    ASSERT_TRUE(gate->waitForArrivals(1));
    EXPECT_EQ(peer.cacheSize(), 0u);
    EXPECT_EQ(dispenser->token(), std::nullopt);
    // The store no longer holds it, before the new token arrives.
    restart(dispenser);
    *signInPresent = false;
    dispenser = make();
    Peer restarted(dispenser);
    EXPECT_EQ(restarted.cacheSize(), 0u);
    EXPECT_EQ(restarted.userForToken(tokenNumber(1)), std::nullopt);
    gate->release();
}

TEST_F(GADTokenDispenserTest, TheCacheSurvivesARestartWithoutTheRefreshToken) {
    auto dispenser = make();
    {
        Peer peer(dispenser);
        ASSERT_TRUE(peer.waitForFinishedRequests(1));
    }
    const double received = now();
    restart(dispenser);

    struct stat info {};
    ASSERT_EQ(::stat(defaults->filePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream file(defaults->filePath(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    EXPECT_TRUE(holdsText(bytes, tokenNumber(1)));
    EXPECT_FALSE(holdsText(bytes, "1/refresh+"));

    // Restored without the library: the entry and the reverse index, but no refresh token.
    *signInPresent = false;
    dispenser = make();
    {
        Peer peer(dispenser);
        auto entry = peer.entryFor(user);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->token(), tokenNumber(1));
        EXPECT_EQ(entry->expiration().secondsSince1970, received + 3600);
        EXPECT_EQ(peer.userForToken(tokenNumber(1)), user);
        EXPECT_EQ(peer.userForToken(tokenNumber(1))->refreshToken(), "");
        EXPECT_EQ(peer.userForToken(tokenNumber(1))->applicationID(), kClientID);
        EXPECT_EQ(peer.timerInterval(), 0.72 * 3600);
    }
    restart(dispenser);

    // With the library: the same user brings the refresh token back, so a cleared token can be
    // asked for anew.
    *signInPresent = true;
    dispenser = make();
    Peer peer(dispenser);
    EXPECT_EQ(dispenser->token(), tokenNumber(1));
    EXPECT_EQ(endpoint.count(), 1u);
    dispenser->refreshToken(tokenNumber(1));
    ASSERT_TRUE(peer.waitForFinishedRequests(1));
    EXPECT_EQ(dispenser->token(), tokenNumber(2));
    EXPECT_EQ(endpoint.requests().back().param("refresh_token"), kRefreshToken);
}

TEST_F(GADTokenDispenserTest, StoredEntriesAreCheckedAndOthersUsersExpire) {
    const double at = now();
    const auto stored = [&](const std::string& userID, Value entry) {
        return Value::dictionary(
            {{"user", GADSignedInUser(kIssuer, userID, kClientID, "stored-refresh").archive()},
             {"entry", std::move(entry)}});
    };
    const auto entry = [&](const std::string& token, double lifespan) {
        return GADTokenCacheEntry(token, platform::Date{at}, platform::Date{at + 1000}, lifespan)
            .archive();
    };
    Value broken = entry("broken-SeCrEt", 600);
    broken.set("expiration", Value(std::nan("")));
    Value missing = entry("missing-SeCrEt", 600);
    missing.erase("lastAccess");
    defaults->setObject(keys::kSignedInTokens,
                        Value::array({stored("short", entry("short-SeCrEt", 10)),
                                      stored("other", entry("other-SeCrEt", 600)),
                                      stored("broken", broken), stored("missing", missing),
                                      stored("header", entry("a\nb", 600)), Value("junk")}));
    *signInPresent = false;
    auto dispenser = make();
    Peer peer(dispenser);
    EXPECT_EQ(peer.cacheSize(), 2u);
    // Raised to the minimum lifespan rule.
    const GADSignedInUser shortUser(kIssuer, "short", "", "");
    EXPECT_EQ(peer.entryFor(shortUser)->lifespanInSeconds(), 60);
    EXPECT_EQ(peer.minLifespan(), 60);
    // Never a refresh token from the store.
    EXPECT_EQ(peer.userForToken("other-SeCrEt")->refreshToken(), "");

    // Users of an earlier run cannot be refreshed; their entries go once expired.
    scope.advance(999);
    EXPECT_EQ(peer.cacheSize(), 2u);
    scope.advance(60);
    EXPECT_EQ(peer.cacheSize(), 0u);
    EXPECT_EQ(peer.timerInterval(), 0);
    EXPECT_EQ(endpoint.count(), 0u);
    dispenser.reset();
    EXPECT_EQ(defaults->objectForKey(keys::kSignedInTokens), Value(Value::Array{}));

    // Anything but a list is ignored.
    defaults->setObject(keys::kSignedInTokens, Value("junk"));
    dispenser = make();
    EXPECT_EQ(Peer(dispenser).cacheSize(), 0u);
}

TEST_F(GADTokenDispenserTest, FollowsTheLibrarysChanges) {
    auto dispenser = make();
    Peer peer(dispenser);
    ASSERT_TRUE(peer.waitForFinishedRequests(1));
    EXPECT_EQ(signIn->observerCount(), 1u);

    signIn->signIn(FakeSignIn::idTokenFor(kIssuer, "user-8"), "refresh-8-SeCrEt");
    signIn->announce("currentUser");
    ASSERT_TRUE(peer.waitForFinishedRequests(2));
    EXPECT_EQ(dispenser->token(), tokenNumber(2));
    EXPECT_EQ(endpoint.requests().back().param("refresh_token"), "refresh-8-SeCrEt");

    // Back to the first user: its token is still cached.
    signIn->signIn(FakeSignIn::idTokenFor(kIssuer, "user-7"), kRefreshToken);
    signIn->announce("clientID");
    EXPECT_EQ(dispenser->token(), tokenNumber(1));

    signIn->signOut();
    signIn->announce("currentUser");
    EXPECT_EQ(dispenser->token(), std::nullopt);
    EXPECT_EQ(endpoint.count(), 2u);

    dispenser.reset();
    EXPECT_EQ(signIn->observerCount(), 0u);
}

// The process's own dispenser, as the program has it: made by the SDK's start-up, with the
// library found in the class registry, the standard defaults, the device's tracking choice
// and the API origin from the environment. It stays for the rest of the process.
TEST_F(GADTokenDispenserTest, TheSDKsStartUpMakesTheProcesssDispenser) {
    if (GADApplicationTestPeer(GADApplication::sharedInstance()).hasRunEarlyActivities()) {
        GTEST_SKIP() << "the start-up already ran in this process; CTest runs each test alone";
    }
    platform::UserDefaults::standard().setBool(keys::kEnableSignedInAds, true);
    platform::AdvertisingIdentifier::setOverrideForTesting(
        platform::AdvertisingIdentifier::Override{std::nullopt, true});
    ::setenv(kGADAdsAPIVariable, endpoint.origin().c_str(), 1);
    platform::ClassRegistry& registry = platform::ClassRegistry::shared();
    FakeSignIn::registerLibrary(registry, signIn);

    GADApplication::sharedInstance()->runEarlyActivities();
    Peer peer(GADTokenDispenser::sharedInstance());
    ASSERT_TRUE(peer.waitForFinishedRequests(1));
    EXPECT_EQ(GADTokenDispenser::sharedInstance()->token(), tokenNumber(1));
    EXPECT_EQ(endpoint.requests().front().param("client_id"), kClientID);

    for (const char* name : {GADStubsForGID::kSignInClassName, GADStubsForGID::kUserClassName,
                             GADStubsForGID::kAuthenticationClassName}) {
        registry.unregisterClass(name);
    }
    ::unsetenv(kGADAdsAPIVariable);
    platform::AdvertisingIdentifier::setOverrideForTesting(std::nullopt);
}

}  // namespace
}  // namespace ads
