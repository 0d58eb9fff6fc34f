// The SDK core controller on the scripted engine: requesters hand themselves over, the test
// plays the core page (its load, its gmsg answers) and reads the script calls it was sent.

#include "ads/web/GADSDKCoreController.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSIConfiguration.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADInterstitialAd.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/base/Error.h"
#include "platform/base/LogSink.h"
#include "platform/base/PercentEncoding.h"
#include "platform/base/StringEscaping.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;
using State = GADSDKCoreWebViewState;
using testing::SDKCoreTestScope;

class Requester : public GADSDKCoreControllerDelegate {
  public:
    explicit Requester(std::string unit = "unit")
        : parameters(Value::Dictionary{{"slotname", Value(std::move(unit))}}) {}

    RequestParametersBuilder requestParametersWithRequestID(const std::string& id) override {
        ++prepared;
        requestID = id;
        return [parameters = parameters, id]() -> std::optional<Value::Dictionary> {
            if (!parameters) return std::nullopt;
            auto copy = *parameters;
            copy["request_id"] = Value(id);
            return copy;
        };
    }
    GADRequestedAdType requestedAdType() override { return type; }
    std::int64_t CSIIdentifier() override { return 7; }

    void loadAdURLWithParameters(const Value::Dictionary& p) override {
        answers.push_back("url " + (p.count("url") ? p.at("url").stringValue() : "-"));
    }
    void loadAd(const std::shared_ptr<GADAd>& ad,
                const std::optional<Value::Dictionary>& headers) override {
        answers.push_back("ad");
        loadedAd = ad;
        loadedHeaders = headers;
    }
    void invalidJavaScriptRequest() override { answers.push_back("invalid"); }
    void failedJavaScriptFile() override { answers.push_back("failed"); }
    void SDKCoreRequestDidTimeOut() override { answers.push_back("timeout"); }

    std::optional<Value::Dictionary> parameters;
    GADRequestedAdType type = GADRequestedAdType::Generic;
    std::string requestID;
    int prepared = 0;
    std::vector<std::string> answers;
    std::shared_ptr<GADAd> loadedAd;
    std::optional<Value::Dictionary> loadedHeaders;
};

class GADSDKCoreControllerTest : public ::testing::Test {
  protected:
    void SetUp() override { controller = GADSDKCoreController::sharedInstance(); }

    FakeWebPage& page() { return *views.web().pages().at(pageIndex); }
    void settle() { SDKCoreTestScope::settle(*controller); }
    std::shared_ptr<Requester> request(std::string unit = "unit") {
        auto requester = std::make_shared<Requester>(std::move(unit));
        controller->buildAdURL(requester);
        settle();
        return requester;
    }
    // The engine asks for the page, loads it, and the page is ready.
    void loadPage(std::size_t expectedLoads = 1) {
        ASSERT_EQ(page().loads().size(), expectedLoads);
        page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
        settle();
        page().fireStart();
        page().fireFinish();
        settle();
    }
    void failPage() {
        page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
        settle();
        page().fireFail(platform::Error::make("NSURLErrorDomain", -1004, "refused"));
        settle();
    }
    void answer(const std::string& gmsg) {
        page().fireNavigation("gmsg://movuroute/" + gmsg, NavigationType::Other);
        settle();
    }
    // The page functions called, with their arguments.
    std::vector<std::string> calls() {
        std::vector<std::string> found;
        const std::string prefix = "setTimeout(function(){";
        for (const auto& script : page().evaluations()) {
            if (script.rfind(prefix + "RADE_", 0) != 0) continue;
            found.push_back(script.substr(prefix.size(), script.size() - prefix.size() - 6));
        }
        return found;
    }
    std::vector<std::string> adCalls() {
        std::vector<std::string> found;
        for (auto& call : calls()) {
            if (call.rfind("RADE_getSdkConstants", 0) != 0) found.push_back(call);
        }
        return found;
    }
    static std::optional<Value> stored(const char* key) {
        return platform::UserDefaults::standard().objectForKey(key);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    SDKCoreTestScope core;
    std::shared_ptr<GADSDKCoreController> controller;
    // The engine's page of the controller's core web view.
    std::size_t pageIndex = 0;
};

TEST_F(GADSDKCoreControllerTest, RequestsBeforeTheLoadShareItAndGetIdsInArrivalOrder) {
    auto first = request("first");
    auto second = request("second");
    EXPECT_EQ(controller->activeSDKCoreWebView()->state(), State::LoadRequested);
    loadPage();
    EXPECT_EQ(first->requestID, "1");
    EXPECT_EQ(second->requestID, "2");
    EXPECT_EQ(first->prepared, 1);
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           R"(RADE_getSdkConstants({"js":"rade-sdk-i-v7.5.2"});)",
                           R"(RADE_getAd({"request_id":"1","slotname":"first"});)",
                           R"(RADE_getAd({"request_id":"2","slotname":"second"});)",
                       }));

    answer("loadAdURL?request_id=2&url=http%3A%2F%2Fads.example%2Fgma%3Fa%3D1");
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fads.example%2Fgma");
    EXPECT_EQ(first->answers, (std::vector<std::string>{"url http://ads.example/gma"}));
    EXPECT_EQ(second->answers, (std::vector<std::string>{"url http://ads.example/gma?a=1"}));

    // A later request needs no load: the ids go on counting.
    auto third = request("third");
    EXPECT_EQ(third->requestID, "3");
    EXPECT_EQ(page().loads().size(), 1u);
    // Every id is answered once; an unknown one reaches nobody.
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fads.example%2Fagain");
    answer("invalidRequest?request_id=1");
    answer("loadAdURL?url=http%3A%2F%2Fads.example%2Fnone");
    EXPECT_EQ(first->answers.size(), 1u);
    EXPECT_TRUE(third->answers.empty());
    answer("invalidRequest?request_id=3&reason=no");
    EXPECT_EQ(third->answers, (std::vector<std::string>{"invalid"}));
    EXPECT_EQ(controller->pendingBuildAdURLDelegateCount(), 0u);
}

TEST_F(GADSDKCoreControllerTest, ThePageIsReloadedOnlyWhenMoreThanAnHourOld) {
    auto first = request();
    loadPage();
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fa.example%2F");
    // Exactly one hour after the load was asked for: still fresh.
    scope.advance(3600);
    auto second = request();
    EXPECT_EQ(page().loads().size(), 1u);
    EXPECT_EQ(second->requestID, "2");
    answer("loadAdURL?request_id=2&url=http%3A%2F%2Fa.example%2F");

    scope.advance(0.001);
    auto third = request();
    EXPECT_EQ(page().loads().size(), 2u);
    EXPECT_TRUE(third->requestID.empty());
    loadPage(2);
    EXPECT_EQ(third->requestID, "3");
    // The page never sent its constants, so every ready page was asked for them again.
    EXPECT_EQ(calls().size() - adCalls().size(), 3u);
}

TEST_F(GADSDKCoreControllerTest, AFailedPageFailsTheWaitingRequestsAndIsTriedAgain) {
    auto first = request();
    auto second = request();
    failPage();
    EXPECT_EQ(first->answers, (std::vector<std::string>{"failed"}));
    EXPECT_EQ(second->answers, (std::vector<std::string>{"failed"}));
    EXPECT_TRUE(calls().empty());

    // Never loaded: the age counts from the clock's origin, and a failed page is loaded again.
    auto third = request();
    EXPECT_EQ(page().loads().size(), 2u);
    loadPage(2);
    EXPECT_EQ(third->requestID, "1");
    EXPECT_EQ(first->answers.size(), 1u);
    // Nothing waits any more: an hour later, no time-out is heard.
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fa.example%2F");
    scope.advance(3600);
    settle();
    EXPECT_EQ(third->answers.size(), 1u);
}

TEST_F(GADSDKCoreControllerTest, MediationParametersCallTheAdapterLessFunction) {
    auto plain = request();
    auto mediation = std::make_shared<Requester>();
    mediation->parameters->emplace("zivivu-ad-url-mediation", Value(false));
    controller->buildAdURL(mediation);
    settle();
    loadPage();
    const auto sent = adCalls();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].rfind("RADE_getAd(", 0), 0u);
    EXPECT_EQ(sent[1].rfind("RADE_getAdapterLessMediationAd(", 0), 0u);
}

TEST_F(GADSDKCoreControllerTest, ParametersThatCannotBeSentAreAnInvalidRequest) {
    auto none = std::make_shared<Requester>();
    none->parameters.reset();
    controller->buildAdURL(none);
    // Values JSON has no form for travel as their descriptions.
    auto data = std::make_shared<Requester>();
    data->parameters->emplace("blob", Value::data("ab", 2));
    controller->buildAdURL(data);
    settle();
    loadPage();
    EXPECT_EQ(none->answers, (std::vector<std::string>{"invalid"}));
    EXPECT_TRUE(data->answers.empty());
    ASSERT_EQ(adCalls().size(), 1u);
    EXPECT_NE(adCalls()[0].find(R"("blob":")"), std::string::npos);
}

TEST_F(GADSDKCoreControllerTest, ARefusalIsLoggedInOneShortLineWhateverThePageSends) {
    auto requester = request();
    loadPage();
    platform::LogSink::Capture capture;
    // The page names the request with 100,000 digits and gives a reason on a line of its own.
    answer("invalidRequest?request_id=" + std::string(100000, '9') + "&reason=a%0Ab");
    GADLogFlush();
    ASSERT_EQ(capture.lines().size(), 1u);
    const std::string line = capture.lines()[0];
    EXPECT_LE(line.size(), platform::kLogTextMaxBytes + 64) << line.size();
    EXPECT_EQ(line.rfind("<Zivivu> Invalid Request: ", 0), 0u) << line.substr(0, 80);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_TRUE(requester->answers.empty());
}

TEST_F(GADSDKCoreControllerTest, ARequestUnansweredForAMinuteTimesOut) {
    auto waiting = request();
    loadPage();
    ASSERT_EQ(waiting->requestID, "1");
    scope.advance(GADSDKCoreController::kRequestTimeout - 0.001);
    settle();
    EXPECT_TRUE(waiting->answers.empty());
    scope.advance(0.001);
    settle();
    EXPECT_EQ(waiting->answers, (std::vector<std::string>{"timeout"}));
    // Taken out: the page's late answer reaches nobody.
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fa.example%2F");
    EXPECT_EQ(waiting->answers.size(), 1u);
    EXPECT_EQ(controller->pendingBuildAdURLDelegateCount(), 0u);
}

TEST_F(GADSDKCoreControllerTest, APageThatNeverLoadsFailsItsRequestsAfterThirtySeconds) {
    auto waiting = request();
    page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
    settle();
    scope.advance(GADSDKCoreWebView::kLoadTimeout);
    settle();
    EXPECT_EQ(waiting->answers, (std::vector<std::string>{"failed"}));
}

TEST_F(GADSDKCoreControllerTest, AReloadFailsTheRequestsItsOldPageWasToAnswer) {
    auto first = request();
    loadPage();
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fa.example%2F");
    scope.advance(3590);
    auto sent = request();
    ASSERT_EQ(sent->requestID, "2");
    scope.advance(10.001);
    auto next = request();
    EXPECT_EQ(sent->answers, (std::vector<std::string>{"failed"}));
    EXPECT_TRUE(next->answers.empty());
    failPage();
    EXPECT_EQ(next->answers, (std::vector<std::string>{"failed"}));
    // Answered once: the page's late answer and the time-out reach nobody.
    answer("loadAdURL?request_id=2&url=http%3A%2F%2Fa.example%2F");
    scope.advance(60);
    settle();
    EXPECT_EQ(sent->answers.size(), 1u);
}

TEST_F(GADSDKCoreControllerTest, WhenThePagesProcessEndsItsUnansweredCallsGoToTheNextPage) {
    auto answered = request("answered");
    loadPage();
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fa.example%2F");
    auto viewability = controller->SDKCoreWebViewForActiveViewProcessing();
    auto first = request("first");
    auto second = request("second");
    ASSERT_EQ(second->requestID, "3");

    // Gone with the page: both calls go again, in order, to a page loaded at once.
    page().fireWebProcessEnded();
    settle();
    EXPECT_EQ(page().loads().size(), 2u);
    EXPECT_TRUE(first->answers.empty());
    EXPECT_TRUE(second->answers.empty());
    loadPage(2);
    EXPECT_EQ(first->requestID, "4");
    EXPECT_EQ(second->requestID, "5");
    const auto sent = adCalls();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[3], R"(RADE_getAd({"request_id":"4","slotname":"first"});)");
    EXPECT_EQ(sent[4], R"(RADE_getAd({"request_id":"5","slotname":"second"});)");
    // Each is answered once, by the new page; the old ids reach nobody.
    answer("loadAdURL?request_id=2&url=http%3A%2F%2Fa.example%2Fold");
    answer("loadAdURL?request_id=4&url=http%3A%2F%2Fa.example%2F4");
    EXPECT_EQ(first->answers, (std::vector<std::string>{"url http://a.example/4"}));
    EXPECT_EQ(answered->answers.size(), 1u);
    // Their minute still counts from when they were asked.
    scope.advance(GADSDKCoreController::kRequestTimeout);
    settle();
    EXPECT_EQ(second->answers, (std::vector<std::string>{"timeout"}));
    // The viewability page was in that process too: monitors get a new one.
    EXPECT_NE(controller->SDKCoreWebViewForActiveViewProcessing(), viewability);

    // With nothing waiting, the page is only marked failed; the next request loads it.
    page().fireWebProcessEnded();
    settle();
    EXPECT_EQ(controller->activeSDKCoreWebView()->state(), State::Failed);
    EXPECT_EQ(page().loads().size(), 2u);
    auto later = request("later");
    EXPECT_EQ(page().loads().size(), 3u);
    loadPage(3);
    EXPECT_EQ(later->requestID, "6");
}

// Holds a requester's request step on the request queue until the test lets it go, so the page
// can change meanwhile.
class HeldRequester : public Requester {
  public:
    RequestParametersBuilder requestParametersWithRequestID(const std::string& id) override {
        return [this, build = Requester::requestParametersWithRequestID(id),
                release = released.get_future().share()] {
            entered = true;
            release.wait();
            return build();
        };
    }
    std::atomic<bool> entered{false};
    std::promise<void> released;
};

TEST_F(GADSDKCoreControllerTest, ACallDroppedByTheWebViewFailsItsRequest) {
    request();
    loadPage();
    auto webView = controller->activeSDKCoreWebView();
    auto held = std::make_shared<HeldRequester>();
    controller->buildAdURL(held);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return held->entered.load(); }));

    // The page fails while the request step is under way: its call is refused.
    webView->refreshSDKCoreAndNotifyObserver({});
    scope.runUntilIdle();
    page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
    scope.runUntilIdle();
    page().fireFail(platform::Error::make("NSURLErrorDomain", -1004, "refused"));
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return webView->state() == State::Failed; }));
    held->released.set_value();
    settle();
    EXPECT_EQ(held->answers, (std::vector<std::string>{"failed"}));
}

TEST_F(GADSDKCoreControllerTest, ACallPushedOutByFiftyLaterOnesFailsItsRequest) {
    request();
    loadPage();
    auto webView = controller->activeSDKCoreWebView();
    auto held = std::make_shared<HeldRequester>();
    controller->buildAdURL(held);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return held->entered.load(); }));
    webView->refreshSDKCoreAndNotifyObserver({});
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return webView->state() == State::LoadRequested; }));
    held->released.set_value();
    settle();
    EXPECT_TRUE(held->answers.empty());
    for (int i = 0; i < 50; ++i) webView->enqueueJavaScriptCommand("later();");
    settle();
    EXPECT_EQ(held->answers, (std::vector<std::string>{"failed"}));
}

TEST_F(GADSDKCoreControllerTest, ConstantsAreStoredAndMalformedOnesLeaveTheOldValues) {
    auto requester = request();
    loadPage();
    answer(
        "loadSdkConstants?active_view_unload_cache_size=2&use_new_web_views_for_active_view=1"
        "&refresh_intervals=%7B%22active_view_sampling_interval%22%3A%220.25%22%2C"
        "%22swipe_to_view_sampling_interval%22%3A1.5%7D"
        "&whitelisted_ad_request_domains=%5B%22a.example%22%2C3%5D"
        "&clickthrough_confirm_schemes=%7B%22tel%22%3A%22Call%22%7D"
        "&ping_interval=30&url_time_to_live=&adapter_class_names=A%2C%20B");
    EXPECT_EQ(controller->activeViewUnloadCacheMaxSize(), 2u);
    EXPECT_TRUE(controller->useNewWebViewsForActiveViewProcessing());
    EXPECT_DOUBLE_EQ(controller->activeViewSamplingInterval(), 0.25);
    EXPECT_DOUBLE_EQ(controller->swipeToViewSamplingInterval(), 1.5);
    EXPECT_EQ(stored(settings_keys::kWhitelistedAdRequestDomains),
              Value::array({Value("a.example")}));
    EXPECT_EQ(stored(settings_keys::kClickthroughConfirmSchemes),
              Value::dictionary({{"tel", Value("Call")}}));
    EXPECT_EQ(stored(settings_keys::kPingInterval), Value("30"));
    EXPECT_FALSE(stored(settings_keys::kUrlTimeToLive));

    // A zero cache size, JSON of the wrong kind or no JSON at all change nothing.
    answer(
        "loadSdkConstants?active_view_unload_cache_size=0"
        "&refresh_intervals=%5B%5D&whitelisted_ad_request_domains=%7B%7D"
        "&clickthrough_confirm_schemes=%7B%22tel%22%3A1%7D&ping_interval=");
    EXPECT_EQ(controller->activeViewUnloadCacheMaxSize(), 2u);
    EXPECT_FALSE(controller->useNewWebViewsForActiveViewProcessing());
    EXPECT_DOUBLE_EQ(controller->activeViewSamplingInterval(), 0.25);
    EXPECT_EQ(stored(settings_keys::kWhitelistedAdRequestDomains),
              Value::array({Value("a.example")}));
    EXPECT_EQ(stored(settings_keys::kClickthroughConfirmSchemes),
              Value::dictionary({{"tel", Value("Call")}}));
    EXPECT_EQ(stored(settings_keys::kPingInterval), Value("30"));
    (void)requester;
}

TEST_F(GADSDKCoreControllerTest, ConstantsAreAskedForUntilTheyArriveAndAfterEveryReload) {
    request();
    failPage();
    // A failed page is asked nothing.
    request();
    loadPage(2);
    EXPECT_EQ(calls().size() - adCalls().size(), 1u);
    answer("loadSdkConstants?ping_interval=20");
    request();
    EXPECT_EQ(calls().size() - adCalls().size(), 1u);
    // A reload asks again.
    scope.advance(3600.001);
    request();
    loadPage(3);
    EXPECT_EQ(calls().size() - adCalls().size(), 2u);
}

TEST_F(GADSDKCoreControllerTest, TheLoadAndEachRoundTripAreTimedPerRequester) {
    auto configuration = GADCSIConfiguration::create(GADCSI::kServiceName);
    configuration->setReportingEnabled(true);
    auto hub = GADCSI::create(configuration);
    SDKCoreTestScope reporting(hub);
    controller = GADSDKCoreController::sharedInstance();
    pageIndex = 1;
    auto recorder = [&] { return hub->timeRecorderForAction("load_ad_ios"); };

    auto answered = request();
    scope.advance(0.25);
    loadPage();
    auto refused = request();
    answer("loadAdURL?request_id=1&url=http%3A%2F%2Fa.example%2F");
    answer("invalidRequest?request_id=2");
    ASSERT_TRUE(recorder());
    auto completed = recorder()->completedVariables();
    EXPECT_EQ(completed.size(), 2u);
    EXPECT_TRUE(completed.count("jsf_ios"));
    // Both requesters answer 7 as their identifier: the refused one's round trip was cancelled.
    EXPECT_TRUE(completed.count("rur_ios7"));
    auto ongoing = recorder()->ongoingVariables();
    EXPECT_EQ(ongoing.size(), 1u);
    EXPECT_TRUE(ongoing.count("nwl_ios7"));

    // A page that fails is not timed.
    controller->activeSDKCoreWebView()->refreshSDKCoreAndNotifyObserver({});
    settle();
    failPage();
    EXPECT_FALSE(recorder()->ongoingVariables().count("jsf_ios"));
    EXPECT_EQ(recorder()->completedVariables().size(), 2u);
}

TEST_F(GADSDKCoreControllerTest, AFetchedAdIsMadeIntoTheKindTheRequesterWants) {
    auto generic = request();
    auto banner = request();
    banner->type = GADRequestedAdType::Banner;
    auto interstitial = request();
    interstitial->type = GADRequestedAdType::Interstitial;
    auto unknown = request();
    unknown->type = static_cast<GADRequestedAdType>(7);
    auto notAnObject = request();
    auto undecodable = request();
    loadPage();
    const std::string ad =
        "fetched_ad=" +
        platform::percentEncodeComponent(R"({"ad_url":"https://a.example/ad","refresh_rate":45})");
    answer("loadAd?request_id=1&" + ad);
    answer("loadAd?request_id=2&" + ad);
    answer("loadAd?request_id=3&" + ad);
    answer("loadAd?request_id=4&" + ad);
    answer("loadAd?request_id=5&fetched_ad=%5B1%5D");
    answer("loadAd?request_id=6&fetched_ad=%7Bbroken");

    ASSERT_EQ(generic->answers, (std::vector<std::string>{"ad"}));
    EXPECT_EQ(generic->loadedAd->adURL()->absoluteString(), "https://a.example/ad");
    EXPECT_FALSE(std::dynamic_pointer_cast<GADBannerAd>(generic->loadedAd));
    EXPECT_EQ(generic->loadedAd->reloadInterval(), 0);
    ASSERT_EQ(banner->answers, (std::vector<std::string>{"ad"}));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADBannerAd>(banner->loadedAd));
    EXPECT_EQ(banner->loadedAd->reloadInterval(), 45);
    ASSERT_EQ(interstitial->answers, (std::vector<std::string>{"ad"}));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADInterstitialAd>(interstitial->loadedAd));
    EXPECT_EQ(interstitial->loadedAd->reloadInterval(), 0);
    EXPECT_EQ(generic->loadedAd->responseType(), GADAdResponseType::Invalid);
    EXPECT_FALSE(generic->loadedHeaders);
    // Nothing can be made of these: the requesters are not left waiting.
    EXPECT_EQ(unknown->answers, (std::vector<std::string>{"invalid"}));
    EXPECT_EQ(notAnObject->answers, (std::vector<std::string>{"invalid"}));
    // Text that is no JSON at all is no answer; the request times out.
    EXPECT_TRUE(undecodable->answers.empty());
    scope.advance(GADSDKCoreController::kRequestTimeout);
    settle();
    EXPECT_EQ(undecodable->answers, (std::vector<std::string>{"timeout"}));

    // A mediation answer says so in its type and its headers.
    auto mediated = request();
    answer("loadAd?request_id=7&fetched_ad=" +
           platform::percentEncodeComponent(R"({"ad_html":"{}","is_mediation":true})"));
    ASSERT_EQ(mediated->answers, (std::vector<std::string>{"ad"}));
    EXPECT_EQ(mediated->loadedAd->responseType(), GADAdResponseType::Mediation);
    EXPECT_EQ(mediated->loadedHeaders,
              (Value::Dictionary{{"x-rade-mediation", Value(1)},
                                 {"Content-Type", Value("application/json")}}));
}

TEST_F(GADSDKCoreControllerTest, HooksHearTheMraidConstants) {
    std::vector<std::string> heard;
    // Set one by one, as the features that own them do: none erases another.
    controller->setBannerImplementationPathHook([&](const std::optional<std::string>& path) {
        heard.push_back("banner " + path.value_or("-"));
    });
    controller->setInterstitialImplementationPathHook([&](const std::optional<std::string>& path) {
        heard.push_back("interstitial " + path.value_or("-"));
    });
    controller->setAllowRedirectHook([&] { heard.push_back("allow"); });
    controller->setDisallowRedirectHook([&] { heard.push_back("disallow"); });
    controller->setUpdateCharacterSetsHook([&] { heard.push_back("charsets"); });
    request();
    loadPage();
    answer("loadSdkConstants?mraid_banner_path=b.js&mraid_disable_redirect=1");
    answer("loadSdkConstants?mraid_disable_redirect=true");
    EXPECT_EQ(heard,
              (std::vector<std::string>{"banner b.js", "interstitial -", "disallow", "charsets",
                                        "banner -", "interstitial -", "allow", "charsets"}));

    // Setting a hook again replaces that hook only.
    heard.clear();
    controller->setBannerImplementationPathHook(
        [&](const std::optional<std::string>&) { heard.push_back("other banner"); });
    answer("loadSdkConstants?mraid_banner_path=c.js");
    EXPECT_EQ(heard,
              (std::vector<std::string>{"other banner", "interstitial -", "allow", "charsets"}));
}

TEST_F(GADSDKCoreControllerTest, ActiveViewWebViewsAreSharedUntilThePageAsksForAReload) {
    auto shared = controller->SDKCoreWebViewForActiveViewProcessing();
    EXPECT_EQ(controller->SDKCoreWebViewForActiveViewProcessing(), shared);
    EXPECT_NE(shared, controller->activeSDKCoreWebView());
    request();
    loadPage();
    answer("requestReload");
    auto renewed = controller->SDKCoreWebViewForActiveViewProcessing();
    EXPECT_NE(renewed, shared);
    EXPECT_EQ(controller->SDKCoreWebViewForActiveViewProcessing(), renewed);

    answer("loadSdkConstants?use_new_web_views_for_active_view=1");
    auto fresh = controller->SDKCoreWebViewForActiveViewProcessing();
    EXPECT_NE(fresh, renewed);
    EXPECT_NE(controller->SDKCoreWebViewForActiveViewProcessing(), fresh);
}

class Unit : public GADAdViewActiveViewMonitoring {
  public:
    void adViewDidChangeActiveViewVisibility(bool) override {}
    void adViewDidStopActiveViewMonitoring() override { ++stopped; }
    int stopped = 0;
};

TEST_F(GADSDKCoreControllerTest, TheUnloadCacheKeepsTheNewestRunningWebViews) {
    auto unit = std::make_shared<Unit>();
    std::vector<std::shared_ptr<GADSDKCoreWebView>> lent;
    for (std::uint64_t id = 1; id <= 4; ++id) {
        auto webView = GADSDKCoreWebView::create();
        webView->setActiveViewObserver(unit, id);
        lent.push_back(webView);
    }
    // One with nothing running is simply dropped.
    auto idle = GADSDKCoreWebView::create();
    controller->finishedUsingSDKCoreWebViewForActiveViewProcessing(idle);
    EXPECT_EQ(controller->activeViewUnloadCacheCount(), 0u);

    for (auto& webView : lent)
        controller->finishedUsingSDKCoreWebViewForActiveViewProcessing(webView);
    EXPECT_EQ(controller->activeViewUnloadCacheCount(), 3u);
    EXPECT_FALSE(lent[0]->isActiveViewRunning());
    EXPECT_TRUE(lent[1]->isActiveViewRunning());
    EXPECT_EQ(unit->stopped, 1);

    // A unit the page stopped watching frees its web view at the next trim.
    lent[3]->clearAllActiveViewInstances();
    controller->SDKCoreWebViewForActiveViewProcessing();
    EXPECT_EQ(controller->activeViewUnloadCacheCount(), 2u);
}

}  // namespace
}  // namespace ads
