#include "platform/device/Reachability.h"

#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <cstring>
#include <deque>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/PlatformStateScope.h"

namespace platform {
namespace {

using Interface = Reachability::Interface;

// A queue the test runs by hand, to see what was posted to it and when.
struct HandQueue {
    std::deque<std::function<void()>> tasks;
    Reachability::Poster poster() {
        return [this](std::function<void()> task) { tasks.push_back(std::move(task)); };
    }
    void runAll() {
        while (!tasks.empty()) {
            auto task = std::move(tasks.front());
            tasks.pop_front();
            task();
        }
    }
};

class ReachabilityTest : public ::testing::Test {
  protected:
    platform::testing::PlatformStateScope platformState;
};

TEST_F(ReachabilityTest, OnlyAnUpRunningOuterInterfaceWithAnAddressMakesTheMachineReachable) {
    Interface lo{"lo", true, true, true, 2};
    Interface wired{"eth0", true, true, false, 1};
    EXPECT_EQ(Reachability::flagsForInterfaces({}), 0u);
    EXPECT_EQ(Reachability::flagsForInterfaces({lo}), 0u);
    EXPECT_EQ(Reachability::flagsForInterfaces({lo, wired}), kReachabilityFlagReachable);

    Interface down = wired;
    down.up = false;
    Interface noCable = wired;
    noCable.running = false;
    Interface noAddress = wired;
    noAddress.addresses = 0;
    EXPECT_EQ(Reachability::flagsForInterfaces({lo, down, noCable, noAddress}), 0u);
    // A desktop is never on a cellular radio.
    EXPECT_EQ(Reachability::flagsForInterfaces({wired}) & kReachabilityFlagIsWWAN, 0u);
    EXPECT_EQ(kReachabilityFlagIsWWAN, 0x40000u);
    EXPECT_EQ(kReachabilityFlagReachable, 2u);
}

// One message of 16 payload bytes whose header claims `length` (its true length by default).
std::vector<std::uint8_t> message(std::uint16_t type, std::uint32_t length = NLMSG_LENGTH(16)) {
    std::vector<std::uint8_t> bytes(NLMSG_LENGTH(16));
    nlmsghdr header{};
    header.nlmsg_len = length;
    header.nlmsg_type = type;
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

std::vector<std::uint8_t> join(std::vector<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

bool touches(const std::vector<std::uint8_t>& bytes) {
    return Reachability::netlinkBufferTouchesInterfaces(bytes.data(), bytes.size());
}

TEST_F(ReachabilityTest, RoutingMessagesAreReadWithinTheirBounds) {
    for (std::uint16_t type : {RTM_NEWLINK, RTM_DELLINK, RTM_NEWADDR, RTM_DELADDR})
        EXPECT_TRUE(touches(message(type))) << type;
    EXPECT_FALSE(touches(message(RTM_NEWROUTE)));
    // Found after another message, not before the end.
    EXPECT_TRUE(touches(join({message(RTM_NEWROUTE), message(RTM_NEWADDR)})));
    EXPECT_FALSE(touches(join({message(NLMSG_DONE), message(RTM_NEWADDR)})));

    // Lengths that lie end the walk instead of reading past the buffer.
    auto tooLong = message(RTM_NEWADDR, 4096);
    EXPECT_FALSE(touches(tooLong));
    EXPECT_FALSE(touches(message(RTM_NEWADDR, 4)));
    auto truncated = message(RTM_NEWADDR);
    truncated.resize(sizeof(nlmsghdr) - 1);
    EXPECT_FALSE(touches(truncated));
    EXPECT_FALSE(Reachability::netlinkBufferTouchesInterfaces(nullptr, 64));
    // Unaligned buffers are fine.
    auto shifted = join({{0}, message(RTM_NEWLINK)});
    EXPECT_TRUE(
        Reachability::netlinkBufferTouchesInterfaces(shifted.data() + 1, shifted.size() - 1));
}

TEST_F(ReachabilityTest, ReportsOnceAtRegistrationThenEveryChangeOnTheGivenQueue) {
    Reachability::setFlagsForTesting(kReachabilityFlagReachable);
    auto reachability = Reachability::create();
    EXPECT_EQ(reachability->flags(), kReachabilityFlagReachable);

    HandQueue queue;
    std::vector<std::uint32_t> reports;
    ASSERT_TRUE(
        reachability->start([&](std::uint32_t f) { reports.push_back(f); }, queue.poster()));
    EXPECT_FALSE(reachability->start([](std::uint32_t) {}, queue.poster()));
    EXPECT_TRUE(reports.empty());  // on the queue, not inline
    queue.runAll();
    EXPECT_EQ(reports, (std::vector<std::uint32_t>{2}));

    Reachability::setFlagsForTesting(0);
    Reachability::fireChangeForTesting();
    queue.runAll();
    EXPECT_EQ(reports, (std::vector<std::uint32_t>{2, 0}));

    // A report already on its way when the watch stops is dropped, and none follow.
    Reachability::setFlagsForTesting(kReachabilityFlagReachable | kReachabilityFlagIsWWAN);
    Reachability::fireChangeForTesting();
    reachability->stop();
    Reachability::fireChangeForTesting();
    queue.runAll();
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reachability->isStarted());

    // Started again, it reports afresh; without a queue, on the main loop.
    MainLoopTestScope loop;
    ASSERT_TRUE(reachability->start([&](std::uint32_t f) { reports.push_back(f); }));
    loop.runUntilIdle();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports.back(), kReachabilityFlagReachable | kReachabilityFlagIsWWAN);

    // An object that is gone reports nothing, even with a report queued.
    Reachability::fireChangeForTesting();
    reachability.reset();
    loop.runUntilIdle();
    EXPECT_EQ(reports.size(), 3u);
}

TEST_F(ReachabilityTest, WatchingTheRealMachineReportsItsStateAndStopsCleanly) {
    MainLoopTestScope loop;
    auto flags = Reachability::create()->flags();
    ASSERT_TRUE(flags.has_value());
    EXPECT_TRUE(*flags == 0 || *flags == kReachabilityFlagReachable);

    auto reachability = Reachability::create();
    std::vector<std::uint32_t> reports;
    LogSink::Capture log;
    bool watching = reachability->start([&](std::uint32_t f) { reports.push_back(f); });
    loop.runUntilIdle();
    if (watching) {
        EXPECT_EQ(reports, (std::vector<std::uint32_t>{*flags}));
    } else {
        // A sandbox without routing sockets: said so, and nothing reported.
        EXPECT_TRUE(log.contains("cannot watch the network"));
        EXPECT_TRUE(reports.empty());
    }
    // Dropped while watching: the watcher thread is ended and joined.
    reachability.reset();
    loop.runUntilIdle();
    EXPECT_EQ(reports.size(), watching ? 1u : 0u);
}

}  // namespace
}  // namespace platform
