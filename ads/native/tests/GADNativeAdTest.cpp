#include "ads/native/GADNativeAd.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADServiceOrigins.h"
#include "ads/native/GADNativeAdDelegate.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/native/tests/ScriptedNativeFormat.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/storage/Json.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Value;
using testing::nativeConfiguration;
using testing::ScriptedNativeAd;

class GADNativeAdTest : public ::testing::Test {
  protected:
    using Outcome = std::optional<platform::Error>;

    // Records each handler's outcome under its number.
    GADNativeAd::AssetCompletionHandler recorder(int number) {
        return [this, number](const Outcome& error) { outcomes.emplace_back(number, error); };
    }

    // An ad whose required "headline" and optional "logo" are loading, with handlers 1 and 2.
    std::shared_ptr<ScriptedNativeAd> adWaitingForHeadlineAndLogo() {
        auto ad = ScriptedNativeAd::create(
            Value::dictionary({{"manual", Value::array({Value("headline"), Value("logo")})},
                               {"required", Value::array({Value("headline")})}}));
        ad->loadAssetsWithCompletionHandler(recorder(1));
        ad->loadAssetsWithCompletionHandler(recorder(2));
        scope.runUntilIdle();
        return ad;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::ScriptedNativeFormats formats;
    std::vector<std::pair<int, Outcome>> outcomes;
};

TEST_F(GADNativeAdTest, ConfigurationsSelectTheirClassByFormatAndTemplateText) {
    // The number and its text select the same class; other texts count by their leading integer.
    EXPECT_EQ(GADNativeAd::classFromAdConfigurationDictionary(nativeConfiguration(Value("2"))),
              formats.appInstall);
    EXPECT_EQ(GADNativeAd::classFromAdConfigurationDictionary(nativeConfiguration(Value(2))),
              formats.appInstall);
    EXPECT_EQ(GADNativeAd::classFromAdConfigurationDictionary(nativeConfiguration(Value("1x"))),
              formats.content);

    // No first ad object, no class: "ads" empty, an object, or its first element no object.
    const Value empty = Value::dictionary({{"ads", Value::array()}});
    const Value object =
        Value::dictionary({{"ads", Value::dictionary({{"type", Value("native")}})}});
    const Value text = Value::dictionary({{"ads", Value::array({Value("ad")})}});
    for (const Value* configuration : {&empty, &object, &text}) {
        EXPECT_FALSE(GADNativeAd::firstAdObjectInAdConfigurationDictionary(*configuration));
        EXPECT_FALSE(GADNativeAd::classFromAdConfigurationDictionary(*configuration));
    }
    // Unknown format or template id, or none given.
    Value other = nativeConfiguration(Value(1));
    EXPECT_FALSE(GADNativeAd::classFromAdConfigurationDictionary(Value::dictionary(
        {{"ads", Value::array({Value::dictionary(
                     {{"type", Value("video")}, {"template_id", Value(1)}})})}})));
    EXPECT_FALSE(GADNativeAd::classFromAdConfigurationDictionary(nativeConfiguration(Value(4))));
    EXPECT_FALSE(GADNativeAd::classFromAdConfigurationDictionary(nativeConfiguration(Value())));

    platform::Error error;
    EXPECT_FALSE(GADNativeAdClassForFormatAndTemplateID("video", 2, &error));
    EXPECT_EQ(error.domain, "com.zivivu.ads.private");
    EXPECT_EQ(error.code, 3);
    EXPECT_EQ(error.localizedDescription(), "Invalid ad format: \"video\", 2.");
}

TEST_F(GADNativeAdTest, ReadsTrackingURLsOnceEachAndOnlyWebAddresses) {
    const Value tracking = Value::dictionary(
        {{"impression_tracking_urls",
          Value::array({Value("https://t.test/i"), Value("https://t.test/i"),
                        Value("javascript:alert(1)"), Value(4), Value("http://t.test/j")})},
         {"third_party_click_tracking_urls", Value::array({Value("https://t.test/c")})},
         {"zivivu_click_tracking_url", Value("https://t.test/z")},
         {"click_actions",
          Value::array({Value::dictionary({{"url", Value("https://x.test/")}})})}});
    auto ad =
        ScriptedNativeAd::create(Value::dictionary({{"tracking_urls_and_actions", tracking}}));
    ASSERT_EQ(ad->impressionTrackingURLs().size(), 2u);
    EXPECT_EQ(ad->impressionTrackingURLs()[0].absoluteString(), "https://t.test/i");
    EXPECT_EQ(ad->impressionTrackingURLs()[1].absoluteString(), "http://t.test/j");
    ASSERT_EQ(ad->thirdPartyClickTrackingURLs().size(), 1u);
    EXPECT_EQ(ad->zivivuClickTrackingURLString(), "https://t.test/z");
    ASSERT_TRUE(ad->clickActions());
    EXPECT_EQ(ad->clickActions()->size(), 1u);
    EXPECT_EQ(ad->adNetworkClassName(), "GADMAdapterZivivuDuRezAds");
    EXPECT_EQ(ad->adConfiguration()->get("tracking_urls_and_actions"), tracking);

    // Tracking of the wrong kind is no tracking.
    auto bare = ScriptedNativeAd::create(
        Value::dictionary({{"tracking_urls_and_actions", Value::array()}}));
    EXPECT_TRUE(bare->impressionTrackingURLs().empty());
    EXPECT_FALSE(bare->zivivuClickTrackingURLString());
    EXPECT_FALSE(bare->clickActions());
}

TEST_F(GADNativeAdTest, AnImpressionPingsItsTrackingURLsOnce) {
    platform::testing::TestHttpServer server;
    server.text("/imp", "ok");
    server.text("/imp2", "ok");
    const Value tracking =
        Value::dictionary({{"impression_tracking_urls",
                            Value::array({Value(server.url("/imp")), Value(server.url("/imp")),
                                          Value(server.url("/imp2"))})}});
    auto ad =
        ScriptedNativeAd::create(Value::dictionary({{"tracking_urls_and_actions", tracking}}));
    EXPECT_FALSE(ad->hasRecordedImpression());
    ad->recordImpression();
    ad->recordImpression();
    EXPECT_TRUE(ad->hasRecordedImpression());
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return server.requests().size() >= 2; }));
    scope.runUntilIdle();
    EXPECT_EQ(server.requestCount("/imp"), 1u);
    EXPECT_EQ(server.requestCount("/imp2"), 1u);
}

TEST_F(GADNativeAdTest, AFormatWithoutAssetsCompletesOnALaterTurn) {
    auto ad = ScriptedNativeAd::create(Value::dictionary());
    ad->loadAssetsWithCompletionHandler(recorder(1));
    ad->loadAssetsWithCompletionHandler(recorder(2));
    EXPECT_TRUE(outcomes.empty());
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].first, 1);
    EXPECT_EQ(outcomes[1].first, 2);
    EXPECT_FALSE(outcomes[0].second);
    EXPECT_FALSE(outcomes[1].second);
    // Assets start for the first caller only.
    EXPECT_EQ(ad->startCount, 1);
    EXPECT_FALSE(ad->shouldLoadAssets());

    // A handler after the outcome hears it on its own turn.
    ad->loadAssetsWithCompletionHandler(recorder(3));
    EXPECT_EQ(outcomes.size(), 2u);
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_FALSE(outcomes[2].second);
    EXPECT_EQ(ad->startCount, 1);
}

TEST_F(GADNativeAdTest, HandlersWaitForEveryRequestedAssetAndOptionalFailuresCount) {
    auto ad = adWaitingForHeadlineAndLogo();
    EXPECT_TRUE(outcomes.empty());
    ad->failedToLoadAssetWithName("logo");  // optional
    scope.runUntilIdle();
    EXPECT_TRUE(outcomes.empty());
    ad->finishedLoadingAssetWithName(std::string("headline"));
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].first, 1);
    EXPECT_FALSE(outcomes[0].second);
    EXPECT_FALSE(outcomes[1].second);
}

TEST_F(GADNativeAdTest, ARequiredFailureReachesEveryHandlerAlsoLaterOnes) {
    auto ad = adWaitingForHeadlineAndLogo();
    ad->failedToLoadAssetWithName("headline");
    ad->finishedLoadingAssetWithName(std::string("logo"));  // no later success
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 2u);
    for (const auto& [number, error] : outcomes) {
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain, "com.zivivu.ads.private");
        EXPECT_EQ(error->code, 11);
        EXPECT_EQ(error->localizedDescription(), "Failed to load a required asset.");
    }

    // A handler that comes after the failure gets it on its own turn, instead of waiting.
    ad->loadAssetsWithCompletionHandler(recorder(3));
    EXPECT_EQ(outcomes.size(), 2u);
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 3u);
    ASSERT_TRUE(outcomes[2].second);
    EXPECT_EQ(outcomes[2].second->code, 11);
    EXPECT_EQ(ad->startCount, 1);
}

TEST_F(GADNativeAdTest, AnAdGoneBeforeItsTurnCallsNothing) {
    auto ad = ScriptedNativeAd::create(Value::dictionary());
    ad->loadAssetsWithCompletionHandler(recorder(1));
    ad.reset();
    scope.runUntilIdle();
    EXPECT_TRUE(outcomes.empty());
}

TEST_F(GADNativeAdTest, AClickRunsTheSupportPageScriptWithItsMessage) {
    const Value adObject = Value::dictionary(
        {{"type", Value("native")}, {"headline", Value("A </script> \u2028 line")}});
    auto ad = ScriptedNativeAd::create(adObject);
    // The message as the page gets it: the environment, the ad object and the click.
    const auto json =
        ad->clickMessageJSON("headline", Value::Dictionary{{"click_point", Value("1,2")}});
    ASSERT_TRUE(json);
    EXPECT_EQ(*json,
              "{\"ad\":{\"headline\":\"A <\\/script> \\u2028 line\",\"type\":\"native\"},"
              "\"click\":{\"asset\":\"headline\",\"sdk_version\":\"7.5.2\",\"template\":\"1\"},"
              "\"click_point\":\"1,2\"}");

    auto slot = GADSlot::create();
    ad->setSlot(slot);
    auto& page = *views.web().pages().back();
    ad->performClickOnView(nullptr, "headline", Value::Dictionary{{"click_point", Value("1,2")}});
    ASSERT_EQ(page.evaluations().size(), 1u);
    EXPECT_EQ(page.evaluations()[0], "zivivu.rade.nativeAds.handleClickGmsg(" + *json + ")");

    // Without an asset name, or without an ad object, nothing runs.
    ad->performClickOnView(nullptr, "", std::nullopt);
    auto bare = ScriptedNativeAd::create(Value());
    EXPECT_FALSE(bare->adConfiguration());
    bare->setSlot(slot);
    bare->performClickOnView(nullptr, "headline", std::nullopt);
    EXPECT_EQ(page.evaluations().size(), 1u);
}

class RecordingNativeAdDelegate : public GADNativeAdDelegate {
  public:
    void nativeAdWillPresentScreen(GADNativeAd&) override { events.push_back("will-present"); }
    void nativeAdWillDismissScreen(GADNativeAd&) override { events.push_back("will-dismiss"); }
    void nativeAdDidDismissScreen(GADNativeAd&) override { events.push_back("did-dismiss"); }
    void nativeAdWillLeaveApplication(GADNativeAd&) override { events.push_back("leave"); }
    std::vector<std::string> events;
};

TEST_F(GADNativeAdTest, TheSlotsScreenEventsReachTheDelegate) {
    auto ad = ScriptedNativeAd::create(Value::dictionary());
    auto slot = GADSlot::create();
    ad->setSlot(slot);
    ad->setSlot(slot);
    EXPECT_EQ(ad->slot(), slot);
    auto delegate = std::make_shared<RecordingNativeAdDelegate>();
    ad->setDelegate(delegate);
    // As the slot's page and screens report them, through its page face.
    GADPageSlot& page = *slot;
    page.adWillPresentScreen();
    page.adWillDismissScreen();
    page.adDidDismissScreen();
    page.adWillLeaveApplication();
    scope.runUntilIdle();
    EXPECT_EQ(delegate->events,
              (std::vector<std::string>{"will-present", "will-dismiss", "did-dismiss", "leave"}));
}

TEST_F(GADNativeAdTest, TheSupportPageIsAWebPage) {
    auto& defaults = platform::UserDefaults::standard();
    const std::string builtIn = GADAdServerURL(kGADNativeAdSupportPagePath).absoluteString();
    EXPECT_EQ(GADNativeAd::supportHTMLURL().absoluteString(), builtIn);
    defaults.setObject(kGADNativeAdSupportURLKey, Value("https://pages.test/native.html"));
    EXPECT_EQ(GADNativeAd::supportHTMLURL().absoluteString(), "https://pages.test/native.html");
    // A local file, no URL at all or no text: the built-in page.
    for (const Value& stored : {Value("file:///tmp/native.html"), Value("not a url"), Value(7)}) {
        defaults.setObject(kGADNativeAdSupportURLKey, stored);
        EXPECT_EQ(GADNativeAd::supportHTMLURL().absoluteString(), builtIn) << stored.description();
    }
}

}  // namespace
}  // namespace ads
