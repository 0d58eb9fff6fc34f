// The slot's viewability measurement: the records it hands the active-view script of an SDK
// core web view (played on the scripted engine), when it measures at all, the script's
// answers, and who keeps whom. Then the same through a real slot showing an ad.

#include "ads/slot/GADSlotActiveView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/RecordingMRAIDEvents.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;
using testing::SDKCoreTestScope;

// What the measured slot says of itself, and what its ad's MRAID handler heard.
struct SlotFacts {
    std::shared_ptr<platform::ui::View> view;
    std::shared_ptr<GADAd> ad;
    bool impression = true;
    bool mediating = false;
    bool mraid = false;
    bool interstitial = false;
    std::vector<std::string> mraidLog;
};

class FakeHost : public GADSlotActiveViewHost {
  public:
    explicit FakeHost(std::shared_ptr<SlotFacts> facts) : facts_(std::move(facts)) {}
    std::shared_ptr<platform::ui::View> activeViewMonitoredView() const override {
        return facts_->view;
    }
    std::shared_ptr<GADAd> activeViewAd() const override { return facts_->ad; }
    bool viewHasMadeImpression() const override { return facts_->impression; }
    bool isMediating() const override { return facts_->mediating; }
    bool isMRAIDEnabled() const override { return facts_->mraid; }
    bool isInterstitial() const override { return facts_->interstitial; }
    void updateMRAIDPositionFromView(const platform::ui::View&) override {
        facts_->mraidLog.push_back("position");
    }

  private:
    std::shared_ptr<SlotFacts> facts_;
};

// The active-view core page as the engine sees it: made ready by the test, its evaluations
// read back as records.
class ActiveViewTestBase : public ::testing::Test {
  protected:
    ActiveViewTestBase() { platform::ui::Application::shared().becomeActive(); }

    void settle() { SDKCoreTestScope::settle(*GADSDKCoreController::sharedInstance()); }
    std::shared_ptr<FakeWebPage> corePage() {
        const std::string url = GADSDKCoreWebView::pageURL().absoluteString();
        std::shared_ptr<FakeWebPage> found;
        for (const auto& page : views.web().pages()) {
            for (const auto& load : page->loads()) {
                if (load.request && load.request->url().absoluteString() == url) found = page;
            }
        }
        return found;
    }
    // The page's own navigation, its start and its end: queued commands run.
    void readyCorePage() {
        settle();
        auto page = corePage();
        ASSERT_TRUE(page);
        page->fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
        settle();
        page->fireStart();
        page->fireFinish();
        settle();
    }
    std::vector<Value> records() {
        settle();
        std::vector<Value> found;
        auto page = corePage();
        if (!page) return found;
        // Each command runs asynchronously in the page: "setTimeout(function(){<command>}, 1);".
        const std::string prefix =
            "setTimeout(function(){" + std::string(GADSlotActiveView::kCommandFunction) + "(";
        const std::string suffix = ")}, 1);";
        for (const auto& script : page->evaluations()) {
            if (script.rfind(prefix, 0) != 0 || script.size() < prefix.size() + suffix.size() ||
                script.compare(script.size() - suffix.size(), suffix.size(), suffix) != 0) {
                continue;
            }
            auto json = script.substr(prefix.size(), script.size() - prefix.size() - suffix.size());
            auto record = platform::Json::parse(json);
            EXPECT_TRUE(record) << script;
            if (record) found.push_back((*record)["units"][0]);
        }
        return found;
    }
    // The page's answer about a unit, as a gmsg navigation.
    void answer(const std::string& message) {
        corePage()->fireNavigation("gmsg://movuroute/" + message, NavigationType::Other);
        settle();
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
};

class GADSlotActiveViewTest : public ActiveViewTestBase {
  protected:
    GADSlotActiveViewTest() {
        facts->view = platform::ui::View::create({10, 20, 300, 50});
        facts->view->setClipsToBounds(true);
        facts->ad = GADAd::create();
        facts->ad->setActiveViewConfigurations(Value::Dictionary{{"viewable_url", Value("v")}});
        measurement = GADSlotActiveView::create(std::make_unique<FakeHost>(facts));
    }
    ~GADSlotActiveViewTest() override {
        measurement.reset();
        settle();
    }
    void putInWindow() {
        window->addSubview(facts->view);
        measurement->monitoredViewDidMoveToWindow(true);
    }

    std::shared_ptr<SlotFacts> facts = std::make_shared<SlotFacts>();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<GADSlotActiveView> measurement;
};

TEST(GADSlotActiveViewRecordTest, GoldenBannerAndInterstitialRecords) {
    GADSlotActiveView::RecordInputs in;
    in.adBox = {10, 20, -300, 50};  // a negative width is reported by its edges
    in.globalVisibleBox = {10.5, 20, 100, 50};
    in.viewBox = {0, 0, 320, 480};
    in.screenDimension = {0, 20, 320, 460};
    in.screenOrientation = 1;
    in.isSubViewOfVisibleWindow = true;
    in.isVisible = true;
    in.activeViewJSON = Value::Dictionary{{"viewable_url", Value("https://a.test/v")}};
    in.timestamp = 1234;
    in.hashCode = 7;
    const auto command = GADSlotActiveView::activeViewJSCommandWithParams(
        GADSlotActiveView::activeViewParameters(in));
    ASSERT_TRUE(command);
    const std::string version = GADRequest::sdkVersion();
    EXPECT_EQ(
        *command,
        "RADE_updateActiveView({\"units\":[{"
        "\"activeViewJSON\":{\"viewable_url\":\"https:\\/\\/a.test\\/v\"},"
        "\"adBox\":{\"bottom\":70.0,\"left\":-290.0,\"right\":10.0,\"top\":20.0},"
        "\"adFormat\":\"banner_mb\",\"ad_type_mraid\":\"0\","
        "\"globalVisibleBox\":{\"bottom\":70.0,\"left\":10.5,\"right\":110.5,\"top\":20.0},"
        "\"hashCode\":7,\"isSubViewOfVisibleWindow\":\"1\",\"isVisible\":\"1\","
        "\"radeVersion\":\"" +
            version +
            "\","
            "\"screenDimension\":{\"bottom\":480.0,\"left\":0.0,\"right\":320.0,\"top\":20.0},"
            "\"screenOrientation\":1,\"timestamp\":1234,"
            "\"viewBox\":{\"bottom\":480.0,\"left\":0.0,\"right\":320.0,\"top\":0.0}}]})");

    // The last record of an interstitial's measurement, an MRAID ad without settings.
    in.isInterstitial = true;
    in.isMRAID = true;
    in.activeViewJSON.reset();
    in.unloaded = true;
    const Value unit = GADSlotActiveView::activeViewParameters(in)["units"][0];
    EXPECT_EQ(unit["adFormat"], Value("interstitial_mb"));
    EXPECT_EQ(unit["ad_type_mraid"], Value("1"));
    EXPECT_EQ(unit["doneReasonCode"], Value("u"));
    EXPECT_FALSE(unit.find("activeViewJSON"));

    // Script-safe text: the line separators are escaped; a record JSON cannot carry gives none.
    in.activeViewJSON = Value::Dictionary{{"t", Value("a\u2028b")}};
    EXPECT_NE(GADSlotActiveView::activeViewJSCommandWithParams(
                  GADSlotActiveView::activeViewParameters(in))
                  ->find("a\\u2028b"),
              std::string::npos);
    in.activeViewJSON = Value::Dictionary{{"t", Value::data("x", 1)}};
    EXPECT_FALSE(GADSlotActiveView::activeViewJSCommandWithParams(
        GADSlotActiveView::activeViewParameters(in)));
    EXPECT_FALSE(GADSlotActiveView::activeViewJSCommandWithParams(Value()));
}

TEST_F(GADSlotActiveViewTest, AnOffWindowImpressionSendsOneRecordAndSamplesOnlyInAWindow) {
    measurement->startActiveViewReportingIfEnabled();
    readyCorePage();
    auto sent = records();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["isVisible"], Value("0"));
    EXPECT_EQ(sent[0]["isSubViewOfVisibleWindow"], Value("0"));
    EXPECT_EQ(sent[0]["viewBox"], Value::dictionary({{"top", Value(0.0)},
                                                     {"bottom", Value(0.0)},
                                                     {"left", Value(0.0)},
                                                     {"right", Value(0.0)}}));
    EXPECT_EQ(sent[0]["hashCode"], Value(measurement->activeViewID()));
    EXPECT_EQ(sent[0]["activeViewJSON"], Value::dictionary({{"viewable_url", Value("v")}}));
    scope.advance(2);
    EXPECT_EQ(records().size(), 1u);

    // In a window: a record every sampling interval, each followed by the MRAID position.
    putInWindow();
    scope.advance(0.4);
    sent = records();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1]["isVisible"], Value("1"));
    EXPECT_EQ(sent[1]["isSubViewOfVisibleWindow"], Value("1"));
    EXPECT_EQ(sent[1]["adBox"]["left"], Value(10.0));
    EXPECT_EQ(sent[1]["globalVisibleBox"]["bottom"], Value(70.0));
    scope.advance(0.4);
    EXPECT_EQ(records().size(), 3u);
    EXPECT_EQ(facts->mraidLog, (std::vector<std::string>{"position", "position", "position"}));

    // Out of the window: one more sample, then none.
    facts->view->removeFromSuperview();
    measurement->monitoredViewDidMoveToWindow(false);
    scope.advance(2);
    sent = records();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3]["isVisible"], Value("0"));

    // The application leaving and regaining the active state samples each time.
    platform::ui::Application::shared().resignActive();
    platform::ui::Application::shared().becomeActive();
    EXPECT_EQ(records().size(), 6u);
}

TEST_F(GADSlotActiveViewTest, AnInterstitialSamplesOnlyWhileItsScreenShows) {
    facts->interstitial = true;
    facts->view->setFrame({0, 0, 320, 480});
    measurement->startActiveViewReportingIfEnabled();
    readyCorePage();
    // Its view is not in a window before the screen appears: one record, no sampling.
    scope.advance(2);
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0]["adFormat"], Value("interstitial_mb"));

    window->addSubview(facts->view);
    measurement->interstitialViewWillAppear();
    scope.advance(0.8);
    EXPECT_EQ(records().size(), 3u);
    // About to disappear: one last sample, then none.
    measurement->interstitialViewWillDisappear();
    facts->view->removeFromSuperview();
    scope.advance(2);
    const auto sent = records();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3]["isVisible"], Value("1"));
    EXPECT_FALSE(sent[3].find("doneReasonCode"));
}

TEST_F(GADSlotActiveViewTest, WhatIsNeverMeasured) {
    facts->mediating = true;
    measurement->startActiveViewReportingIfEnabled();
    facts->mediating = false;
    facts->ad->setActiveViewConfigurations(std::nullopt);
    measurement->startActiveViewReportingIfEnabled();
    EXPECT_FALSE(measurement->isMeasuring());
    // MRAID alone is enough; an impression is always needed.
    facts->mraid = true;
    facts->impression = false;
    measurement->startActiveViewReportingIfEnabled();
    EXPECT_FALSE(measurement->isMeasuring());
    facts->impression = true;
    EXPECT_TRUE(measurement->canEnableActiveViewMonitoring());
    // Without an ad view: no monitor, no id, no web view.
    auto view = std::move(facts->view);
    measurement->startActiveViewReportingIfEnabled();
    EXPECT_FALSE(measurement->isMeasuring());
    EXPECT_EQ(measurement->activeViewID(), 0u);
    EXPECT_FALSE(corePage());
}

TEST_F(GADSlotActiveViewTest, AnUnwritableRecordSendsNothingAndSamplingGoesOn) {
    facts->ad->setActiveViewConfigurations(Value::Dictionary{{"blob", Value::data("x", 1)}});
    putInWindow();
    measurement->startActiveViewReportingIfEnabled();
    readyCorePage();
    scope.advance(0.8);
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(facts->mraidLog.size(), 3u);
    facts->ad->setActiveViewConfigurations(std::nullopt);
    facts->mraid = true;
    scope.advance(0.4);
    EXPECT_EQ(records().size(), 1u);
}

TEST_F(GADSlotActiveViewTest, TheLastRecordRepeatsTheGeometryAndNothingFollows) {
    putInWindow();
    measurement->startActiveViewReportingIfEnabled();
    readyCorePage();
    scope.advance(0.4);
    const std::uint64_t first = measurement->activeViewID();
    measurement->finishActiveViewReporting();
    EXPECT_FALSE(measurement->isMeasuring());
    scope.advance(2);
    auto sent = records();
    ASSERT_EQ(sent.size(), 3u);
    for (const char* key : {"adBox", "globalVisibleBox", "viewBox", "isVisible", "hashCode"}) {
        EXPECT_EQ(sent[2][key], sent[1][key]) << key;
    }
    EXPECT_EQ(sent[2]["doneReasonCode"], Value("u"));
    EXPECT_FALSE(sent[1].find("doneReasonCode"));
    // Finishing again does nothing; the next measurement has a new id.
    measurement->finishActiveViewReporting();
    measurement->startActiveViewReportingIfEnabled();
    EXPECT_GT(measurement->activeViewID(), first);
    sent = records();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3]["hashCode"], Value(measurement->activeViewID()));
}

TEST_F(GADSlotActiveViewTest, TheScriptsAnswers) {
    putInWindow();
    measurement->startActiveViewReportingIfEnabled();
    readyCorePage();
    const std::string id = std::to_string(measurement->activeViewID());
    // The verdict is the server's measurement: it reaches no MRAID creative either, which
    // hears what its own samples find (the one "position").
    answer("visibilityChanged?hashCode=" + id + "&isVisible=1");
    EXPECT_EQ(facts->mraidLog, (std::vector<std::string>{"position"}));
    facts->mraid = true;
    answer("visibilityChanged?hashCode=" + id + "&isVisible=1");
    answer("visibilityChanged?hashCode=" + id + "&isVisible=true");
    answer("visibilityChanged?hashCode=" + id + "9&isVisible=1");
    EXPECT_EQ(facts->mraidLog, (std::vector<std::string>{"position"}));

    // Untracked: the last record, the web view given back, no more samples.
    answer("untrackActiveViewUnit?hashCode=" + id);
    EXPECT_FALSE(measurement->isMeasuring());
    scope.advance(2);
    auto sent = records();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1]["doneReasonCode"], Value("u"));
    answer("visibilityChanged?hashCode=" + id + "&isVisible=0");
    EXPECT_EQ(facts->mraidLog.size(), 1u);
}

TEST_F(GADSlotActiveViewTest, AMeasurementLetGoMidWayIsFreedAndSendsItsLastRecord) {
    putInWindow();
    measurement->startActiveViewReportingIfEnabled();
    readyCorePage();
    std::weak_ptr<GADSlotActiveView> weak = measurement;
    measurement.reset();
    EXPECT_TRUE(weak.expired());
    scope.advance(2);
    auto sent = records();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1]["doneReasonCode"], Value("u"));
}

// The same through a slot showing an HTML ad with active-view settings.
class GADSlotMeasurementTest : public ActiveViewTestBase {
  protected:
    GADSlotMeasurementTest() {
        slot = GADSlot::create({0, 0, 320, 50});
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        slot->setAdUnitID("unit");
    }
    ~GADSlotMeasurementTest() override {
        slot.reset();
        settle();
    }
    void loadAndRender(bool withSettings) {
        Value::Dictionary ad{{"ad_html", Value("<p>ad</p>")},
                             {"ad_base_url", Value("https://ads.test/")}};
        if (withSettings) ad["active_view"] = Value::dictionary({{"viewable_url", Value("v")}});
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(
            GADExtras::create(Value::Dictionary{{"_ad", Value(std::move(ad))}}));
        slot->loadRequest(request);
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return slot->state() == GADSlotState::Rendering; }));
        // The ad view keeps its page from one ad to the next.
        if (!adPage) adPage = views.web().pages().back();
        adPage->fireStart();
        adPage->fireFinish();
        scope.runUntilIdle();
    }

    std::shared_ptr<GADSlot> slot;
    std::shared_ptr<FakeWebPage> adPage;
};

TEST_F(GADSlotMeasurementTest, AnImpressionStartsAndANewAdEndsTheMeasurement) {
    loadAndRender(true);
    ASSERT_TRUE(GADSlotTestPeer(slot).viewHasMadeImpression());
    readyCorePage();
    auto sent = records();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["adFormat"], Value("banner_mb"));
    const Value firstID = sent[0]["hashCode"];

    // A new ad: the last record of the old measurement, then a new id at its impression.
    loadAndRender(true);
    sent = records();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1]["doneReasonCode"], Value("u"));
    EXPECT_EQ(sent[1]["hashCode"], firstID);
    EXPECT_NE(sent[2]["hashCode"], firstID);

    // A slot let go mid-measurement is freed and ends it.
    std::weak_ptr<GADSlot> weak = slot;
    slot.reset();
    EXPECT_TRUE(weak.expired());
    sent = records();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3]["doneReasonCode"], Value("u"));
}

TEST_F(GADSlotMeasurementTest, AnAdWithoutSettingsOrMRAIDIsNeverMeasured) {
    loadAndRender(false);
    ASSERT_TRUE(GADSlotTestPeer(slot).viewHasMadeImpression());
    settle();
    EXPECT_TRUE(records().empty());
    EXPECT_FALSE(GADSlotTestPeer(slot).activeView().isMeasuring());
}

TEST_F(GADSlotMeasurementTest, EachSampleTellsTheShownMRAIDAdWhereItIs) {
    loadAndRender(true);
    readyCorePage();
    ASSERT_EQ(records().size(), 1u);
    auto events = ads::testing::RecordingMRAIDEvents::create();
    slot->ad()->setMRAIDEventHandler(events);
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    window->addSubview(slot->adView());
    slot->bannerDidMoveToWindow(window);
    GADSlotTestPeer(slot).activeView().monitoredViewDidMoveToWindow(true);
    scope.advance(0.4);
    ASSERT_GE(records().size(), 2u);
    EXPECT_NE(std::find(events->events.begin(), events->events.end(), "position"),
              events->events.end());
    slot->adView()->removeFromSuperview();
}

}  // namespace
}  // namespace ads
