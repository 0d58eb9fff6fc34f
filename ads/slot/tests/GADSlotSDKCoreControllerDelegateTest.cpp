// A slot asks the SDK core for its ad URL on the scripted engine: the test plays the core page
// and checks what the slot sent and what each answer made of the slot.

#include <gtest/gtest.h>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/testsupport/ScriptedCorePage.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/base/PercentEncoding.h"
#include "platform/storage/Json.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;
using testing::SDKCoreTestScope;

class Owner : public GADSlotDelegate, public GADSlotAdLoadDelegate, public GADSlotAdKeyDelegate {
  public:
    GADRequestedAdType slotOwnerAdType() const override { return type; }
    std::optional<platform::Rect> frame() const override { return platform::Rect(0, 400, 320, 50); }
    std::optional<std::vector<GADBoxedValue>> validAdSizes() const override { return sizes; }
    std::optional<Value> viewHierarchyInformationForSlot(GADSlot&) override {
        return Value::dictionary({{"creator_class", Value("Owner")}});
    }
    void slotFinishedLoadingAdContent(GADSlot&) override { events.push_back("loaded"); }
    void slotDidFailToLoadAdContentWithError(GADSlot& slot, const GADRequestError& e) override {
        events.push_back("failed " + std::to_string(e.code) + " in state " +
                         std::to_string(static_cast<int>(slot.state())));
        errors.push_back(e);
    }

    GADRequestedAdType type = GADRequestedAdType::Banner;
    std::optional<std::vector<GADBoxedValue>> sizes;
    std::vector<std::string> events;
    std::vector<GADRequestError> errors;
};

class GADSlotSDKCoreControllerDelegateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        controller = GADSDKCoreController::sharedInstance();
        slot = GADSlot::create(platform::Rect(0, 0, 320, 50));
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner));
        slot->setAdUnitID("ca-movu-banner");
        slot->setDelegates({.slot = owner, .adLoad = owner, .adKey = owner});
        adServer.stalled("/ad", adServer.makeGate());
    }

    FakeWebPage& page() { return corePage.page(); }
    void settle() { SDKCoreTestScope::settle(*controller); }
    // A new request each time: one still in flight (an ad being fetched) is cancelled first.
    void load() {
        if (GADSlotTestPeer(slot).isMakingRequest()) GADSlotTestPeer(slot).cancelLoad();
        slot->loadRequest(GADRequest::request());
        settle();
    }
    void loadPage() { corePage.load(); }
    void answer(const std::string& gmsg) { corePage.answer(gmsg); }
    Value lastRequest() { return corePage.lastRequest(); }
    // The ad's fetch is held on our loopback server, so a slot seen "fetching" stays so: a
    // host of the web would answer (or fail) whenever its resolver does, now and then before
    // the test looks, and is no host a test may ask.
    std::string adURL() const { return adServer.url("/ad?a=1"); }
    std::string adURLParameter() const {
        return "url=" + platform::percentEncodeComponent(adURL());
    }
    static std::int64_t statistic(const char* key) {
        auto value = GADApplication::sharedInstance()->statistics()->objectForKey(key);
        return value ? value->integerValue() : 0;
    }

    platform::testing::TestHttpServer adServer;
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    SDKCoreTestScope core;
    testing::ScriptedCorePage corePage{views};
    std::shared_ptr<GADSDKCoreController> controller;
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<GADSlot> slot;
};

TEST_F(GADSlotSDKCoreControllerDelegateTest, TheSlotSendsItsPlacementAndLoadsTheAdURL) {
    owner->sizes = std::vector<GADBoxedValue>{NSValueFromGADAdSize(kGADAdSizeBanner),
                                              NSValueFromGADAdSize(kGADAdSizeLargeBanner)};
    GADSlotTestPeer(slot).setCalledLoadAndDisplayRequest(true);
    load();
    EXPECT_EQ(slot->state(), GADSlotState::RequestingAdURL);
    loadPage();

    Value sent = lastRequest();
    EXPECT_EQ(sent["slotname"], Value("ca-movu-banner"));
    EXPECT_EQ(sent["request_id"], Value("1"));
    EXPECT_EQ(sent["sz"], Value("320x50|320x100"));
    // The owner's frame, the ad view's bounds (the owner has none).
    EXPECT_EQ(sent["ad_frame"]["y"], Value(400.0));
    EXPECT_EQ(sent["ad_bounds"]["w"], Value(320.0));
    EXPECT_EQ(sent["cladr"], Value("1"));
    EXPECT_EQ(sent["view_hierarchy"]["creator_class"], Value("Owner"));
    EXPECT_EQ(sent["force_https"], Value("1"));
    EXPECT_TRUE(sent.contains("quality_signals"));
    EXPECT_EQ(GADSlotTestPeer(slot).requestID(), std::optional<std::string>("1"));

    answer("loadAdURL?request_id=1&" + adURLParameter() + "&enable_auto_click_protection=1");
    // The ad URL was received and the ad's fetch has started.
    EXPECT_EQ(slot->state(), GADSlotState::FetchingAd);
    ASSERT_TRUE(GADSlotTestPeer(slot).loadingAd());
    EXPECT_EQ(GADSlotTestPeer(slot).loadingAd()->adURL()->absoluteString(), adURL());
    EXPECT_FALSE(GADSlotTestPeer(slot).loadingAdHeaders());
    EXPECT_TRUE(GADSlotTestPeer(slot).opener()->autoClickProtected());
    EXPECT_TRUE(owner->events.empty());

    // "cladr" went with one request only.
    load();
    EXPECT_FALSE(lastRequest().contains("cladr"));
    EXPECT_EQ(lastRequest()["request_id"], Value("2"));
}

TEST_F(GADSlotSDKCoreControllerDelegateTest, TheRequestStepBuildsFromASnapshotWithoutTheSlot) {
    // Nothing to ask for before a request.
    GADSDKCoreControllerDelegate& requester = *slot;
    auto build = requester.requestParametersWithRequestID("7");
    EXPECT_FALSE(build());

    slot->loadRequest(GADRequest::request());
    build = requester.requestParametersWithRequestID("8");
    EXPECT_EQ(GADSlotTestPeer(slot).requestID(), std::optional<std::string>("8"));
    // What the slot and its owner said is taken now: later changes and the slot's end do not
    // reach the request step.
    slot->setAdUnitID("ca-movu-other");
    std::weak_ptr<GADSlot> weak = slot;
    slot.reset();
    ASSERT_TRUE(weak.expired());
    const auto sent = build();
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->at("slotname"), Value("ca-movu-banner"));
    EXPECT_EQ(sent->at("request_id"), Value("8"));
    EXPECT_EQ(sent->at("ad_frame")["y"], Value(400.0));
}

TEST_F(GADSlotSDKCoreControllerDelegateTest, RequestScenariosCountOnTheApplicationStatistics) {
    load();
    loadPage();
    const auto oar = statistic("oar"), basOff = statistic("bas_off"), basOn = statistic("bas_on");
    answer("loadAdURL?request_id=1&" + adURLParameter() + "&request_scenario=offline_buffer");
    EXPECT_EQ(statistic("oar"), oar + 1);
    EXPECT_EQ(statistic("bas_off"), basOff + 1);
    EXPECT_EQ(statistic("bas_on"), basOn);
    EXPECT_EQ(statistic("losn"), statistic(GADApplication::kSequenceNumberKey));

    load();
    answer("loadAdURL?request_id=2&" + adURLParameter() + "&request_scenario=online_buffer");
    load();
    answer("loadAdURL?request_id=3&" + adURLParameter() + "&request_scenario=offline_empty");
    load();
    answer("loadAdURL?request_id=4&" + adURLParameter() + "&request_scenario=online_request");
    EXPECT_EQ(statistic("oar"), oar + 2);
    EXPECT_EQ(statistic("bas_off"), basOff + 1);
    EXPECT_EQ(statistic("bas_on"), basOn + 1);
    // The ad URL was received and the ad's fetch has started.
    EXPECT_EQ(slot->state(), GADSlotState::FetchingAd);
}

TEST_F(GADSlotSDKCoreControllerDelegateTest, FailedAnswersEndTheLoadWithTheirCodes) {
    // An "errors" answer never fetches; its error carries the request's parameters.
    load();
    loadPage();
    const auto oar = statistic("oar");
    answer(
        "loadAdURL?request_id=1&errors=no%20fill&url=https%3A%2F%2Fa.example%2F"
        "&request_scenario=offline_empty");
    EXPECT_EQ(owner->events, (std::vector<std::string>{"failed 0 in state 7"}));
    EXPECT_FALSE(GADSlotTestPeer(slot).loadingAd());
    EXPECT_EQ(statistic("oar"), oar);
    EXPECT_GT(owner->errors.at(0).userInfo.size(),
              GADRequestError::errorWithCode(kGADErrorInvalidRequest).userInfo.size());

    // Refused by the page; an answer without a web URL to fetch.
    load();
    answer("invalidRequest?request_id=2");
    load();
    answer("loadAdURL?request_id=3&url=file%3A%2F%2F%2Fetc%2Fpasswd");
    load();
    answer("loadAdURL?request_id=4");
    EXPECT_EQ(owner->events, (std::vector<std::string>(4, "failed 0 in state 7")));
    EXPECT_FALSE(GADSlotTestPeer(slot).loadingAd());

    // No answer within the limit.
    load();
    scope.advance(GADSDKCoreController::kRequestTimeout);
    settle();
    EXPECT_EQ(owner->events.back(), "failed 5 in state 7");
}

TEST_F(GADSlotSDKCoreControllerDelegateTest, AFailedCorePageIsANetworkErrorAndTheNextLoadRetries) {
    load();
    page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
    settle();
    page().fireFail(platform::Error::make("NSURLErrorDomain", -1004, "refused"));
    settle();
    EXPECT_EQ(slot->state(), GADSlotState::SDKCoreFailed);
    EXPECT_EQ(owner->events, (std::vector<std::string>{"failed 2 in state 1"}));

    load();
    EXPECT_EQ(page().loads().size(), 2u);
    loadPage();
    answer("loadAdURL?request_id=1&" + adURLParameter());
    // The ad URL was received and the ad's fetch has started.
    EXPECT_EQ(slot->state(), GADSlotState::FetchingAd);
}

TEST_F(GADSlotSDKCoreControllerDelegateTest, TheOwnerNamesTheAdTypeAndFailuresGiveStatisticsBack) {
    // The controller asks through the requester's face.
    auto requestedAdType = [](GADSDKCoreControllerDelegate& requester) {
        return requester.requestedAdType();
    };
    EXPECT_EQ(requestedAdType(*slot), GADRequestedAdType::Banner);
    owner->type = GADRequestedAdType::Interstitial;
    EXPECT_EQ(requestedAdType(*slot), GADRequestedAdType::Interstitial);
    auto orphan = GADSlot::create();
    EXPECT_EQ(requestedAdType(*orphan), GADRequestedAdType::Generic);

    // An ad's statistics changed: the next request carries them, and a failure hands them back.
    auto adStatistics = GADStatisticDictionary::create(GADApplication::sharedInstance());
    adStatistics->setObject(Value(12), GADApplication::kClickTimeKey, false);
    GADApplication::sharedInstance()->didNotSendAdStatistics({adStatistics});
    load();
    loadPage();
    EXPECT_EQ(lastRequest()["quality_signals"]["ads"],
              Value::array({Value::dictionary({{GADApplication::kClickTimeKey, Value(12)}})}));
    EXPECT_EQ(GADSlotTestPeer(slot).pendingAdStatistics().size(), 1u);
    answer("invalidRequest?request_id=1");
    EXPECT_TRUE(GADSlotTestPeer(slot).pendingAdStatistics().empty());
    EXPECT_EQ(GADApplication::sharedInstance()->pendingAdStatistics().count(adStatistics), 1u);

    // The final state is never left.
    slot->invalidateState();
    GADSlotTestPeer(slot).didReceiveAdURL();
    EXPECT_EQ(slot->state(), GADSlotState::Invalidated);
}

}  // namespace
}  // namespace ads
