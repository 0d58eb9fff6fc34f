#include "ads/foundation/GADSlotStatistics.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADStatisticsCore.h"
#include "ads/foundation/GADTiming.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/storage/UserDefaults.h"

namespace ads {
namespace {

using platform::Value;

class GADSlotStatisticsTest : public ::testing::Test {
  protected:
    testing::AdsTestScope scope;
};

TEST_F(GADSlotStatisticsTest, AdapterAttemptsAreListedAndKeptForTheNextLaunch) {
    {
        auto defaults = scope.home().openDefaults();
        GADSlotStatistics slot(defaults.get());
        slot.setIdentifier("ca-app-pub-1/unit");
        EXPECT_FALSE(slot.adapterExitCodesParameter());
        EXPECT_FALSE(slot.adapterDurationsParameter());
        slot.startTimingAdapter();
        scope.advance(0.25);
        slot.endTimingAdapterWithExitCode(GADAdapterExitCode::Error);
        slot.startTimingAdapter();
        // Running with an explicit end: no duration yet.
        EXPECT_EQ(slot.timingNamed("adapter")->elapsedMilliseconds(), 0u);
        scope.advance(0.04);
        slot.endTimingAdapterWithExitCode(GADAdapterExitCode::Delivered);
        EXPECT_EQ(slot.adapterExitCodesParameter(), "2,0");
        EXPECT_EQ(slot.adapterDurationsParameter(), "250,40");
        // Recorded, not yet stored: a waterfall stores its attempts once, when it is over.
        slot.waitForSaves();
        EXPECT_FALSE(scope.home().openDefaults()->objectForKey("zivivu_stats_ca-app-pub-1/unit"));
        slot.savePersistentStatistics();
        slot.savePersistentStatistics();
        EXPECT_EQ(slot.savesQueued(), 2u);  // the lists and the timing, once
        slot.waitForSaves();
    }
    auto defaults = scope.home().openDefaults();
    GADSlotStatistics next(defaults.get());
    next.setIdentifier("ca-app-pub-1/unit");
    EXPECT_EQ(next.adapterExitCodesParameter(), "2,0");
    EXPECT_EQ(next.adapterDurationsParameter(), "250,40");
    next.endTimingAdapterWithExitCode(3);
    EXPECT_EQ(next.adapterExitCodesParameter(), "2,0,3");

    next.resetTimingAdapters();
    EXPECT_FALSE(next.adapterExitCodesParameter());
    EXPECT_FALSE(next.adapterDurationsParameter());
    next.savePersistentStatistics();
    next.waitForSaves();
    auto later = scope.home().openDefaults();
    EXPECT_EQ(later->objectForKey("zivivu_stats_ca-app-pub-1/unit"), Value::dictionary());
}

TEST_F(GADSlotStatisticsTest, StoredListsMergeOnlyForANewIdentifier) {
    auto defaults = scope.home().openDefaults();
    defaults->setObject(
        "zivivu_stats_a",
        Value::dictionary({{"adapter_exit", Value::array({"1", 7, "4"})}, {"junk", "not a list"}}));
    defaults->setObject("zivivu_stats_b",
                        Value::dictionary({{"adapter_exit", Value::array({"9"})}}));
    auto core = GADStatisticsCore::create(defaults.get());
    core->appendStringToArrayForKey("0", "adapter_exit");
    core->appendStringToArrayForKey("5", "other");
    core->setIdentifier("a");
    EXPECT_EQ(core->arrayForKey("adapter_exit"), (std::vector<std::string>{"1", "4"}));
    EXPECT_EQ(core->arrayForKey("other"), std::vector<std::string>{"5"});
    EXPECT_FALSE(core->arrayForKey("junk"));
    // The same identifier again loads nothing more.
    core->appendStringToArrayForKey("2", "adapter_exit");
    core->setIdentifier("a");
    EXPECT_EQ(core->arrayForKey("adapter_exit"), (std::vector<std::string>{"1", "4", "2"}));
    core->setIdentifier("b");
    EXPECT_EQ(core->arrayForKey("adapter_exit"), std::vector<std::string>{"9"});

    // What was recorded and not saved is stored when the lists go.
    {
        auto other = GADStatisticsCore::create(defaults.get());
        other->setIdentifier("c");
        other->appendStringToArrayForKey("3", "adapter_exit");
    }
    EXPECT_EQ(defaults->objectForKey("zivivu_stats_c"),
              Value::dictionary({{"adapter_exit", Value::array({"3"})}}));

    // Without an identifier nothing is stored.
    auto loose = GADStatisticsCore::create(defaults.get());
    loose->setIdentifier("");
    loose->appendStringToArrayForKey("1", "k");
    loose->savePersistentStatistics();
    loose->waitForSaves();
    EXPECT_FALSE(defaults->objectForKey("zivivu_stats_"));
}

}  // namespace
}  // namespace ads
