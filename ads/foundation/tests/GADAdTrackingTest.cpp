// An ad's trackers against a loopback server: impressions once, clicks every time, and the
// click URL a user's click opens.

#include "ads/foundation/GADAdTracking.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;

TEST(GADAdTrackingTest, ImpressionsGoOnceAndClicksEveryTime) {
    testing::AdsTestScope scope;
    platform::testing::TestHttpServer server;
    for (const char* path : {"/imp", "/manual", "/click"}) server.text(path, "ok");
    auto ad = GADAd::createWithDictionary(Value::dictionary({
        {"impression_urls", Value::array({Value(server.url("/imp"))})},
        {"manual_impression_urls", Value::array({Value(server.url("/manual"))})},
        {"click_urls", Value::array({Value(server.url("/click"))})},
    }));
    ASSERT_TRUE(ad);
    for (int i = 0; i < 2; ++i) {
        GADPingImpressionURLs(*ad);
        GADPingManualImpressionURLs(*ad);
        GADPingClickURLs(*ad);
    }
    EXPECT_TRUE(ad->impressionURLs().empty());
    EXPECT_TRUE(ad->manualImpressionURLs().empty());
    // The pings travel in parallel, so each may arrive in any order.
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] {
        return server.requestCount("/click") == 2 && server.requestCount("/manual") >= 1 &&
               server.requestCount("/imp") >= 1;
    }));
    EXPECT_EQ(server.requestCount("/imp"), 1u);
    EXPECT_EQ(server.requestCount("/manual"), 1u);
}

TEST(GADAdTrackingTest, OnlyAdServerClicksWithAnIdAreDecorated) {
    testing::AdsTestScope scope;
    const std::string host = GADAdServerOrigin().host();
    // Without an ad: a ticket in the path is noticed by nobody, and nothing else changes.
    for (const std::string& text : std::vector<std::string>{
             "https://other.test/aclk?ai=xyz", "https://" + host + "/aclk",
             "https://" + host + "/aclk?x=1", "https://other.test/x/ab/cd?q=1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(GADGestureClickURL(*Url::parse(text), nullptr).absoluteString(), text);
    }
    const auto decorated =
        GADGestureClickURL(*Url::parse("https://" + host + "/aclk?ai=xyz"), nullptr);
    EXPECT_NE(decorated.absoluteString().find("&ms="), std::string::npos)
        << decorated.absoluteString();
}

}  // namespace
}  // namespace ads
