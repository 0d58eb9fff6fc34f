// Ads made from the ad objects the SDK core page hands over.

#include <gtest/gtest.h>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADInterstitialAd.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/storage/Json.h"

namespace ads {
namespace {

using platform::Value;

Value object(const char* json) {
    return platform::Json::parse(json).value_or(Value());
}

std::vector<std::string> texts(const GADAd::URLSet& urls) {
    std::vector<std::string> found;
    for (const auto& url : urls) found.push_back(url.absoluteString());
    return found;
}

TEST(GADAdDictionaryTest, HTMLNeedsAWebBaseURLElseTheAdURLIsUsed) {
    ads::testing::AdsTestScope scope;
    auto ad = GADAd::createWithDictionary(object(
        R"({"ad_html":"<p>","ad_base_url":"https://a.example/","ad_url":"https://b.example/"})"));
    EXPECT_EQ(ad->adHTML(), "<p>");
    EXPECT_EQ(ad->adBaseURL()->absoluteString(), "https://a.example/");
    EXPECT_FALSE(ad->adURL());

    // A missing, malformed or local base URL: the HTML is ignored.
    for (const char* json :
         {R"({"ad_html":"<p>","ad_url":"https://b.example/"})",
          R"({"ad_html":"<p>","ad_base_url":"::","ad_url":"https://b.example/"})",
          R"({"ad_html":"<p>","ad_base_url":"file:///tmp/","ad_url":"https://b.example/"})"}) {
        ad = GADAd::createWithDictionary(object(json));
        EXPECT_FALSE(ad->adHTML()) << json;
        EXPECT_FALSE(ad->adBaseURL()) << json;
        EXPECT_EQ(ad->adURL()->absoluteString(), "https://b.example/") << json;
    }
    EXPECT_FALSE(
        GADAd::createWithDictionary(object(R"({"ad_url":"file:///etc/passwd"})"))->adURL());

    // Empty HTML and a JSON object: the object's text is the HTML, with no base URL.
    ad = GADAd::createWithDictionary(
        object(R"({"ad_html":"","ad_base_url":"https://a.example/","ad_json":{"k":1}})"));
    EXPECT_EQ(ad->adHTML(), R"({"k":1})");
    EXPECT_FALSE(ad->adBaseURL());
}

TEST(GADAdDictionaryTest, SizeOrientationScriptDialogAndActiveView) {
    ads::testing::AdsTestScope scope;
    auto ad = GADAd::createWithDictionary(object(
        R"({"ad_size":"320x50","orientation":"portrait","ad_passback_url":"https://p.example/",
            "debug_dialog":"dialog","active_view":"not an object"})"));
    EXPECT_TRUE(GADAdSizeEqualToSize(ad->size(), kGADAdSizeBanner));
    EXPECT_EQ(ad->supportedOrientations(), 6u);
    EXPECT_FALSE(ad->hasAdNetworkJavaScript());
    EXPECT_FALSE(ad->adNetworkPassbackURL());
    EXPECT_EQ(ad->debugDialog(), "dialog");
    EXPECT_FALSE(ad->activeViewConfigurations());

    ad = GADAd::createWithDictionary(object(
        R"({"orientation":"sideways","ad_is_javascript":1,"ad_passback_url":"https://p.example/",
            "debug_dialog":7,"active_view":{"a":1},"swipe_to_viewcontroller":{"s":1}})"));
    EXPECT_EQ(ad->size().flags, kGADAdSizeFlagCustom);
    EXPECT_EQ(ad->size().size.width, 0);
    EXPECT_EQ(ad->supportedOrientations(), 30u);
    EXPECT_TRUE(ad->hasAdNetworkJavaScript());
    EXPECT_EQ(ad->adNetworkPassbackURL()->absoluteString(), "https://p.example/");
    EXPECT_FALSE(ad->debugDialog());
    EXPECT_EQ(ad->activeViewConfigurations(), (Value::Dictionary{{"a", Value(1)}}));
    EXPECT_EQ(ad->swipeToViewControllerConfigurations(), object(R"({"s":1})"));
    // A plain new ad has no size flags at all.
    EXPECT_EQ(GADAd::create()->size().flags, 0u);
}

TEST(GADAdDictionaryTest, TrackingURLsKeepTheGoodOnesInOrder) {
    ads::testing::AdsTestScope scope;
    auto ad = GADAd::createWithDictionary(object(
        R"({"click_urls":["https://c.example/1","::bad","https://c.example/2","https://c.example/1"],
            "impression_urls":["https://i.example/",5],"manual_impression_urls":"not a list"})"));
    EXPECT_EQ(texts(ad->clickURLs()),
              (std::vector<std::string>{"https://c.example/1", "https://c.example/2"}));
    EXPECT_EQ(texts(ad->impressionURLs()), (std::vector<std::string>{"https://i.example/"}));
    EXPECT_TRUE(ad->manualImpressionURLs().empty());
}

TEST(GADAdDictionaryTest, OnlyABannerAdReadsTheRefreshRate) {
    ads::testing::AdsTestScope scope;
    const Value dictionary = object(R"({"refresh_rate":0.5})");
    EXPECT_EQ(GADBannerAd::createWithDictionary(dictionary)->reloadInterval(), 0.5);
    EXPECT_EQ(GADInterstitialAd::createWithDictionary(dictionary)->reloadInterval(), 0);
    EXPECT_EQ(GADAd::createWithDictionary(dictionary)->reloadInterval(), 0);
    EXPECT_EQ(
        GADBannerAd::createWithDictionary(object(R"({"refresh_rate":"30"})"))->reloadInterval(), 0);
    // Not a dictionary at all: an ad with its defaults.
    auto ad = GADBannerAd::createWithDictionary(Value("text"));
    EXPECT_FALSE(ad->adURL());
    EXPECT_EQ(ad->supportedOrientations(), 30u);
}

}  // namespace
}  // namespace ads
