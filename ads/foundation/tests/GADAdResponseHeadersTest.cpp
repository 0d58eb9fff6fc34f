#include "ads/foundation/GADAdResponseHeaders.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADLog.h"
#include "platform/base/LogSink.h"

namespace ads {
namespace {

using platform::Value;

GADAdResponseHeaders parse(std::initializer_list<std::pair<const std::string, Value>> fields) {
    return GADAdResponseHeaders::parse(Value::dictionary(fields).asDictionary());
}

std::vector<std::string> texts(const std::optional<std::vector<platform::Url>>& urls) {
    std::vector<std::string> out;
    if (urls) {
        for (const auto& url : *urls) out.push_back(url.absoluteString());
    }
    return out;
}

TEST(GADAdResponseHeadersTest, TheResponseTypeFollowsTheFlagsInAnyLetterCase) {
    EXPECT_EQ(parse({}).responseType, GADAdResponseType::HTML);
    EXPECT_EQ(
        parse({{"X-Rade-Mediation", "1"}, {"Content-Type", "application/json; charset=utf-8"}})
            .responseType,
        GADAdResponseType::Mediation);
    EXPECT_EQ(
        parse({{"x-rade-mediation", "true"}, {"content-type", "Application/JSON"}}).responseType,
        GADAdResponseType::Mediation);
    // Mediation over anything but JSON is a broken answer, whatever else it says.
    EXPECT_EQ(parse({{"x-rade-mediation", "1"}, {"x-rade-ad-format", "native"}}).responseType,
              GADAdResponseType::Invalid);
    EXPECT_EQ(parse({{"x-rade-mediation", "1"}, {"content-type", "text/html"}}).responseType,
              GADAdResponseType::Invalid);
    EXPECT_EQ(parse({{"x-rade-mediation", "0"}, {"content-type", "application/json"}}).responseType,
              GADAdResponseType::HTML);
    EXPECT_EQ(parse({{"X-RADE-AD-FORMAT", "Native"}}).responseType, GADAdResponseType::Native);
    EXPECT_EQ(parse({{"x-rade-ad-format", "native-ish"}}).responseType, GADAdResponseType::HTML);
    EXPECT_EQ(parse({{"x-rade-custom-rendering-allowed", "1"}}).responseType,
              GADAdResponseType::CustomRendering);
    EXPECT_EQ(parse({{"x-rade-ad-format", "native"}, {"x-rade-custom-rendering-allowed", "1"}})
                  .responseType,
              GADAdResponseType::Native);
}

TEST(GADAdResponseHeadersTest, TrackingFieldsSplitAtWhiteSpaceKeepingWhatMakesAURL) {
    auto parsed =
        parse({{"x-rade-tracking-urls", "http://a.test/1 http://a.test/2\nhttp://a.test/3"},
               {"x-rade-click-tracking-urls", "\t http://c.test/x  \r\n"},
               {"x-rade-manual-tracking-urls", "  \n "}});
    EXPECT_EQ(texts(parsed.impressionURLs),
              (std::vector<std::string>{"http://a.test/1", "http://a.test/2", "http://a.test/3"}));
    EXPECT_EQ(texts(parsed.clickURLs), std::vector<std::string>{"http://c.test/x"});
    EXPECT_FALSE(parsed.manualImpressionURLs);
    // Only texts count: a number where URLs belong is no list.
    EXPECT_FALSE(parse({{"x-rade-tracking-urls", 12}}).impressionURLs);
    EXPECT_FALSE(gad_trackingURLsFromString(""));
    EXPECT_EQ(texts(gad_trackingURLsFromString("http://a.test/%zz http://b.test/")),
              texts(gad_trackingURLsFromString("http://b.test/")));
}

TEST(GADAdResponseHeadersTest, RelativeTrackingURLsResolveAgainstTheAnswerOrAreLeftOut) {
    platform::LogSink::Capture logs;
    const auto base = platform::Url::parse("https://ads.test/mads/gma?slot=1");
    auto parsed = GADAdResponseHeaders::parse(
        Value::dictionary({{"x-rade-tracking-urls", "/imp?a=1 ../up ping http://other.test/x"},
                           {"x-rade-click-tracking-urls", "//cdn.test/c"}})
            .asDictionary(),
        base);
    EXPECT_EQ(texts(parsed.impressionURLs),
              (std::vector<std::string>{"https://ads.test/imp?a=1", "https://ads.test/up",
                                        "https://ads.test/mads/ping", "http://other.test/x"}));
    EXPECT_EQ(texts(parsed.clickURLs), std::vector<std::string>{"https://cdn.test/c"});
    GADLogFlush();
    EXPECT_EQ(logs.count(), 0u);

    // Without a base they cannot be sent, nor can what is not on the web: left out, and said.
    EXPECT_EQ(texts(gad_trackingURLsFromString("/imp http://a.test/1 file:///etc/passwd "
                                               "javascript:alert(1) mailto:x@y.test")),
              std::vector<std::string>{"http://a.test/1"});
    EXPECT_FALSE(gad_trackingURLsFromString("/imp ../up"));
    EXPECT_EQ(texts(gad_trackingURLsFromString("data:text/plain,x", base)),
              std::vector<std::string>{});
    GADLogFlush();
    ASSERT_EQ(logs.count(), 3u);
    EXPECT_TRUE(
        logs.contains("4 tracking URL(s) of an ad answer are not web URLs and there is "
                      "no base to resolve them against; they are not pinged."));
    EXPECT_TRUE(
        logs.contains("1 tracking URL(s) of an ad answer are not web URLs; they are not "
                      "pinged."));
}

TEST(GADAdResponseHeadersTest, RefreshRatesCountOnlyAsWholeFiniteNumbersOfZeroOrMore) {
    EXPECT_EQ(gad_refreshRateFromString("0"), 0.0);
    EXPECT_EQ(gad_refreshRateFromString("30"), 30.0);
    EXPECT_EQ(gad_refreshRateFromString("12.5"), 12.5);
    EXPECT_EQ(gad_refreshRateFromString("-0"), 0.0);
    for (const char* bad : {"", "-5", "12abc", " 12", "inf", "nan", "1e999", "0x10", "abc"})
        EXPECT_FALSE(gad_refreshRateFromString(bad)) << bad;
    EXPECT_EQ(parse({{"X-Rade-Refresh-Rate", "45"}}).reloadInterval, 45.0);
    EXPECT_EQ(parse({{"x-rade-refresh-rate", 20}}).reloadInterval, 20.0);
    EXPECT_FALSE(parse({{"x-rade-refresh-rate", -1}}).reloadInterval);
    EXPECT_FALSE(parse({}).reloadInterval);
}

TEST(GADAdResponseHeadersTest, TheOtherFieldsReadAsTheServerMeansThem) {
    auto parsed = parse({
        {"X-Rade-Content-Url-Opted-Out", "false"},
        {"x-rade-activeview", "{\"interval\":200}"},
        {"x-rade-orientation", "landscape"},
        {"x-rade-debug-dialog", "debug text"},
        {"x-rade-ad-size", "320x50"},
        {"x-rade-disable-activation-and-scroll", "1"},
        {"x-rade-use-https", "0"},
        {"x-rade-oauth-token-status", "CLEAR"},
        {"x-rade-fluid", "Height"},
        {"x-rade-zws-query-id", "q-1"},
        {"x-rade-swipe-to-view-controller", "{\"enabled\":true}"},
    });
    EXPECT_TRUE(parsed.contentURLEnabled);
    ASSERT_TRUE(parsed.activeViewConfigurations);
    EXPECT_EQ(Value(*parsed.activeViewConfigurations), Value::dictionary({{"interval", 200}}));
    EXPECT_EQ(parsed.supportedOrientations, 24u);
    EXPECT_EQ(parsed.debugDialog, "debug text");
    EXPECT_EQ(parsed.customAdSizeString, "320x50");
    EXPECT_FALSE(parsed.scrollEnabled);
    EXPECT_EQ(parsed.useHttps, false);
    EXPECT_TRUE(parsed.clearToken);
    EXPECT_TRUE(parsed.fluid);
    EXPECT_EQ(parsed.zwsQueryID, "q-1");
    EXPECT_EQ(parsed.swipeToViewControllerConfigurations, Value::dictionary({{"enabled", true}}));
    EXPECT_TRUE(parsed.fields.count("x-rade-content-url-opted-out"));

    // Absent, or not of the kind the field needs.
    auto plain = parse({{"x-rade-content-url-opted-out", "FALSE"},
                        {"x-rade-activeview", "[1, 2]"},
                        {"x-rade-orientation", "sideways"},
                        {"x-rade-oauth-token-status", "valid"},
                        {"x-rade-fluid", "width"},
                        {"x-rade-swipe-to-view-controller", "{}"}});
    EXPECT_FALSE(plain.contentURLEnabled);
    EXPECT_FALSE(plain.activeViewConfigurations);
    EXPECT_EQ(plain.supportedOrientations, 0u);
    EXPECT_FALSE(plain.debugDialog);
    EXPECT_FALSE(plain.customAdSizeString);
    EXPECT_TRUE(plain.scrollEnabled);
    EXPECT_FALSE(plain.useHttps);
    EXPECT_FALSE(plain.clearToken);
    EXPECT_FALSE(plain.fluid);
    EXPECT_FALSE(plain.swipeToViewControllerConfigurations);
    EXPECT_FALSE(parse({{"x-rade-activeview", "{broken"}}).activeViewConfigurations);
}

}  // namespace
}  // namespace ads
