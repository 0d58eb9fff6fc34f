// A slot's load timings on a performance hub of the test's: the variables each step starts,
// ends and cancels, under the slot's own keys.

#include "ads/slot/GADSlotLoadTimings.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSIConfiguration.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"

namespace ads {
namespace {

std::vector<std::string> keys(const GADCSITimeRecorder::Timings& timings) {
    std::vector<std::string> found;
    for (const auto& [key, timing] : timings) found.push_back(key);
    return found;
}

TEST(GADSlotLoadTimingsTest, EachStepTimesItsVariablesUnderTheSlotsKeys) {
    testing::AdsTestScope scope;
    testing::AdServerFixture ads;
    auto configuration = GADCSIConfiguration::create(GADCSI::kServiceName);
    configuration->setReportingEnabled(true);
    auto hub = GADCSI::create(configuration);
    auto recorder = hub->timeRecorderForAction("load_ad_ios");
    recorder->startTimeRecorder();

    const GADSlotLoadTimings timings(42, hub);
    EXPECT_EQ(timings.identifier(), 42);
    EXPECT_EQ(timings.networkLatencyKey(), "nwl_ios42");
    // Keys of other slots stay apart.
    EXPECT_NE(GADSlotLoadTimings().adResponseKey(), GADSlotLoadTimings().adResponseKey());

    timings.requestStarted();
    EXPECT_EQ(keys(recorder->ongoingVariables()),
              (std::vector<std::string>{"arf_ios42", "ttc_ios42"}));
    // The SDK core starts the network's timing when the ad URL comes.
    recorder->startTimingVariable("nwl_ios", timings.networkLatencyKey());
    scope.advance(0.5);
    timings.renderingStarted();
    EXPECT_EQ(keys(recorder->ongoingVariables()),
              (std::vector<std::string>{"awr_ios42", "ttc_ios42"}));
    EXPECT_EQ(keys(recorder->completedVariables()),
              (std::vector<std::string>{"arf_ios42", "nwl_ios42"}));

    // A failed load cancels what still runs.
    timings.loadFailed();
    EXPECT_TRUE(recorder->ongoingVariables().empty());
}

}  // namespace
}  // namespace ads
