#include "ads/foundation/GADCSI.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "ads/foundation/GADCSIConfiguration.h"
#include "ads/foundation/GADCSIReporter.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADCSIVariableTiming.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/runtime/Clock.h"
#include "platform/ui/Application.h"

namespace ads {
namespace {

using tools::adserver::RequestKind;

GADCSIConfiguration::Draw fixedDraw(std::uint32_t value) {
    return [value](std::uint32_t bound) {
        EXPECT_EQ(bound, 1000u);
        return value;
    };
}

std::shared_ptr<GADCSIConfiguration> configuration(bool enabled = true) {
    auto made = GADCSIConfiguration::create(GADCSI::kServiceName);
    made->setReportingEnabled(enabled);
    return made;
}

class GADCSITest : public ::testing::Test {
  protected:
    testing::AdsTestScope scope;
};

TEST_F(GADCSITest, SamplingDrawsOnceBelowTheThousandths) {
    auto config = configuration();
    struct Case {
        double probability;
        std::uint32_t draw;
        bool enabled;
    };
    for (const Case& c :
         {Case{0.05, 49, true}, Case{0.05, 50, false}, Case{0, 0, false}, Case{1, 999, true},
          Case{0.0012, 1, false}, Case{0.0012, 0, true},
          // Not a number: the built-in 0.05. Outside 0..1: clamped.
          Case{NAN, 49, true}, Case{INFINITY, 50, false}, Case{7, 999, true}, Case{-1, 0, false}}) {
        config->setReportingProbability(c.probability, fixedDraw(c.draw));
        EXPECT_EQ(config->reportingEnabled(), c.enabled) << c.probability << " " << c.draw;
    }
    // A process that is not sampled has no recorders.
    config->setReportingProbability(0.05, fixedDraw(500));
    auto hub = GADCSI::create(config);
    EXPECT_FALSE(hub->timeRecorderForAction("load_ad_ios"));
    EXPECT_FALSE(GADCSIConfiguration::create(""));
    EXPECT_FALSE(GADCSITimeRecorder::create(""));
}

TEST_F(GADCSITest, RecordersKeepEndedMeasurementsByKey) {
    std::uint32_t nextRandom = 77;
    auto recorder = GADCSITimeRecorder::create("load_ad_ios", [&] { return nextRandom++; });
    recorder->startTimingVariable("rur_ios");
    scope.advance(0.5);
    recorder->endTimingVariable("rur_ios");
    recorder->endTimingVariable("rur_ios");  // nothing open any more
    auto completed = recorder->completedVariables();
    ASSERT_EQ(completed.size(), 1u);
    EXPECT_DOUBLE_EQ(completed["rur_ios"]->length(), 0.5);
    EXPECT_TRUE(recorder->ongoingVariables().empty());

    // A second one under a taken key goes under the key and a random number.
    recorder->startTimingVariable("rur_ios");
    recorder->endTimingVariable("rur_ios");
    completed = recorder->completedVariables();
    EXPECT_EQ(completed.size(), 2u);
    EXPECT_TRUE(completed.count("rur_ios77"));

    // Cancelled, or spoilt by leaving the app while open: never valid.
    recorder->startTimingVariable("cancelled", "c");
    recorder->cancelTimingVariable("cancelled", "c");
    recorder->startTimingVariable("away");
    platform::ui::Application::shared().becomeActive();
    platform::ui::Application::shared().resignActive();
    scope.advance(1);
    recorder->endTimingVariable("away");
    completed = recorder->completedVariables();
    ASSERT_TRUE(completed.count("away"));
    EXPECT_FALSE(completed["away"]->isValid());
    EXPECT_FALSE(completed.count("c"));

    // The end is when the call is made, not when the queue gets to it.
    recorder->startTimingVariable("late");
    scope.clock().advance(2);
    recorder->endTimingVariable("late");
    scope.clock().advance(5);
    EXPECT_DOUBLE_EQ(recorder->completedVariables()["late"]->length(), 2);

    recorder->addExperimentID("a");
    recorder->addExperimentID("b");
    recorder->addExperimentID("a");
    recorder->removeExperimentID("a");
    EXPECT_EQ(recorder->experimentIDs(), std::vector<std::string>{"b"});
    recorder->setCustomizedParameterValue("1", "k");
    recorder->setCustomizedParameterValue("2", "k");
    recorder->setCustomizedParameterValue("x", "");
    EXPECT_EQ(recorder->customizedParameters(), (GADCSITimeRecorder::Parameters{{"k", "2"}}));
}

TEST_F(GADCSITest, AReportRoundsTakesAndDropsItsMeasurements) {
    auto reporter = GADCSIReporter::create(configuration());
    auto recorder = GADCSITimeRecorder::create("load_ad_ios");
    // Nothing ended: no report.
    EXPECT_FALSE(reporter->URLForTimeRecorder(recorder));

    recorder->addCompletedVariable(GADCSIVariableTiming::create("rur_ios", 10, 1.2345));
    recorder->addCompletedVariable(GADCSIVariableTiming::create("spoilt", -1, 3));
    recorder->setReportIRT(true);
    recorder->addExperimentID("e1");
    recorder->addExperimentID("e2");
    recorder->setCustomizedParameterValue("custom", "s");
    auto url = reporter->URLForTimeRecorder(recorder);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->queryValue("it"), "rur_ios.1235");
    // Since the recorder started: it never did, so from 0.
    EXPECT_EQ(url->queryValue("irt"), "rur_ios.11235");
    EXPECT_EQ(url->queryValue("action"), "load_ad_ios");
    EXPECT_EQ(url->queryValue("v"), "3");
    EXPECT_EQ(url->queryValue("s"), "custom");
    EXPECT_EQ(url->queryValue("e"), "e1,e2");
    EXPECT_EQ(url->path(), "/csi");
    // Reported and spoilt ones are gone alike.
    EXPECT_TRUE(recorder->completedVariables().empty());

    // Only invalid measurements: no report with an empty "it".
    recorder->addCompletedVariable(GADCSIVariableTiming::create("open", 5));
    EXPECT_FALSE(reporter->URLForTimeRecorder(recorder));
    EXPECT_FALSE(reporter->reportTimeRecorder(recorder, nullptr));
}

TEST_F(GADCSITest, TheHubHandsOutOneRecorderPerActionAndKeepsTimestamps) {
    auto hub = GADCSI::create(configuration());
    EXPECT_FALSE(hub->timeRecorderForAction(""));
    std::vector<std::shared_ptr<GADCSITimeRecorder>> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] { seen[i] = hub->timeRecorderForAction("make_wv"); });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& recorder : seen) EXPECT_EQ(recorder, seen.front());
    auto recorder = seen.front();
    ASSERT_TRUE(recorder);
    const auto version = recorder->customizedParameters().at("sdkVersion");
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(recorder->experimentIDs(), std::vector<std::string>{version});

    hub->setZWSQueryID("query-1");
    EXPECT_EQ(hub->ZWSQueryID(), "query-1");
    hub->timeRecorderForAction("make_wv");
    EXPECT_EQ(recorder->customizedParameters().at("gqi"), "query-1");

    scope.clock().setWallSeconds(1700000000.9876);
    hub->recordTimestampForLabel("a");
    hub->setTimestamp(-5, "b");
    EXPECT_EQ(hub->timestampForLabel("a"), 1700000000987);
    EXPECT_EQ(hub->timestampForLabel("b"), -5);
    EXPECT_EQ(hub->timestampForLabel("c"), 0);
    hub->sendReport();
    EXPECT_EQ(hub->timestampForLabel("a"), 0);
    EXPECT_EQ(hub->timeRecorderForAction("make_wv"), recorder);
}

TEST_F(GADCSITest, AReportReachesTheAdServerWithItsUserAgent) {
    testing::AdServerFixture ads;
    auto hub = GADCSI::create(configuration());
    auto recorder = hub->timeRecorderForAction("load_ad_ios");
    recorder->startTimeRecorder();
    recorder->startTimingVariable("rur_ios");
    scope.advance(1.2345);
    recorder->endTimingVariable("rur_ios");
    hub->timeRecorderForAction("empty");  // sends nothing
    hub->sendReport();
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::PerformanceReport, 1));
    auto report = ads.log().last(RequestKind::PerformanceReport);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->param("it"), "rur_ios.1235");
    EXPECT_EQ(report->param("s"), "zmob_sdk");
    EXPECT_EQ(report->param("action"), "load_ad_ios");
    const std::string agent = report->header("User-Agent");
    EXPECT_EQ(agent, hub->configuration()->userAgent());
    EXPECT_EQ(agent.rfind("ZivivuCsi/1.0 (", 0), 0u) << agent;
    scope.runUntilIdle();
    EXPECT_EQ(ads.log().count(RequestKind::PerformanceReport), 1u);
}

TEST_F(GADCSITest, TheDeviceVersionFromTheMachineName) {
    EXPECT_EQ(GADCSIConfiguration::deviceVersionStringForMachine("iPad4,1"), "iPad/4.1");
    EXPECT_EQ(GADCSIConfiguration::deviceVersionStringForMachine("x86_64"), "x/86_64");
    EXPECT_EQ(GADCSIConfiguration::deviceVersionStringForMachine("aarch64"), "aarch/64");
    EXPECT_EQ(GADCSIConfiguration::deviceVersionStringForMachine("riscv"), "riscv");
    EXPECT_EQ(GADCSIConfiguration::deviceVersionStringForMachine(""), "Unknown");
}

}  // namespace
}  // namespace ads
