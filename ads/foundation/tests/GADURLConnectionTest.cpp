#include "ads/foundation/GADURLConnection.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ads/foundation/GADRequestError.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/net/HttpDate.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/AppPaths.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Url;
using platform::UrlRequest;
using platform::UrlResponse;
using platform::testing::TestHttpServer;

Url urlOf(const std::string& text) {
    return Url::parse(text).value();
}

// Writes down what a connection says, in order, and answers as told.
class Recorder : public GADURLConnectionDelegate {
  public:
    std::function<std::optional<platform::Error>(const Url&)> onRedirect;
    bool useCache = false;
    std::function<void(GADURLConnection&)> onFinish;

    std::optional<platform::Error> connectionShouldRedirectToURL(GADURLConnection&,
                                                                 const Url& url) override {
        events.push_back("redirect? " + url.absoluteString());
        return onRedirect ? onRedirect(url) : std::nullopt;
    }
    void connectionLoadDidReceiveRedirectResponse(GADURLConnection&,
                                                  const UrlResponse& r) override {
        events.push_back("redirected " + std::to_string(r.statusCode));
    }
    bool connectionLoadShouldUseCachedResponse(GADURLConnection&, const UrlResponse& r) override {
        events.push_back("response " + std::to_string(r.statusCode));
        return useCache;
    }
    void connectionLoadDidReceiveCachedResponse(GADURLConnection&, const UrlResponse& r) override {
        events.push_back("cached " + std::to_string(r.statusCode));
    }
    void connectionLoadDidFinish(GADURLConnection& c, const std::optional<std::string>& text,
                                 const std::optional<Url>& base) override {
        events.push_back("finish");
        body = text;
        baseURL = base;
        done = true;
        if (onFinish) onFinish(c);
    }
    void connectionLoadDidFail(GADURLConnection&, const std::optional<platform::Error>& e,
                               std::int64_t status) override {
        events.push_back("fail " + std::to_string(status));
        error = e;
        done = true;
    }

    std::vector<std::string> events;
    std::optional<std::string> body;
    std::optional<Url> baseURL;
    std::optional<platform::Error> error;
    bool done = false;
};

class GADURLConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override { GADURLConnection::clearCache(); }
    void TearDown() override { GADURLConnection::clearCache(); }

    bool load(const std::shared_ptr<GADURLConnection>& connection,
              const std::shared_ptr<Recorder>& recorder, const std::string& url) {
        recorder->done = false;
        if (!connection->startWithRequestURL(UrlRequest(urlOf(url)), recorder)) return false;
        return platform::testing::runMainLoopUntil([&] { return recorder->done; });
    }

    // A mediation-like answer that may be kept for `maxAge` seconds from now.
    void cacheable(const std::string& path, const std::string& body, int maxAge = 300) {
        server.get(path, [body, maxAge](const httplib::Request&, httplib::Response& res) {
            res.set_header("Date", platform::formatHttpDate({platform::Clock::wallSeconds()}));
            res.set_header("Cache-Control", "max-age=" + std::to_string(maxAge));
            res.set_content(body, "application/json");
        });
    }

    testing::AdsTestScope scope;
    TestHttpServer server;
};

TEST_F(GADURLConnectionTest, FollowsARedirectChainAskingAtEachStep) {
    server.redirect("/a", "/b", 301);
    server.redirect("/b", "/c", 302);
    server.text("/c", "<html>ad</html>", 200, "text/html");
    auto recorder = std::make_shared<Recorder>();
    auto connection = GADURLConnection::create();
    ASSERT_TRUE(load(connection, recorder, server.url("/a")));
    EXPECT_EQ(recorder->events,
              (std::vector<std::string>{"redirect? " + server.url("/b"), "redirected 301",
                                        "redirect? " + server.url("/c"), "redirected 302",
                                        "response 200", "finish"}));
    EXPECT_EQ(recorder->body, "<html>ad</html>");
    EXPECT_EQ(recorder->baseURL->absoluteString(), server.url("/c"));
    // Done: the connection forgot the request and may start again.
    EXPECT_FALSE(connection->isInProgress());
    EXPECT_FALSE(connection->sourceURL());
}

TEST_F(GADURLConnectionTest, ARefusedRedirectFailsWithTheRefusalAndNoStatus) {
    server.redirect("/a", "/b");
    server.text("/b", "never");
    auto recorder = std::make_shared<Recorder>();
    recorder->onRedirect = [](const Url&) {
        return std::optional(platform::Error::make("test", 7));
    };
    auto connection = GADURLConnection::create();
    ASSERT_TRUE(load(connection, recorder, server.url("/a")));
    EXPECT_EQ(recorder->events,
              (std::vector<std::string>{"redirect? " + server.url("/b"), "fail -1"}));
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->domain, "test");
    EXPECT_EQ(recorder->error->code, 7);
    EXPECT_EQ(server.requestCount("/b"), 0u);
    EXPECT_FALSE(connection->isInProgress());
}

TEST_F(GADURLConnectionTest, OneRequestAtATimeAndNothingSaidInsideStart) {
    auto gate = server.makeGate();
    server.stalled("/slow", gate, "late");
    auto recorder = std::make_shared<Recorder>();
    auto connection = GADURLConnection::create();
    ASSERT_TRUE(connection->startWithRequestURL(UrlRequest(urlOf(server.url("/slow"))), recorder));
    platform::Error error;
    EXPECT_FALSE(
        connection->startWithRequestURL(UrlRequest(urlOf(server.url("/other"))), recorder, &error));
    EXPECT_EQ(error.domain, "com.zivivu.ads");
    EXPECT_EQ(error.code, kGADErrorNetworkError);
    EXPECT_EQ(error.localizedDescription(), "Ignoring -- Currently loading " + server.url("/slow"));
    gate->release();
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return recorder->done; }));
    EXPECT_EQ(recorder->body, "late");

    // A request that cannot be made is told on the next turn, not from inside start.
    for (const char* bad : {"ftp://127.0.0.1/x", "mailto:ads@example.com", "/relative"}) {
        auto failing = std::make_shared<Recorder>();
        auto other = GADURLConnection::create();
        ASSERT_TRUE(other->startWithRequestURL(UrlRequest(urlOf(bad)), failing)) << bad;
        EXPECT_TRUE(failing->events.empty()) << bad;
        EXPECT_TRUE(other->isInProgress());
        scope.runUntilIdle();
        EXPECT_EQ(failing->events, std::vector<std::string>{"fail -1"}) << bad;
        EXPECT_FALSE(failing->error);
    }
}

TEST_F(GADURLConnectionTest, OnlyA2xxAnswerIsLoaded) {
    server.text("/missing", "<html>not found page</html>", 404, "text/html");
    server.text("/moved", "", 304);
    server.get("/latin1", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("caf\xe9"), "text/html");
    });
    auto connection = GADURLConnection::create();

    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(connection, recorder, server.url("/missing")));
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"response 404", "fail 404"}));
    EXPECT_FALSE(recorder->error);
    EXPECT_FALSE(recorder->body);

    recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(connection, recorder, server.url("/moved")));
    EXPECT_EQ(recorder->events.back(), "fail 304");

    // Loaded, but not text.
    recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(connection, recorder, server.url("/latin1")));
    EXPECT_EQ(recorder->events.back(), "finish");
    EXPECT_FALSE(recorder->body);
}

TEST_F(GADURLConnectionTest, ABodyPastTheCapIsANetworkFailure) {
    const std::string megabyte(1024 * 1024, 'a');
    // Streamed: the head came, so its status goes with the failure.
    server.chunked("/streamed", std::vector<std::string>(9, megabyte));
    // Announced: refused at its head, before any status reached us.
    server.get("/announced", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(GADURLConnection::kMaxBodyBytes + 1, 'a'), "text/html");
    });
    server.chunked("/at-the-cap", std::vector<std::string>(8, megabyte));
    auto connection = GADURLConnection::create();
    for (const auto& [path, outcome] :
         {std::pair{"/streamed", "fail 200"}, std::pair{"/announced", "fail 0"}}) {
        auto recorder = std::make_shared<Recorder>();
        ASSERT_TRUE(load(connection, recorder, server.url(path)));
        EXPECT_EQ(recorder->events.back(), outcome) << path;
        ASSERT_TRUE(recorder->error) << path;
        EXPECT_EQ(recorder->error->code, platform::kUrlErrorDataLengthExceedsMaximum);
    }
    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(connection, recorder, server.url("/at-the-cap")));
    EXPECT_EQ(recorder->events.back(), "finish");
    EXPECT_EQ(recorder->body->size(), std::size_t(GADURLConnection::kMaxBodyBytes));
}

TEST_F(GADURLConnectionTest, CancelAndReleaseSilenceTheDelegate) {
    auto gate = server.makeGate();
    server.stalled("/slow", gate, "late");
    auto recorder = std::make_shared<Recorder>();
    auto cancelled = GADURLConnection::create();
    ASSERT_TRUE(cancelled->startWithRequestURL(UrlRequest(urlOf(server.url("/slow"))), recorder));
    auto released = GADURLConnection::create();
    ASSERT_TRUE(released->startWithRequestURL(UrlRequest(urlOf(server.url("/slow"))), recorder));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/slow") == 2; }));
    cancelled->cancel();
    EXPECT_FALSE(cancelled->isInProgress());
    released.reset();
    gate->release();
    // A third load behind them shows that everything in flight has been heard.
    auto last = std::make_shared<Recorder>();
    server.text("/last", "done");
    ASSERT_TRUE(load(GADURLConnection::create(), last, server.url("/last")));
    scope.runUntilIdle();
    EXPECT_TRUE(recorder->events.empty());

    // A start failure on its way is called off too.
    auto failing = GADURLConnection::create();
    ASSERT_TRUE(failing->startWithRequestURL(UrlRequest(urlOf("ftp://x/y")), recorder));
    failing->stop();
    scope.runUntilIdle();
    EXPECT_TRUE(recorder->events.empty());
}

TEST_F(GADURLConnectionTest, AFreshAgreedAnswerStandsInForLaterAnswersUntilItExpires) {
    std::string served = "first";
    server.get("/mads/gma", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Date", platform::formatHttpDate({platform::Clock::wallSeconds()}));
        res.set_header("Cache-Control", "max-age=300");
        res.set_content(served, "application/json");
    });
    const std::string url = server.url("/mads/gma?slotname=unit-1&rnd=1");
    auto recorder = std::make_shared<Recorder>();
    recorder->useCache = true;
    ASSERT_TRUE(load(GADURLConnection::create(), recorder, url));
    EXPECT_EQ(recorder->body, "first");
    EXPECT_EQ(GADURLConnection::memoryCache().count(), 1u);

    // The server has a new answer, but the slot's stored one is fresh: a new connection still
    // asks the server (the delegate decides on its answer's head) and then hands over the
    // stored body, with the URL it came from as its base.
    served = "second";
    recorder = std::make_shared<Recorder>();
    recorder->useCache = true;
    ASSERT_TRUE(
        load(GADURLConnection::create(), recorder, server.url("/mads/gma?slotname=unit-1&rnd=2")));
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"response 200", "cached 200", "finish"}));
    EXPECT_EQ(recorder->body, "first");
    EXPECT_EQ(recorder->baseURL->absoluteString(), url);

    // A connection that already agreed answers from the cache at start, on the next turn.
    auto connection = GADURLConnection::create();
    ASSERT_TRUE(load(connection, recorder, url));
    EXPECT_TRUE(connection->allowCache());
    const std::size_t requests = server.requestCount("/mads/gma");
    recorder->events.clear();
    ASSERT_TRUE(connection->startWithRequestURL(UrlRequest(urlOf(url)), recorder));
    EXPECT_TRUE(recorder->events.empty());
    scope.runUntilIdle();
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"cached 200", "finish"}));
    EXPECT_EQ(server.requestCount("/mads/gma"), requests);

    // Past its expiry the entry goes, and the server's answer counts again.
    scope.advance(301);
    recorder = std::make_shared<Recorder>();
    recorder->useCache = true;
    ASSERT_TRUE(load(GADURLConnection::create(), recorder, url));
    EXPECT_EQ(recorder->body, "second");
}

TEST_F(GADURLConnectionTest, OnlyAgreedSuccessfulAnswersAreStored) {
    cacheable("/html", "<html>ad</html>");
    server.get("/error", [](const httplib::Request&, httplib::Response& res) {
        res.status = 503;
        res.set_header("Cache-Control", "max-age=300");
        res.set_content("{}", "application/json");
    });
    cacheable("/json", "{}", 0);
    auto connection = GADURLConnection::create();
    auto recorder = std::make_shared<Recorder>();
    // Not agreed (an HTML answer).
    ASSERT_TRUE(load(connection, recorder, server.url("/html")));
    // Agreed, but a failure.
    recorder->useCache = true;
    ASSERT_TRUE(load(connection, recorder, server.url("/error")));
    EXPECT_EQ(recorder->events.back(), "fail 503");
    EXPECT_FALSE(connection->allowCache());
    // Agreed and loaded, but "max-age=0".
    ASSERT_TRUE(load(connection, recorder, server.url("/json")));
    EXPECT_EQ(GADURLConnection::memoryCache().count(), 0u);
    // The same connection, agreeing, then refusing: the refused answer stays out.
    cacheable("/later", "<html>later</html>");
    recorder->useCache = false;
    ASSERT_TRUE(load(connection, recorder, server.url("/later")));
    EXPECT_EQ(GADURLConnection::memoryCache().count(), 0u);
}

TEST_F(GADURLConnectionTest, SlotRequestsShareACacheKey) {
    auto key = [](const std::string& url) { return GADURLConnection::cacheKeyForURL(urlOf(url)); };
    EXPECT_EQ(key("https://ads.example/mads/gma?slotname=a&rnd=1&t=2"),
              key("https://ads.example/mads/gma?rnd=9&slotname=a"));
    EXPECT_EQ(key("https://ads.example/mads/gma?slotname=a"),
              key("http://ads.example/mads/gma?slotname=a#x"));
    EXPECT_NE(key("https://ads.example/mads/gma?slotname=a"),
              key("https://ads.example/mads/gma?slotname=b"));
    EXPECT_NE(key("https://ads.example/mads/gma?slotname=a"),
              key("https://other.example/mads/gma?slotname=a"));
    // Where host, path and slot meet is part of the key.
    EXPECT_NE(key("https://ads.example/a?slotname=b"), key("https://ads.example/ab?slotname="));
    EXPECT_NE(key("https://ads.example/a%0A4:/x?slotname=b"),
              key("https://ads.example/a?slotname=4:/x%0Ab"));
    // Without a slot, the whole text.
    EXPECT_NE(key("https://ads.example/x?a=1"), key("https://ads.example/x?a=2"));
    EXPECT_EQ(GADURLConnection::cacheKeyForURL(urlOf("https://ads.example/x")).size(), 16u);
    EXPECT_EQ(GADURLConnection::defaultCachePath(), platform::AppPaths::caches() / "DuRez");
}

}  // namespace
}  // namespace ads
