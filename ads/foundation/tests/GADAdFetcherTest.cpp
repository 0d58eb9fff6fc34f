#include "ads/foundation/GADAdFetcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <vector>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADTiming.h"
#include "ads/foundation/GADTokenDispenser.h"
#include "ads/foundation/GADURLConnection.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeSignIn.h"
#include "platform/base/LogSink.h"
#include "platform/net/HttpDate.h"
#include "platform/net/HttpRedirect.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Url;
using platform::UrlRequest;
using platform::Value;
using platform::testing::TestHttpServer;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;
namespace keys = settings_keys;

Url urlOf(const std::string& text) {
    return Url::parse(text).value();
}

// Writes down what a fetcher says.
class Recorder : public GADAdFetcherDelegate {
  public:
    void adFetcherDidFetchAd(GADAdFetcher&, const std::shared_ptr<GADAd>& fetched) override {
        events.push_back("fetched");
        ad = fetched;
    }
    void adFetcherDidFailToFetchAd(GADAdFetcher&, const std::shared_ptr<GADAd>& failed,
                                   const GADRequestError& e, std::int64_t status) override {
        events.push_back("failed " + std::to_string(e.code) + " " + std::to_string(status));
        ad = failed;
        error = e.error();
    }

    std::vector<std::string> events;
    std::shared_ptr<GADAd> ad;
    std::optional<platform::Error> error;
};

// Hears the switch of content hashing.
class HashingEngine : public GADContentHashingEngine {
  public:
    void startContentHashing() override { events.push_back("start"); }
    void stopContentHashing() override { events.push_back("stop"); }
    std::vector<std::string> events;
};

class GADAdFetcherTest : public ::testing::Test {
  protected:
    void SetUp() override { GADURLConnection::clearCache(); }
    void TearDown() override {
        GADURLConnection::clearCache();
        GADLogFlush();
    }

    // Fetches the URL and turns the loop until the delegate has heard.
    std::shared_ptr<Recorder> fetch(const std::string& url,
                                    std::shared_ptr<GADAdFetcher> fetcher = nullptr) {
        if (!fetcher) fetcher = GADAdFetcher::create(environment);
        auto recorder = std::make_shared<Recorder>();
        EXPECT_TRUE(fetcher->fetchRequestURL(UrlRequest(urlOf(url)), recorder));
        EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return !recorder->events.empty(); }));
        scope.runUntilIdle();
        return recorder;
    }

    // Applies header fields to an ad that needs nothing fetched.
    std::shared_ptr<Recorder> apply(const Value& headers, std::shared_ptr<GADAd> ad = nullptr) {
        auto fetcher = GADAdFetcher::create(environment);
        if (!ad) ad = GADAd::create();
        ad->setAdHTML("<p>ad</p>");
        auto recorder = std::make_shared<Recorder>();
        EXPECT_TRUE(fetcher->fetchRemainingContentForAd(ad, headers.asDictionary(), recorder));
        scope.runUntilIdle();
        return recorder;
    }

    // A route that answers `body` with the given header fields.
    void answer(const std::string& path, std::vector<std::pair<std::string, std::string>> fields,
                std::string body = "<p>ad</p>", std::string type = "text/html") {
        server.get(path, [=](const httplib::Request&, httplib::Response& res) {
            for (const auto& [name, value] : fields) res.set_header(name.c_str(), value);
            res.set_content(body, type.c_str());
        });
    }

    testing::AdsTestScope scope;
    platform::LogSink::Capture logs;
    TestHttpServer server;
    std::shared_ptr<GADApplication> application = GADApplicationTestPeer::create();
    std::shared_ptr<GADCSI> csi = GADCSI::create(GADCSIConfiguration::create(GADCSI::kServiceName));
    GADAdFetcher::Environment environment{application, nullptr, csi};
};

TEST_F(GADAdFetcherTest, IsUsedOnceAndSpeaksOnlyAfterTheFetchCallReturned) {
    auto fetcher = GADAdFetcher::create(environment);
    EXPECT_TRUE(std::regex_match(fetcher->timer()->category(),
                                 std::regex(R"(GADAdFetcher \(0x[0-9a-f]+\))")));
    auto recorder = std::make_shared<Recorder>();
    // Nothing to load: "no ad", but not from inside the call.
    EXPECT_TRUE(fetcher->fetchRequestURL(std::nullopt, recorder));
    EXPECT_TRUE(recorder->events.empty());
    EXPECT_TRUE(fetcher->adConnectionHasCompleted());
    EXPECT_TRUE(fetcher->timer()->isActive());

    platform::Error error;
    EXPECT_FALSE(fetcher->fetchRequestURL(UrlRequest(urlOf(server.url("/ad"))), recorder, &error));
    EXPECT_EQ(error.code, kGADErrorNetworkError);
    EXPECT_EQ(error.localizedDescription(), GADAdFetcher::kAlreadyUsedMessage);
    EXPECT_FALSE(fetcher->fetchRemainingContentForAd(GADAd::create(), std::nullopt, recorder));

    scope.runUntilIdle();
    EXPECT_EQ(recorder->events, std::vector<std::string>{"failed 1 0"});
    EXPECT_FALSE(fetcher->timer()->isActive());
    EXPECT_EQ(server.requestCount("/ad"), 0u);

    // Cancelled or let go before the next turn: nobody hears anything.
    auto cancelled = GADAdFetcher::create(environment);
    cancelled->fetchRequestURL(std::nullopt, recorder);
    cancelled->cancel();
    GADAdFetcher::create(environment)->fetchRequestURL(std::nullopt, recorder);
    scope.runUntilIdle();
    EXPECT_EQ(recorder->events.size(), 1u);
}

TEST_F(GADAdFetcherTest, FailedAnswersBecomeTheSDKsCodesWithTheirStatus) {
    server.text("/rejected", "bad parameters", 400);
    server.text("/missing", "<p>not found</p>", 404);
    server.text("/broken", "oops", 503);
    server.text("/unchanged", "", 304);
    server.text("/empty", "", 200, "text/html");
    auto closed = std::make_unique<TestHttpServer>();
    const std::string refused = closed->url("/ad");
    closed->stop();

    struct Case {
        std::string url;
        std::string heard;
    };
    for (const Case& c : std::vector<Case>{
             {server.url("/rejected"), "failed 0 400"},
             {server.url("/missing"), "failed 3 404"},
             {server.url("/broken"), "failed 3 503"},
             {server.url("/unchanged"), "failed 2 304"},
             {server.url("/empty"), "failed 1 0"},
             {refused, "failed 13 -1"},
         }) {
        auto recorder = fetch(c.url);
        EXPECT_EQ(recorder->events, std::vector<std::string>{c.heard}) << c.url;
        ASSERT_TRUE(recorder->ad);
        // A failed answer's body is never the ad's.
        if (c.heard != "failed 1 0") {
            EXPECT_FALSE(recorder->ad->adHTML()) << c.url;
        }
    }
    GADLogFlush();
    std::size_t rejections = 0;
    for (const auto& line : logs.lines())
        rejections += line.find(GADAdFetcher::kRejectedParametersMessage) != std::string::npos;
    EXPECT_EQ(rejections, 1u);

    // 400 carries no status of its own; 404 does.
    auto rejected = fetch(server.url("/rejected"));
    EXPECT_FALSE(rejected->error->userInfo.contains(GADRequestError::kHttpStatusKey));
    auto missing = fetch(server.url("/missing"));
    EXPECT_TRUE(missing->error->userInfo.contains(GADRequestError::kHttpStatusKey));
}

TEST_F(GADAdFetcherTest, TheResponseTypeComesFromTheAnswersFields) {
    answer("/mediation", {{"X-Rade-Mediation", "1"}}, "{\"ad_networks\":[]}",
           "application/json; charset=utf-8");
    answer("/not-json", {{"x-rade-mediation", "1"}});
    answer("/native", {{"x-rade-ad-format", "Native"}}, "{}", "application/json");
    answer("/custom", {{"x-rade-custom-rendering-allowed", "1"}});

    auto mediation = fetch(server.url("/mediation"));
    EXPECT_EQ(mediation->events, std::vector<std::string>{"fetched"});
    EXPECT_EQ(mediation->ad->responseType(), GADAdResponseType::Mediation);
    EXPECT_EQ(mediation->ad->adHTML(), "{\"ad_networks\":[]}");

    // Told once, although the body still arrives after the fields.
    auto broken = fetch(server.url("/not-json"));
    EXPECT_EQ(broken->events, std::vector<std::string>{"failed 3 0"});
    EXPECT_EQ(broken->ad->responseType(), GADAdResponseType::Invalid);

    EXPECT_EQ(fetch(server.url("/native"))->ad->responseType(), GADAdResponseType::Native);
    EXPECT_EQ(fetch(server.url("/custom"))->ad->responseType(), GADAdResponseType::CustomRendering);

    // Fields the SDK core handed over that make the answer unusable fail on the next turn.
    auto ad = GADAd::create();
    ad->setAdHTML("{}");
    auto recorder = std::make_shared<Recorder>();
    auto fetcher = GADAdFetcher::create(environment);
    EXPECT_TRUE(fetcher->fetchRemainingContentForAd(
        ad, Value::dictionary({{"x-rade-mediation", "1"}}).asDictionary(), recorder));
    EXPECT_TRUE(recorder->events.empty());
    scope.runUntilIdle();
    EXPECT_EQ(recorder->events, std::vector<std::string>{"failed 3 0"});
}

TEST_F(GADAdFetcherTest, RedirectsAreFollowedAndTheirFieldsApplied) {
    server.get("/start", [&](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", server.url("/final"));
        res.set_header("x-rade-tracking-urls", "http://imp.test/1");
    });
    // A relative tracking URL is the answer's own, like the ad's base URL.
    answer("/final", {{"x-rade-tracking-urls", "http://imp.test/2 /imp/3"}});
    auto recorder = fetch(server.url("/start"));
    ASSERT_EQ(recorder->events, std::vector<std::string>{"fetched"});
    EXPECT_EQ(recorder->ad->adBaseURL()->absoluteString(), server.url("/final"));
    std::vector<std::string> impressions;
    for (const auto& url : recorder->ad->impressionURLs())
        impressions.push_back(url.absoluteString());
    EXPECT_EQ(impressions, (std::vector<std::string>{"http://imp.test/1", "http://imp.test/2",
                                                     server.url("/imp/3")}));

    // Fields handed over with an ad resolve against its base URL.
    auto ad = GADAd::create();
    ad->setAdHTML("<p>ad</p>");
    ad->setAdBaseURL(platform::Url::parse("https://ads.test/mads/x"));
    auto handedOver = std::make_shared<Recorder>();
    EXPECT_TRUE(GADAdFetcher::create(environment)
                    ->fetchRemainingContentForAd(
                        ad,
                        Value::dictionary({{"x-rade-click-tracking-urls", "c?1"}}).asDictionary(),
                        handedOver));
    ASSERT_EQ(ad->clickURLs().size(), 1u);
    EXPECT_EQ(ad->clickURLs()[0].absoluteString(), "https://ads.test/mads/c?1");
}

TEST_F(GADAdFetcherTest, AnAdServerAnswerFillsTheAd) {
    testing::AdServerFixture ads;
    ads.server().setScenario("ca-movu-fetch", AdScenario::banner()
                                                  .withRefreshRate(12)
                                                  .withAdSize("300x250")
                                                  .withDebugDialog("debug me")
                                                  .withOrientation("landscape")
                                                  .withManualImpressions()
                                                  .withHeader("X-Rade-Fluid", "height")
                                                  .withHeader("x-rade-activeview", "{\"a\":1}"));
    auto recorder = fetch(ads.origin() + "/mads/gma?slotname=ca-movu-fetch&request_id=1");
    ASSERT_EQ(recorder->events, std::vector<std::string>{"fetched"});
    const GADAd& ad = *recorder->ad;
    EXPECT_EQ(ad.responseType(), GADAdResponseType::HTML);
    EXPECT_NE(ad.adHTML()->find("<html"), std::string::npos);
    EXPECT_EQ(ad.adBaseURL()->absoluteString(),
              ads.origin() + "/mads/gma?slotname=ca-movu-fetch&request_id=1");
    EXPECT_EQ(ad.reloadInterval(), 12);
    EXPECT_EQ(ad.customAdSizeString(), "300x250");
    EXPECT_EQ(ad.debugDialog(), "debug me");
    EXPECT_EQ(ad.supportedOrientations(), 24u);
    EXPECT_TRUE(ad.fluid());
    EXPECT_TRUE(ad.scrollEnabled());
    EXPECT_EQ(Value(*ad.activeViewConfigurations()), Value::dictionary({{"a", 1}}));
    ASSERT_EQ(ad.impressionURLs().size(), 1u);
    ASSERT_EQ(ad.clickURLs().size(), 1u);
    ASSERT_EQ(ad.manualImpressionURLs().size(), 1u);
    EXPECT_NE(ad.impressionURLs()[0].absoluteString().find("/mads/imp?slot=ca-movu-fetch"),
              std::string::npos);
    EXPECT_NE(ad.clickURLs()[0].absoluteString().find("/mads/clk?"), std::string::npos);
    // The fields as the ad keeps them: names lowercased.
    EXPECT_EQ(ad.responseHeaders()->at("x-rade-fluid"), Value("height"));
    EXPECT_EQ(ad.responseHeaders()->count("X-Rade-Fluid"), 0u);
}

TEST_F(GADAdFetcherTest, TheServerSwitchesContentHashingAndHttpsForTheWholeSDK) {
    auto engine = std::make_shared<HashingEngine>();
    application->setContentHashingEngine(engine);
    platform::UserDefaults& defaults = platform::UserDefaults::standard();

    apply(Value::dictionary({{"X-RADE-Content-URL-Opted-Out", "false"}}));
    EXPECT_TRUE(GADApplicationTestPeer(application).isContentHashing());
    EXPECT_EQ(defaults.objectForKey(keys::kContentURLEnabled), Value(true));
    // Absent says "stop" as much as any other word.
    apply(Value::dictionary());
    EXPECT_FALSE(GADApplicationTestPeer(application).isContentHashing());
    EXPECT_FALSE(defaults.hasKey(keys::kContentURLEnabled));
    EXPECT_EQ(engine->events, (std::vector<std::string>{"start", "stop"}));

    // Without the field https is only written down as off while nothing was stored.
    EXPECT_EQ(defaults.objectForKey(keys::kUseHttps), Value(false));
    apply(Value::dictionary({{"x-rade-use-https", "1"}}));
    EXPECT_EQ(defaults.objectForKey(keys::kUseHttps), Value(true));
    apply(Value::dictionary());
    EXPECT_EQ(defaults.objectForKey(keys::kUseHttps), Value(true));
    apply(Value::dictionary({{"x-rade-use-https", "false"}}));
    EXPECT_EQ(defaults.objectForKey(keys::kUseHttps), Value(false));

    // Refresh rates that are no period leave the ad's as it was.
    for (auto [rate, expected] : {std::pair{"-5", 30.0}, {"12abc", 30.0}, {"0", 0.0}}) {
        auto ad = GADAd::create();
        ad->setReloadInterval(30);
        auto recorder = apply(Value::dictionary({{"x-rade-refresh-rate", rate}}), ad);
        EXPECT_EQ(recorder->events, std::vector<std::string>{"fetched"});
        EXPECT_EQ(ad->reloadInterval(), expected) << rate;
    }

    // The performance reports of this load name the server's query.
    EXPECT_FALSE(csi->ZWSQueryID());
    apply(Value::dictionary({{"X-Rade-Zws-Query-Id", "query-7"}}));
    EXPECT_EQ(csi->ZWSQueryID(), "query-7");
}

class GADAdFetcherTokenTest : public GADAdFetcherTest {
  protected:
    void SetUp() override {
        GADAdFetcherTest::SetUp();
        tokenDefaults->setBool(keys::kEnableSignedInAds, true);
        signIn->setClientID("client.apps");
        signIn->signIn(testing::FakeSignIn::idTokenFor("https://accounts.test", "user-1"),
                       "refresh-1");
        GADTokenDispenser::Environment tokenEnvironment;
        tokenEnvironment.defaults = tokenDefaults;
        tokenEnvironment.apiOrigin = [origin = ads.origin()] { return urlOf(origin); };
        tokenEnvironment.signIn = [signIn = signIn]() -> std::shared_ptr<GADStubsForGID> {
            return signIn;
        };
        tokenEnvironment.limitAdTracking = [] { return false; };
        dispenser = GADTokenDispenser::create(tokenEnvironment);
        environment.tokens = dispenser;
        ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return dispenser->token().has_value(); }));
        token = *dispenser->token();
        platform::UserDefaults::standard().setObject(keys::kWhitelistedAdRequestDomains,
                                                     Value::array({"127.0.0.1"}));
    }

    testing::AdServerFixture ads;
    std::shared_ptr<platform::UserDefaults> tokenDefaults = scope.home().openDefaults();
    std::shared_ptr<testing::FakeSignIn> signIn = testing::FakeSignIn::create();
    std::shared_ptr<GADTokenDispenser> dispenser;
    std::string token;
};

TEST_F(GADAdFetcherTokenTest, TheTokenGoesOnlyOverHttpsToAListedHost) {
    auto fetcher = GADAdFetcher::create(environment);
    const Url secure = urlOf("https://127.0.0.1:9/mads/gma?slotname=x");
    const auto headers = fetcher->requestHeadersForURL(secure);
    EXPECT_EQ(headers.get("Authorization"), "Bearer " + token);
    EXPECT_TRUE(fetcher->requestHeadersForURL(urlOf("http://127.0.0.1:9/mads/gma")).empty());
    EXPECT_TRUE(fetcher->requestHeadersForURL(urlOf("https://elsewhere.test/mads/gma")).empty());
    platform::UserDefaults::standard().removeObjectForKey(keys::kWhitelistedAdRequestDomains);
    EXPECT_EQ(GADAdFetcher::whitelistedDomains(), std::set<std::string>{"127.0.0.1"});

    // Whatever follows the request, the token stays with that host over https.
    UrlRequest request(secure);
    request.setAllHttpHeaderFields(headers);
    platform::UrlResponse redirect;
    redirect.statusCode = 302;
    for (const char* location : {"http://127.0.0.1:9/next", "https://localhost:9/next"}) {
        redirect.headers.set("Location", location);
        auto next = platform::redirectRequestFor(request, redirect);
        ASSERT_TRUE(next);
        EXPECT_FALSE(next->allHttpHeaderFields().contains("Authorization")) << location;
    }
    redirect.headers.set("Location", "https://127.0.0.1:9/next");
    EXPECT_TRUE(platform::redirectRequestFor(request, redirect)
                    ->allHttpHeaderFields()
                    .contains("Authorization"));

    GADLogFlush();
    for (const auto& line : logs.lines())
        EXPECT_EQ(line.find(token), std::string::npos) << "logged the token: " << line;
}

TEST_F(GADAdFetcherTokenTest, ClearHandsBackOnlyTheTokenThisFetcherSent) {
    const std::size_t before = ads.log().count(RequestKind::TokenRequest);
    // Without a token sent there is nothing to renew.
    apply(Value::dictionary({{"x-rade-oauth-token-status", "clear"}}));
    scope.runUntilIdle();
    EXPECT_EQ(dispenser->token(), token);
    EXPECT_EQ(ads.log().count(RequestKind::TokenRequest), before);

    // An ad whose URL takes the token: the server's "CLEAR" makes the dispenser get another.
    auto ad = GADAd::create();
    const Url secure = urlOf("https" + ads.server().refusedOrigin().substr(4) + "/mads/gma");
    ad->setAdURL(secure);
    auto recorder = std::make_shared<Recorder>();
    auto fetcher = GADAdFetcher::create(environment);
    ASSERT_TRUE(fetcher->fetchRemainingContentForAd(
        ad, Value::dictionary({{"x-rade-oauth-token-status", "CLEAR"}}).asDictionary(), recorder));
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] {
        auto now = dispenser->token();
        return now && *now != token && !recorder->events.empty();
    }));
    EXPECT_EQ(recorder->events, std::vector<std::string>{"failed 13 -1"});
}

TEST_F(GADAdFetcherTest, MediationAnswersServeLaterFetchesOfTheSlotWhileFresh) {
    std::atomic<int> served = 0;
    server.get("/gma", [&](const httplib::Request& req, httplib::Response& res) {
        ++served;
        res.set_header("Date", platform::formatHttpDate({platform::Clock::wallSeconds()}));
        res.set_header("Cache-Control", "max-age=60");
        if (req.get_param_value("kind") == "html") {
            res.set_content("<p>" + std::to_string(served) + "</p>", "text/html");
            return;
        }
        res.set_header("x-rade-mediation", "1");
        res.set_content("{\"config\":" + std::to_string(served) + "}", "application/json");
    });
    auto body = [&](const std::string& query) {
        return fetch(server.url("/gma?" + query))->ad->adHTML().value_or("(none)");
    };
    EXPECT_EQ(body("slotname=unit&r=1"), "{\"config\":1}");
    // The server answers anew, but the slot's fresh configuration stands in for it.
    EXPECT_EQ(body("slotname=unit&r=2"), "{\"config\":1}");
    EXPECT_EQ(body("slotname=other"), "{\"config\":3}");
    scope.advance(61);
    EXPECT_EQ(body("slotname=unit&r=3"), "{\"config\":4}");
    EXPECT_EQ(served, 4);

    // HTML ads are shown once: never kept.
    EXPECT_EQ(body("slotname=page&kind=html"), "<p>5</p>");
    EXPECT_EQ(body("slotname=page&kind=html"), "<p>6</p>");
}

}  // namespace
}  // namespace ads
