#include "ads/foundation/GADGestureIdUtil.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ads/testsupport/FixedDevice.h"
#include "ads/testsupport/TemporaryHome.h"
#include "platform/storage/UserDefaults.h"

namespace ads {
namespace {

class GADGestureIdUtilTest : public ::testing::Test {
  protected:
    testing::TemporaryHome home;
    testing::FixedDevice device;
};

TEST_F(GADGestureIdUtilTest, TheAdvertisingIdentifierOnlyWhileTrackingIsAllowed) {
    GADGestureIdUtil& ids = GADGestureIdUtil::sharedInstance();
    EXPECT_EQ(ids.osVersion(), "8.4");
    EXPECT_EQ(ids.deviceIdentifier(), testing::FixedDevice::advertisingIdentifier().toString());
    EXPECT_EQ(ids.deviceIdentifierType(), 4);
    EXPECT_FALSE(ids.deviceOptedOut());

    device.setTrackingEnabled(false);
    EXPECT_EQ(ids.deviceIdentifier(), "");
    EXPECT_TRUE(ids.deviceOptedOut());
    EXPECT_FALSE(platform::UserDefaults::standard().hasKey(GADGestureIdUtil::kAppIdKey));
}

TEST_F(GADGestureIdUtilTest, BeforeSystemSixTheAppKeepsAnIdOfItsOwn) {
    platform::DeviceInfo::Scope five({"iPhone", "iPhone OS", "5.1.1", {}});
    device.setTrackingEnabled(false);
    auto defaults = home.openDefaults();
    GADGestureIdUtil ids(defaults.get());
    const std::string made = ids.deviceIdentifier();
    EXPECT_EQ(made.size(), 36u);
    EXPECT_EQ(ids.deviceIdentifier(), made);
    EXPECT_EQ(defaults->stringForKey(GADGestureIdUtil::kAppIdKey), made);
    EXPECT_EQ(ids.deviceIdentifierType(), 1);
    // No system of that age let the user opt out.
    EXPECT_FALSE(ids.deviceOptedOut());
}

TEST_F(GADGestureIdUtilTest, TheSharedInstanceIsOneWhoeverAsksFirst) {
    std::vector<GADGestureIdUtil*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = &GADGestureIdUtil::sharedInstance(); });
    }
    for (auto& thread : threads) thread.join();
    for (GADGestureIdUtil* instance : seen)
        EXPECT_EQ(instance, &GADGestureIdUtil::sharedInstance());
}

}  // namespace
}  // namespace ads
