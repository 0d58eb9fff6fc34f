#include "ads/foundation/GADDeviceSignal.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "ads/foundation/GADMurmurHash3.h"
#include "ads/foundation/GADSignalProbes.h"
#include "ads/testsupport/FixedDevice.h"
#include "ads/testsupport/TemporaryHome.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace ads {
namespace {

class GADDeviceSignalTest : public ::testing::Test {
  protected:
    platform::MainLoopTestScope loop;
    testing::TemporaryHome home;
    testing::FixedDevice device;
    GADDeviceSignal signals;
};

TEST_F(GADDeviceSignalTest, ARequestSignalIsOnePairOfTheProbes) {
    signals.initializeWithSDKVersion("rade-sdk-i-v7.5.2");
    signals.initializeWithSDKVersion("ignored");
    std::string text = "old";
    ASSERT_TRUE(signals.requestSignal(text));
    ASSERT_EQ(text.rfind("ms=", 0), 0u);
    // One pair: the value never holds "=", "&" or anything a query would escape.
    EXPECT_EQ(text.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_", 3),
              std::string::npos);

    auto record = GADDeviceSignal::recordFromSignal(text);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kind, GADSignalRecord::Kind::Request);
    EXPECT_EQ(record->sdkVersion, "rade-sdk-i-v7.5.2");
    EXPECT_EQ(record->reachabilityFlags, 2u);
    EXPECT_EQ(record->batteryLevelAndState, GADPackInt32Pair(-100, 0));
    EXPECT_EQ(record->screenModeSize, GADPackInt32Pair(640, 960));
    EXPECT_EQ(record->timeZoneOffsetMinutes, 1440);
    EXPECT_EQ(record->bannerVisibility, GADSignalRecord::Visibility::NotShown);
    EXPECT_EQ(record->osVersion, (std::array<std::int32_t, 3>{8, 4, 0}));
    EXPECT_FALSE(record->trackingLimited);
    EXPECT_EQ(record->identifierType, 4);
    EXPECT_TRUE(record->touches.empty());
    // Never the identifier itself, in any form.
    const auto bytes = record->encode();
    const auto id = testing::FixedDevice::advertisingIdentifier().bytes();
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), id.begin(), id.begin() + 4), bytes.end());

    device.setTrackingEnabled(false);
    ASSERT_TRUE(signals.requestSignal(text));
    EXPECT_TRUE(GADDeviceSignal::recordFromSignal(text)->trackingLimited);
}

TEST_F(GADDeviceSignalTest, AClickSignalCarriesTheClickAndTheLastTouches) {
    for (int i = 0; i < 20; ++i) signals.recordTouch(i, 2 * i, i == 19 ? -1 : 100 + i);
    std::string text;
    EXPECT_FALSE(signals.clickSignal("", text));
    ASSERT_TRUE(signals.clickSignal("AbC123", text));
    auto record = GADDeviceSignal::recordFromSignal(text);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kind, GADSignalRecord::Kind::Click);
    EXPECT_EQ(record->clickHash, GADMurmurHash3("AbC123", 6, 0));
    ASSERT_EQ(record->touches.size(), GADDeviceSignal::kMaximumTouches);
    EXPECT_EQ(record->touches.front(), (GADSignalRecord::Touch{4, 8, 104}));
    EXPECT_EQ(record->touches.back(), (GADSignalRecord::Touch{19, 38, -1}));
    // An SDK that never started its signal still signs with an empty version.
    EXPECT_EQ(record->sdkVersion, "");
}

TEST_F(GADDeviceSignalTest, OffTheMainThreadThereIsNoSignal) {
    std::promise<bool> made;
    std::string text = "kept";
    platform::GlobalQueue::async([&] { made.set_value(signals.requestSignal(text)); });
    EXPECT_FALSE(made.get_future().get());
    EXPECT_EQ(text, "kept");
}

TEST_F(GADDeviceSignalTest, OnlyWholeRecordsOfOurFormatAreRead) {
    GADSignalRecord click;
    click.kind = GADSignalRecord::Kind::Click;
    click.sdkVersion = std::string(300, 'v');
    click.touches = {{1, 2, 3}};
    const auto bytes = click.encode();
    auto back = GADSignalRecord::decode(bytes);
    ASSERT_TRUE(back);
    // Texts longer than a record holds are cut, never spilled.
    EXPECT_EQ(back->sdkVersion, std::string(255, 'v'));
    EXPECT_EQ(back->touches, click.touches);

    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(GADSignalRecord::decode({bytes.begin(), bytes.begin() + cut})) << cut;
    }
    auto longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(GADSignalRecord::decode(longer));
    auto otherFormat = bytes;
    otherFormat[0] = 2;
    EXPECT_FALSE(GADSignalRecord::decode(otherFormat));
    EXPECT_FALSE(GADDeviceSignal::recordFromSignal("xs=AQE"));
    EXPECT_FALSE(GADDeviceSignal::recordFromSignal("ms=*"));
}

TEST_F(GADDeviceSignalTest, TheFirstVersionWinsWhateverThreadsRace) {
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back(
            [this, i] { signals.initializeWithSDKVersion("v" + std::to_string(i)); });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(signals.isInitialized());
    std::string text;
    ASSERT_TRUE(signals.requestSignal(text));
    const std::string version = GADDeviceSignal::recordFromSignal(text)->sdkVersion;
    EXPECT_EQ(version.size(), 2u);
    EXPECT_EQ(version[0], 'v');
    // The shared recorder takes touches through the free function.
    GADDeviceSignal::shared().clearTouches();
    GADRecordTouchSignal(5, 6, 7);
    EXPECT_EQ(GADDeviceSignal::shared().recordedTouches(),
              (std::vector<GADSignalRecord::Touch>{{5, 6, 7}}));
    GADDeviceSignal::shared().clearTouches();
}

}  // namespace
}  // namespace ads
