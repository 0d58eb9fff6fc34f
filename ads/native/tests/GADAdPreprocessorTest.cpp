#include "ads/native/GADAdPreprocessor.h"

#include <gtest/gtest.h>

#include "ads/native/GADNativeConstants.h"
#include "ads/native/tests/SupportPageHarness.h"
#include "ads/slot/GADSlot.h"
#include "platform/storage/Json.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Value;
using tools::adserver::RequestKind;

class GADAdPreprocessorTest : public ::testing::Test {
  protected:
    struct Outcome {
        std::optional<Value> configuration;
        std::shared_ptr<GADSlot> slot;
        std::optional<platform::Error> error;
    };

    GADAdPreprocessor::CompletionHandler recorder() {
        return
            [this](const std::optional<Value>& configuration, const std::shared_ptr<GADSlot>& slot,
                   const std::optional<platform::Error>& error) {
                outcomes.push_back({configuration, slot, error});
            };
    }
    // Starts preprocessing and waits for the support page to arrive in the slot's ad view.
    platform::web::FakeWebPage* start(const std::string& json = "{\"type\":\"native\"}",
                                      std::size_t pageIndex = 0) {
        preprocessor = GADAdPreprocessor::create("unit");
        preprocessor->preprocessNativeAdJSON(json, recorder());
        return h.waitForSupportPage(pageIndex);
    }

    ads::testing::SupportPageHarness h;
    std::shared_ptr<GADAdPreprocessor> preprocessor;
    std::vector<Outcome> outcomes;
};

TEST_F(GADAdPreprocessorTest, TheAnswerOfTheLoadedPageIsTheConfiguration) {
    auto* page = start("{\"type\":\"native\",\"template_id\":\"1\"}");
    ASSERT_TRUE(page);
    EXPECT_EQ(h.server.log().count(RequestKind::NativePage), 1u);
    EXPECT_TRUE(outcomes.empty());
    h.finishLoading(*page);
    EXPECT_EQ(
        ads::testing::SupportPageHarness::preprocessingScript(*page),
        "zivivu.rade.nativeAds.preProcessJsonGmsg({\"template_id\":\"1\",\"type\":\"native\"}, "
        "{\"sdk_version\":\"7.5.2\"})");
    EXPECT_TRUE(outcomes.empty());

    // Answered at 4.9 s; the time-out at 5 s is swallowed.
    h.scope.advance(4.9);
    h.answer(*page, "{\"ads\":[{\"type\":\"native\"}]}");
    h.scope.advance(1);
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_TRUE(outcomes[0].configuration);
    EXPECT_EQ(outcomes[0].configuration->get("ads").at(0).get("type"), Value("native"));
    EXPECT_EQ(outcomes[0].slot, preprocessor->slot());
    EXPECT_FALSE(outcomes[0].error);
    h.scope.advance(60);
    EXPECT_EQ(outcomes.size(), 1u);
}

TEST_F(GADAdPreprocessorTest, AnAnswerThatIsNoObjectIsCode13) {
    std::size_t index = 0;
    for (const std::string success : {"not json", "[{\"type\":\"native\"}]", "7"}) {
        outcomes.clear();
        auto* page = start("{}", index++);
        ASSERT_TRUE(page);
        h.finishLoading(*page);
        h.answer(*page, success);
        h.scope.advance(6);
        ASSERT_EQ(outcomes.size(), 1u) << success;
        EXPECT_FALSE(outcomes[0].configuration);
        EXPECT_FALSE(outcomes[0].slot);
        ASSERT_TRUE(outcomes[0].error);
        EXPECT_EQ(outcomes[0].error->domain, "com.zivivu.ads");
        EXPECT_EQ(outcomes[0].error->code, 13);
        preprocessor.reset();
    }
}

TEST_F(GADAdPreprocessorTest, APageThatDoesNotAnswerTimesOutFiveSecondsAfterItsLoad) {
    auto* page = start();
    ASSERT_TRUE(page);
    h.scope.advance(20);  // counted from the load, not from the call
    h.finishLoading(*page);
    h.scope.advance(4.9);
    EXPECT_TRUE(outcomes.empty());
    h.scope.advance(0.2);
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_TRUE(outcomes[0].error);
    EXPECT_EQ(outcomes[0].error->domain, "com.zivivu.ads.private");
    EXPECT_EQ(outcomes[0].error->code, 2);
    EXPECT_EQ(outcomes[0].error->localizedDescription(), "Timed out.");
    // A late answer is swallowed.
    h.answer(*page, "{\"ads\":[]}");
    EXPECT_EQ(outcomes.size(), 1u);
}

TEST_F(GADAdPreprocessorTest, APageThatNeverLoadsTimesOutAfterThirtyFiveSeconds) {
    auto* page = start();
    ASSERT_TRUE(page);
    h.scope.advance(34.9);
    EXPECT_TRUE(outcomes.empty());
    h.scope.advance(0.2);
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_TRUE(outcomes[0].error);
    EXPECT_EQ(outcomes[0].error->localizedDescription(), "Timed out.");
}

TEST_F(GADAdPreprocessorTest, ThePageFailingIsTheSlotsError) {
    h.server.server().setPageStatus(200);
    platform::UserDefaults::standard().setObject(kGADNativeAdSupportURLKey,
                                                 Value(h.server.origin() + "/missing.html"));
    preprocessor = GADAdPreprocessor::create("unit");
    preprocessor->preprocessNativeAdJSON("{}", recorder());
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !outcomes.empty(); }));
    ASSERT_TRUE(outcomes[0].error);
    EXPECT_EQ(outcomes[0].error->domain, "com.zivivu.ads");
    EXPECT_FALSE(outcomes[0].configuration);
}

TEST_F(GADAdPreprocessorTest, ALocalFileInTheDefaultsLoadsTheBuiltInPage) {
    platform::UserDefaults::standard().setObject(kGADNativeAdSupportURLKey,
                                                 Value("file:///etc/passwd"));
    auto* page = start();
    ASSERT_TRUE(page);
    EXPECT_EQ(h.server.log().count(RequestKind::NativePage), 1u);
}

TEST_F(GADAdPreprocessorTest, AdJSONReachesThePageAsOneValueSafeInAScript) {
    // A line separator and a closing script tag arrive as they were, and cannot end the script.
    const std::string json =
        "{\"headline\":\"a\xE2\x80\xA8"
        "b </script><script>x()\"}";
    auto* page = start(json);
    ASSERT_TRUE(page);
    h.finishLoading(*page);
    const std::string script = ads::testing::SupportPageHarness::preprocessingScript(*page);
    EXPECT_EQ(script.find("</script>"), std::string::npos);
    EXPECT_EQ(script.find("\xE2\x80\xA8"), std::string::npos);
    const std::string prefix = "zivivu.rade.nativeAds.preProcessJsonGmsg(";
    const std::string suffix = ", {\"sdk_version\":\"7.5.2\"})";
    ASSERT_GT(script.size(), prefix.size() + suffix.size());
    const auto spliced = platform::Json::parse(
        script.substr(prefix.size(), script.size() - prefix.size() - suffix.size()));
    EXPECT_EQ(spliced, platform::Json::parse(json));
}

TEST_F(GADAdPreprocessorTest, TextThatIsNotExactlyOneJSONValueFailsAtOnce) {
    for (const std::string json : {"{\"a\":1} alert(1)", "{", ""}) {
        outcomes.clear();
        preprocessor = GADAdPreprocessor::create("unit");
        preprocessor->preprocessNativeAdJSON(json, recorder());
        EXPECT_TRUE(outcomes.empty());
        h.scope.runUntilIdle();
        ASSERT_EQ(outcomes.size(), 1u) << json;
        EXPECT_TRUE(outcomes[0].error);
        EXPECT_FALSE(outcomes[0].configuration);
    }
    EXPECT_EQ(h.server.log().count(RequestKind::NativePage), 0u);
}

TEST_F(GADAdPreprocessorTest, APreprocessorGoneCallsNothing) {
    auto* page = start();
    ASSERT_TRUE(page);
    h.finishLoading(*page);
    preprocessor.reset();
    h.scope.advance(40);
    EXPECT_TRUE(outcomes.empty());
}

}  // namespace
}  // namespace ads
