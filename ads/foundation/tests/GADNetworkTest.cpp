#include "ads/foundation/GADNetwork.h"

#include <gtest/gtest.h>

#include "platform/device/Reachability.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace ads {
namespace {

using platform::kReachabilityFlagIsWWAN;
using platform::kReachabilityFlagReachable;
using platform::Reachability;

class GADNetworkTest : public ::testing::Test {
  protected:
    GADNetworkTest() { Reachability::setFlagsForTesting(kReachabilityFlagReachable); }
    ~GADNetworkTest() override { Reachability::setFlagsForTesting(std::nullopt); }

    // Flags as the machine would report them, and the report applied.
    void change(std::uint32_t flags, GADNetwork& network) {
        Reachability::setFlagsForTesting(flags);
        Reachability::fireChangeForTesting();
        network.waitForPendingReports();
    }

    platform::MainLoopTestScope loop;
};

TEST_F(GADNetworkTest, FlagsNameTheConnection) {
    EXPECT_EQ(
        GADNetwork::networkTypeFromFlags(kReachabilityFlagIsWWAN | kReachabilityFlagReachable),
        GADNetworkType::Cellular);
    EXPECT_EQ(GADNetwork::networkTypeFromFlags(kReachabilityFlagReachable), GADNetworkType::WiFi);
    EXPECT_EQ(GADNetwork::networkTypeFromFlags(0), GADNetworkType::NotReachable);
    EXPECT_EQ(GADNetwork::stringForNetworkType(GADNetworkType::Cellular), "ed");
    EXPECT_EQ(GADNetwork::stringForNetworkType(GADNetworkType::WiFi), "wi");
    EXPECT_EQ(GADNetwork::stringForNetworkType(GADNetworkType::NotReachable), std::nullopt);
    EXPECT_EQ(GADNetwork::stringForNetworkType(GADNetworkType::None), std::nullopt);
}

TEST_F(GADNetworkTest, FollowsReachabilityAndKeepsTheLastKnownType) {
    auto network = GADNetwork::create();
    EXPECT_EQ(network->networkType(), GADNetworkType::None);
    network->enableNetworkChecking();
    network->waitForPendingReports();
    EXPECT_TRUE(network->isCheckingNetwork());
    EXPECT_EQ(network->networkTypeString(), "wi");
    EXPECT_EQ(network->changeCount(), 1u);

    // Wi-Fi lost: nothing to name now, but the last network is remembered.
    change(0, *network);
    EXPECT_EQ(network->networkType(), GADNetworkType::NotReachable);
    EXPECT_EQ(network->networkTypeString(), std::nullopt);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "wi");
    EXPECT_EQ(network->changeCount(), 2u);

    // A report of the same type is no change.
    change(0, *network);
    EXPECT_EQ(network->changeCount(), 2u);
    change(kReachabilityFlagIsWWAN | kReachabilityFlagReachable, *network);
    EXPECT_EQ(network->networkTypeString(), "ed");
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "ed");
    EXPECT_EQ(network->changeCount(), 3u);

    // Stopping forgets the type, not the count or the last network, and no later report
    // reaches it.
    network->disableNetworkChecking();
    EXPECT_FALSE(network->isCheckingNetwork());
    EXPECT_EQ(network->networkType(), GADNetworkType::None);
    change(kReachabilityFlagReachable, *network);
    EXPECT_EQ(network->networkType(), GADNetworkType::None);
    EXPECT_EQ(network->changeCount(), 3u);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "ed");
}

TEST_F(GADNetworkTest, EnablingTwiceWatchesOnceAndReportsOutliveNoNetwork) {
    auto network = GADNetwork::create();
    network->enableNetworkChecking();
    network->enableNetworkChecking();
    network->waitForPendingReports();
    EXPECT_EQ(network->changeCount(), 1u);

    // A report on its way when the network goes finds nothing to update.
    Reachability::setFlagsForTesting(0);
    Reachability::fireChangeForTesting();
    network.reset();
    auto other = GADNetwork::create();
    other->waitForPendingReports();
    // Setting a type by hand counts like a report.
    other->setNetworkType(GADNetworkType::WiFi);
    other->setNetworkType(GADNetworkType::None);
    EXPECT_EQ(other->changeCount(), 1u);
    EXPECT_EQ(other->lastKnownNetworkType(), GADNetworkType::WiFi);
}

}  // namespace
}  // namespace ads
