#include "ads/foundation/GADURLRequestUtilities.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADURLConnection.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FixedDevice.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::testing::TestHttpServer;

class Finished : public GADURLConnectionDelegate {
  public:
    std::optional<platform::Error> connectionShouldRedirectToURL(GADURLConnection&,
                                                                 const platform::Url&) override {
        return std::nullopt;
    }
    void connectionLoadDidReceiveRedirectResponse(GADURLConnection&,
                                                  const platform::UrlResponse&) override {}
    bool connectionLoadShouldUseCachedResponse(GADURLConnection&,
                                               const platform::UrlResponse&) override {
        return false;
    }
    void connectionLoadDidReceiveCachedResponse(GADURLConnection&,
                                                const platform::UrlResponse&) override {}
    void connectionLoadDidFinish(GADURLConnection&, const std::optional<std::string>&,
                                 const std::optional<platform::Url>&) override {
        done = true;
    }
    void connectionLoadDidFail(GADURLConnection&, const std::optional<platform::Error>&,
                               std::int64_t) override {
        done = true;
    }
    bool done = false;
};

TEST(GADURLRequestUtilitiesTest, RequestsAsTheServerSeesThem) {
    testing::AdsTestScope scope;
    TestHttpServer server;
    server.route("*", "/echo", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("ok", "text/plain");
    });
    const auto url = platform::Url::parse(server.url("/echo"));
    const std::vector<std::uint8_t> body{'a', '=', '1'};
    const platform::HttpHeaders headers{{"X-Given", "yes"}, {"User-Agent", "given"}};

    auto send = [&](const platform::UrlRequest& request) {
        auto finished = std::make_shared<Finished>();
        auto connection = GADURLConnection::create();
        ASSERT_TRUE(connection->startWithRequestURL(request, finished));
        ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return finished->done; }));
    };
    // A body without a type stays home.
    send(*gad_requestForURL(url, body, headers, std::nullopt, "MovurouteAgent/1"));
    send(*gad_requestForURL(url, body, headers, "application/x-www-form-urlencoded",
                            "MovurouteAgent/1"));
    // Without the device's agent the given one stays.
    send(*gad_requestForURL(url, std::nullopt, headers, "text/plain", ""));

    const auto seen = server.requestsFor("/echo");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].body, "");
    EXPECT_FALSE(seen[0].hasHeader("Content-Type"));
    EXPECT_EQ(seen[0].header("X-Given"), "yes");
    EXPECT_EQ(seen[0].header("User-Agent"), "MovurouteAgent/1");
    EXPECT_EQ(seen[1].method, "POST");
    EXPECT_EQ(seen[1].body, "a=1");
    EXPECT_EQ(seen[1].header("Content-Length"), "3");
    EXPECT_EQ(seen[1].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(seen[2].method, "GET");
    EXPECT_EQ(seen[2].header("User-Agent"), "given");

    EXPECT_FALSE(gad_requestForURL(std::nullopt, body, headers, "text/plain"));
}

TEST(GADURLRequestUtilitiesTest, TheDevicesWebAgentWhenItHasOne) {
    testing::AdsTestScope scope;
    testing::FixedDevice device;
    const auto url = platform::Url::parse("https://ads.example/mads/gma");
    GADDevice::sharedInstance()->setUserAgentString("Mozilla/5.0 (Movuroute test)");
    auto request = gad_requestForURL(url, std::nullopt, {{"User-Agent", "given"}});
    ASSERT_TRUE(request);
    EXPECT_EQ(request->userAgent(), "Mozilla/5.0 (Movuroute test)");
    EXPECT_EQ(request->httpMethod(), "GET");
    EXPECT_EQ(request->cachePolicy(), platform::UrlRequestCachePolicy::UseProtocolCachePolicy);
    EXPECT_EQ(request->timeoutInterval(), platform::UrlRequest::kDefaultTimeoutInterval);
}

}  // namespace
}  // namespace ads
