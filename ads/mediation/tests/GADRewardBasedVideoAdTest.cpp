// The rewarded video ad as the app and the SDK core see it: the reward value, the states, the
// request's parameters on the scripted core page and each way a load can fail before the
// waterfall starts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <thread>

#include "RewardTestSupport.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/testsupport/ScriptedCorePage.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/base/LogSink.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Decimal;
using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;
using testing::RewardTest;
using testing::ScriptedCorePage;
using testing::ScriptedRewardAdapter;
using testing::SDKCoreTestScope;

std::string encoded(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_') {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string describe(const std::shared_ptr<const GADAdReward>& reward) {
    return reward ? reward->type() + " " + reward->amount().toString() : "none";
}

TEST(GADAdRewardTest, ARewardHasATypeAndAnExactAmountOrIsNone) {
    EXPECT_EQ(describe(GADAdReward::create("coins", Decimal::fromInteger(10))), "coins 10");
    EXPECT_EQ(describe(GADAdReward::create(std::nullopt, Decimal::fromInteger(10))), "none");
    EXPECT_EQ(describe(GADAdReward::create("coins", std::nullopt)), "none");
    EXPECT_EQ(describe(GADAdReward::create()), "none");

    const auto fromDictionary = [](Value::Dictionary dictionary) {
        const Value value(std::move(dictionary));
        return describe(GADAdReward::createWithRewardDictionary(&value));
    };
    EXPECT_EQ(fromDictionary({{"rb_type", Value("coins")}, {"rb_amount", Value(10)}}), "coins 10");
    // The number's shortest text: 0.1 stays 0.1.
    EXPECT_EQ(fromDictionary({{"rb_type", Value("gems")}, {"rb_amount", Value(0.1)}}), "gems 0.1");
    EXPECT_EQ(fromDictionary({{"rb_type", Value("coins")}, {"rb_amount", Value("10")}}), "none");
    EXPECT_EQ(fromDictionary({{"rb_type", Value("coins")}, {"rb_amount", Value(true)}}), "none");
    EXPECT_EQ(fromDictionary({{"rb_type", Value(5)}, {"rb_amount", Value(10)}}), "none");
    EXPECT_EQ(fromDictionary({{"rb_amount", Value(10)}}), "none");
    EXPECT_EQ(describe(GADAdReward::createWithRewardDictionary(nullptr)), "none");
    const Value notADictionary("coins");
    EXPECT_EQ(describe(GADAdReward::createWithRewardDictionary(&notADictionary)), "none");
}

TEST(GADRewardBasedVideoAdSharedTest, OneInstanceForEveryThread) {
    std::shared_ptr<GADRewardBasedVideoAd> seen[4];
    std::vector<std::thread> threads;
    for (auto& slot : seen) {
        threads.emplace_back([&slot] { slot = GADRewardBasedVideoAd::sharedInstance(); });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& instance : seen) EXPECT_EQ(instance, GADRewardBasedVideoAd::sharedInstance());
    // As the SDK core's requester it asks for an interstitial-type ad and keeps no timings.
    GADSDKCoreControllerDelegate& requester = *seen[0];
    EXPECT_EQ(requester.requestedAdType(), GADRequestedAdType::Interstitial);
    EXPECT_EQ(requester.CSIIdentifier(), -1);
}

class GADRewardBasedVideoAdTest : public ::testing::Test, public RewardTest {
  protected:
    FakeWebPage& page() { return corePage.page(); }
    static void settleCore() { ScriptedCorePage::settle(); }
    void loadFromCore(std::shared_ptr<GADRequest> request = nullptr) {
        ad->loadRequest(std::move(request), "rewarded-unit", "user-7");
        settleCore();
    }
    void loadPage() { corePage.load(); }
    void answer(const std::string& gmsg) { corePage.answer(gmsg); }
    Value lastRequest() { return corePage.lastRequest(); }

    ScriptedCorePage corePage{views};
};

TEST_F(GADRewardBasedVideoAdTest, TheCoreGetsTheRewardedParametersAndASecondLoadIsIgnored) {
    auto request = GADRequest::request();
    request->setKeywords(std::vector<std::string>{"racing"});
    loadFromCore(request);
    EXPECT_TRUE(ad->isLoading());
    // The parameters come from what the load knew when it started.
    request->setKeywords(std::vector<std::string>{"changed", "later"});
    platform::LogSink::Capture log;
    ad->loadRequest(GADRequest::request(), "other-unit", "user-8");
    GADLogFlush();
    EXPECT_TRUE(log.contains(GADRewardBasedVideoAd::kRequestInProgressMessage));
    loadPage();

    const Value sent = lastRequest();
    EXPECT_EQ(sent["rbv_user_id"], Value("user-7"));
    EXPECT_EQ(sent["slotname"], Value("rewarded-unit"));
    EXPECT_EQ(sent["rbv"], Value("1"));
    EXPECT_EQ(sent["request_id"], Value("1"));
    EXPECT_EQ(sent["format"], Value("reward_mb"));
    EXPECT_EQ(sent["kw"], Value::array({Value("racing")}));
    EXPECT_EQ(peer().requestID(), std::optional<std::string>("1"));

    // The first load's outcome still arrives, once.
    answer("invalidRequest?request_id=1");
    EXPECT_EQ(delegate->events,
              (std::vector<std::string>{"fail:0:" +
                                        std::string(GADRewardBasedVideoAd::kInvalidRequestText)}));
    EXPECT_FALSE(ad->isLoading());
    EXPECT_FALSE(ad->isReady());
}

TEST_F(GADRewardBasedVideoAdTest, EachCoreOutcomeEndsTheLoadWithItsCode) {
    // The server refused: code 0 with the request's parameters.
    loadFromCore();
    loadPage();
    answer("loadAdURL?request_id=1&errors=no%20ad&url=https%3A%2F%2Fa.example%2F");
    ASSERT_EQ(delegate->events.size(), 1u);
    EXPECT_EQ(delegate->errors.at(0).code, kGADErrorInvalidRequest);
    EXPECT_GT(delegate->errors.at(0).userInfo.size(),
              GADRequestError::errorWithCode(kGADErrorInvalidRequest).userInfo.size());

    // The page handing over an ad of its own.
    loadFromCore();
    GADSDKCoreControllerDelegate& requester = *ad;
    requester.loadAd(GADAd::create(), std::nullopt);
    EXPECT_EQ(delegate->events.back(),
              "fail:11:" + std::string(GADRewardBasedVideoAd::kLoadAdText));
    // A late answer of a load that is over does nothing.
    requester.invalidJavaScriptRequest();
    EXPECT_EQ(delegate->events.size(), 2u);

    // No answer within the core's limit.
    loadFromCore();
    scope.advance(GADSDKCoreController::kRequestTimeout);
    settleCore();
    EXPECT_EQ(delegate->errors.back().code, kGADErrorTimeout);
    EXPECT_FALSE(ad->isLoading());
}

TEST_F(GADRewardBasedVideoAdTest, AFailedCorePageIsNoNetwork) {
    loadFromCore();
    page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
    settleCore();
    page().fireFail(platform::Error::make("NSURLErrorDomain", -1004, "refused"));
    settleCore();
    EXPECT_EQ(
        delegate->events,
        (std::vector<std::string>{"fail:2:" + std::string(GADRewardBasedVideoAd::kNoNetworkText)}));
}

TEST_F(GADRewardBasedVideoAdTest, AReadyAdWithoutURLAsksTheCoreAndOneWithAURLIsFetched) {
    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(
        Value::Dictionary{{"_ad", Value::dictionary({{"ad_html", Value("<p>no url</p>")}})}}));
    loadFromCore(request);
    loadPage();
    EXPECT_EQ(lastRequest()["format"], Value("reward_mb"));
    // The core's ad URL is fetched: an HTML ad is no mediation answer.
    server.text("/html-ad", "<html>an ad</html>", 200, "text/html");
    answer("loadAdURL?request_id=1&url=" + encoded(server.url("/html-ad")));
    platform::testing::runMainLoopUntil([&] { return !delegate->events.empty(); });
    EXPECT_EQ(delegate->events,
              (std::vector<std::string>{"fail:13:" +
                                        std::string(GADRewardBasedVideoAd::kInvalidResponseText)}));
    EXPECT_EQ(server.requestsFor("/html-ad").at(0).method, "GET");
    EXPECT_FALSE(server.requestsFor("/html-ad").at(0).header("User-Agent").empty());
}

TEST_F(GADRewardBasedVideoAdTest, BrokenAnswersFailWithTheirCodes) {
    auto registration = ScriptedRewardAdapter::registerClass({});
    const std::string name = registration->name();
    // A fetch that fails gives the fetcher's error.
    server.text("/down", "busy", 500);
    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(
        Value::Dictionary{{"_ad", Value::dictionary({{"ad_url", Value(server.url("/down"))}})}}));
    ad->loadRequest(request, "rewarded-unit", "user-1");
    platform::testing::runMainLoopUntil([&] { return !delegate->events.empty(); });
    ASSERT_EQ(delegate->errors.size(), 1u);
    EXPECT_EQ(delegate->errors.at(0).domain, "com.zivivu.ads");
    EXPECT_EQ(delegate->errors.at(0).code, kGADErrorServerError);

    const std::vector<std::pair<std::string, std::string>> mediationJSON{
        {"x-rade-mediation", "1"}, {"Content-Type", "application/json"}};
    loadBody("{not json", mediationJSON);
    loadBody("[1, 2]", mediationJSON);
    loadBody("{\"ad_type\": \"interstitial\"}", mediationJSON);
    load(config({{name}}, {}, "banner"));
    const std::string invalid = GADRewardBasedVideoAd::kInvalidResponseText;
    EXPECT_EQ(std::vector<std::string>(delegate->events.begin() + 1, delegate->events.end()),
              (std::vector<std::string>{
                  "fail:7:" + invalid, "fail:13:" + invalid,
                  "fail:7:" + GADRequestError::defaultText(kGADErrorMediationDataError),
                  "fail:7:" + std::string(GADRewardBasedVideoAd::kInvalidAdTypeText)}));
    EXPECT_TRUE(registration->record().calls.empty());
}

TEST_F(GADRewardBasedVideoAdTest, TheStatesFollowLoadsAndPresenting) {
    auto registration = ScriptedRewardAdapter::registerClass({});
    const auto configuration = config({{registration->name()}});
    EXPECT_FALSE(ad->isReady());
    EXPECT_FALSE(ad->isLoading());
    // Presenting before anything loaded, and while loading, does nothing.
    ad->presentFromRootViewController(nullptr);
    load(configuration);
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"receive"}));
    EXPECT_TRUE(ad->isReady());
    EXPECT_FALSE(ad->isLoading());

    ad->presentFromRootViewController(nullptr);
    EXPECT_FALSE(ad->isReady());
    ad->presentFromRootViewController(nullptr);
    const auto& calls = registration->record().calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "present"), 1);

    // A new load clears readiness at once: the earlier ad cannot be shown any more.
    load(configuration);
    EXPECT_TRUE(ad->isReady());
    registration->setScript({.answer = ScriptedRewardAdapter::Answer::Silence});
    auto request = GADRequest::request();
    ad->loadRequest(request, "rewarded-unit", "user-1");
    EXPECT_FALSE(ad->isReady());
    ad->presentFromRootViewController(nullptr);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "present"), 1);
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"receive", "receive"}));
}

}  // namespace
}  // namespace ads
