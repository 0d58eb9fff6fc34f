// The SDK core on real WebKit against our loopback ad server: the core page loads, hands over
// its constants, and answers requests as the server's scenario for the ad unit says. Needs a
// display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "platform/storage/Json.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/TempDir.h"

namespace ads {
namespace {

using platform::Value;
using tools::adserver::AdScenario;
using tools::adserver::PageAnswer;
using tools::adserver::RequestKind;

class Requester : public GADSDKCoreControllerDelegate {
  public:
    explicit Requester(Value::Dictionary parameters) : parameters_(std::move(parameters)) {}

    RequestParametersBuilder requestParametersWithRequestID(const std::string& id) override {
        parameters_["request_id"] = Value(id);
        return [parameters = parameters_] { return std::optional<Value::Dictionary>(parameters); };
    }
    GADRequestedAdType requestedAdType() override { return GADRequestedAdType::Banner; }
    std::int64_t CSIIdentifier() override { return 1; }
    void loadAdURLWithParameters(const Value::Dictionary& parameters) override {
        answers.push_back("url");
        answer = parameters;
    }
    void loadAd(const std::shared_ptr<GADAd>& ad,
                const std::optional<Value::Dictionary>&) override {
        answers.push_back("ad");
        loadedAd = ad;
    }
    void invalidJavaScriptRequest() override { answers.push_back("invalid"); }
    void failedJavaScriptFile() override { answers.push_back("failed"); }
    void SDKCoreRequestDidTimeOut() override { answers.push_back("timeout"); }

    std::vector<std::string> answers;
    Value::Dictionary answer;
    std::shared_ptr<GADAd> loadedAd;

  private:
    Value::Dictionary parameters_;
};

class GADSDKCoreWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        controller = GADSDKCoreController::sharedInstance();
    }
    std::shared_ptr<Requester> request(const std::string& unit, const std::string& format) {
        auto requester = std::make_shared<Requester>(
            Value::Dictionary{{"slotname", Value(unit)}, {"format", Value(format)}});
        controller->buildAdURL(requester);
        return requester;
    }
    bool answered(const std::shared_ptr<Requester>& requester) {
        return ads.waitOnMainLoopUntil([&] { return !requester->answers.empty(); }, 20);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<GADSDKCoreController> controller;
};

TEST_F(GADSDKCoreWebKitTest, ThePageStoresTheConstantsAndAnswersWithAdURLs) {
    ads.server().setScenario("ca-movu-banner", AdScenario::banner());
    ads.server().setScenario("ca-movu-ist",
                             AdScenario::interstitial().withRequestScenario("offline_buffer"));
    auto banner = request("ca-movu-banner", "320x50_mb");
    auto interstitial = request("ca-movu-ist", "interstitial_mb");
    ASSERT_TRUE(answered(banner));
    ASSERT_TRUE(answered(interstitial));
    EXPECT_EQ(banner->answers, (std::vector<std::string>{"url"}));
    EXPECT_EQ(interstitial->answers, (std::vector<std::string>{"url"}));
    EXPECT_EQ(ads.log().count(RequestKind::PageLoad), 1u);

    // The page handed the server what the requests carried, and the ad URLs carry it back.
    auto calls = ads.log().of(RequestKind::CoreCall);
    std::vector<std::string> functions;
    for (const auto& call : calls) functions.push_back(call.function);
    EXPECT_EQ(functions,
              (std::vector<std::string>{"RADE_getSdkConstants", "RADE_getAd", "RADE_getAd"}));
    EXPECT_EQ(calls[1].slotname, "ca-movu-banner");
    EXPECT_NE(calls[2].body.find(R"("format":"interstitial_mb")"), std::string::npos);
    const std::string bannerURL = banner->answer["url"].stringValue();
    EXPECT_EQ(bannerURL.rfind(ads.origin() + "/mads/gma?", 0), 0u) << bannerURL;
    EXPECT_NE(bannerURL.find("slotname=ca-movu-banner"), std::string::npos);
    EXPECT_NE(bannerURL.find("request_id=1"), std::string::npos);
    EXPECT_EQ(banner->answer["request_scenario"].stringValue(), "online_request");
    EXPECT_EQ(interstitial->answer["request_scenario"].stringValue(), "offline_buffer");

    // The constants the server sent are stored.
    auto& defaults = platform::UserDefaults::standard();
    EXPECT_EQ(defaults.stringForKey(settings_keys::kBadAdReportPath), ads.origin() + "/s/reportAd");
    EXPECT_EQ(defaults.objectForKey(settings_keys::kWhitelistedAdRequestDomains),
              Value::array({Value("127.0.0.1")}));
    EXPECT_DOUBLE_EQ(controller->swipeToViewSamplingInterval(), 0.5);
}

TEST_F(GADSDKCoreWebKitTest, RefusedAndFailedRequestsAreAnsweredSo) {
    ads.server().setScenario("ca-movu-refused", AdScenario::answered(PageAnswer::Invalid));
    ads.server().setScenario("ca-movu-errors", AdScenario::answered(PageAnswer::Errors));
    auto refused = request("ca-movu-refused", "320x50_mb");
    auto errors = request("ca-movu-errors", "320x50_mb");
    ASSERT_TRUE(answered(refused));
    ASSERT_TRUE(answered(errors));
    EXPECT_EQ(refused->answers, (std::vector<std::string>{"invalid"}));
    EXPECT_EQ(errors->answers, (std::vector<std::string>{"url"}));
    EXPECT_TRUE(errors->answer.count("errors"));
}

TEST_F(GADSDKCoreWebKitTest, ThePageFetchesTheAdThroughNativeCodeAndHandsItOver) {
    // Characters that end a script line or need more than one byte must survive the trip from
    // the fetch, through the page's script call, back to native code.
    const std::string html = "<p>caf\u00e9 \u2028 \u2029 \u00fcber \U0001F600</p>";
    ads.server().setScenario("ca-movu-fetch",
                             AdScenario::answered(PageAnswer::FetchedAd).withHtml(html));
    auto fetched = request("ca-movu-fetch", "320x50_mb");
    ASSERT_TRUE(answered(fetched));
    EXPECT_EQ(fetched->answers, (std::vector<std::string>{"ad"}));
    ASSERT_TRUE(std::dynamic_pointer_cast<GADBannerAd>(fetched->loadedAd));
    EXPECT_EQ(fetched->loadedAd->adHTML(), html);
    EXPECT_EQ(fetched->loadedAd->adBaseURL()->absoluteString(), ads.origin() + "/mads/");
    EXPECT_FALSE(fetched->loadedAd->impressionURLs().empty());
    EXPECT_EQ(ads.log().count(RequestKind::FetchedAdRequest), 1u);
}

TEST_F(GADSDKCoreWebKitTest, AnUnreachableServerFailsTheRequestAndTheNextOneTriesAgain) {
    {
        platform::testing::ScopedEnv refusing("MOVUROUTE_AD_SERVER", ads.server().refusedOrigin());
        auto first = request("ca-movu-banner", "320x50_mb");
        ASSERT_TRUE(answered(first));
        EXPECT_EQ(first->answers, (std::vector<std::string>{"failed"}));
        EXPECT_EQ(controller->activeSDKCoreWebView()->state(), GADSDKCoreWebViewState::Failed);
    }
    auto second = request("ca-movu-banner", "320x50_mb");
    ASSERT_TRUE(answered(second));
    EXPECT_EQ(second->answers, (std::vector<std::string>{"url"}));
    EXPECT_EQ(ads.log().count(RequestKind::PageLoad), 1u);
}

// A hostile core page asks for 200 bodies of 7 MB in one turn (the page flood the tester
// brought). Every fetch is answered, those beyond the bounds as failed fetches with their
// reason; what the handler holds is read from its own accounting, not from the process's
// memory, which the sanitizer's quarantine keeps high (bench/ads_hostile_pages measures that).
TEST_F(GADSDKCoreWebKitTest, AFloodOfLargeFetchesStaysWithinThePagesBoundsAndIsAnswered) {
    using Handler = GADSDKCoreGMSGHandler;
    constexpr int kFetches = 200;
    constexpr std::size_t kBody = 7'000'000;
    ads.server().setScenario("ca-movu-flood", AdScenario::fetchFlood(kFetches, kBody));
    auto requester = request("ca-movu-flood", "320x50_mb");
    ASSERT_TRUE(answered(requester));
    EXPECT_EQ(requester->answers, (std::vector<std::string>{"url"}));
    // The page hands each answer to the server, a large body as its length.
    auto floodAnswers = [&] {
        std::vector<Value> found;
        for (const auto& call : ads.log().of(RequestKind::CoreCall)) {
            if (call.event != "fetchHttpRequestCompleted") continue;
            if (auto body = platform::Json::parse(call.body)) found.push_back((*body)["args"][1]);
        }
        return found;
    };
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return floodAnswers().size() == kFetches; }, 90))
        << floodAnswers().size();

    std::size_t loaded = 0, refusedForFetches = 0, refusedForBytes = 0;
    for (const auto& answer : floodAnswers()) {
        const auto& response = answer["response"];
        if (answer["success"] == Value("true")) {
            ++loaded;
            EXPECT_EQ(response["body_length"].integerValue(), std::int64_t(kBody));
        } else if (answer["reason"] == Value(Handler::kTooManyFetchesMessage)) {
            ++refusedForFetches;
        } else {
            EXPECT_EQ(answer["reason"], Value(Handler::kTooManyHeldBytesMessage));
            ++refusedForBytes;
        }
    }
    EXPECT_GE(loaded, 1u);
    EXPECT_EQ(loaded + refusedForFetches + refusedForBytes, std::size_t(kFetches));

    const auto figures =
        controller->activeSDKCoreWebView()->SDKCoreGMSGHandler()->fetchAccounting();
    RecordProperty("most_fetches_in_flight", int(figures.mostFetchesInFlight));
    RecordProperty("most_held_bytes", std::to_string(figures.mostHeldBytes));
    RecordProperty("loaded", int(loaded));
    EXPECT_LE(figures.mostFetchesInFlight, Handler::kMaxFetchesInFlight);
    EXPECT_LE(figures.mostHeldBytes, Handler::kMaxHeldBytesPerPage);
    EXPECT_GE(figures.mostHeldBytes, kBody);
    EXPECT_EQ(figures.refusedForFetchesInFlight, refusedForFetches);
    EXPECT_EQ(figures.refusedForHeldBytes, refusedForBytes);
    // Only the fetches that ran reached the server.
    EXPECT_EQ(ads.log().count(RequestKind::LargeBody), std::size_t(kFetches) - refusedForFetches);
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] {
        return controller->activeSDKCoreWebView()
                   ->SDKCoreGMSGHandler()
                   ->fetchAccounting()
                   .heldBytes == 0;
    }));
}

}  // namespace
}  // namespace ads
