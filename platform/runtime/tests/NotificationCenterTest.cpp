#include "platform/runtime/NotificationCenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"

using namespace platform;
using ::testing::ElementsAre;

TEST(NotificationCenter, MatchesNameAndObjectFilters) {
    NotificationCenter center;
    int sender1 = 0, sender2 = 0;
    std::vector<std::string> log;
    auto any = center.addObserver("ping", nullptr, [&](const Notification& n) {
        log.push_back("any:" + n.userInfo["k"].asString());
    });
    center.addObserver("ping", &sender1, [&](const Notification&) { log.push_back("only1"); });
    center.addObserver("", nullptr, [&](const Notification& n) { log.push_back("all:" + n.name); });
    center.post("ping", &sender2, Value::dictionary({{"k", "v"}}));
    EXPECT_THAT(log, ElementsAre("any:v", "all:ping"));
    log.clear();
    center.post("ping", &sender1);
    EXPECT_THAT(log, ElementsAre("any:", "only1", "all:ping"));
    log.clear();
    center.post("other");
    EXPECT_THAT(log, ElementsAre("all:other"));
    EXPECT_EQ(center.observerCount(), 3u);
    center.removeObserver(any);
    center.removeObserver(any);  // twice is harmless
    center.removeObserver({});
    EXPECT_EQ(center.observerCount(), 2u);
}

TEST(NotificationCenter, RemovalDuringDeliveryTakesEffectAtOnce) {
    NotificationCenter center;
    std::vector<std::string> log;
    NotificationCenter::Token first, second, third;
    first = center.addObserver("n", nullptr, [&](const Notification&) {
        log.push_back("first");
        center.removeObserver(first);   // itself
        center.removeObserver(second);  // a later observer of the same post
    });
    second =
        center.addObserver("n", nullptr, [&](const Notification&) { log.push_back("second"); });
    third = center.addObserver("n", nullptr, [&](const Notification&) {
        log.push_back("third");
        // Added during delivery: not called for this post.
        center.addObserver("n", nullptr, [&](const Notification&) { log.push_back("late"); });
    });
    center.post("n");
    EXPECT_THAT(log, ElementsAre("first", "third"));
    log.clear();
    center.removeObserver(third);
    center.post("n");
    EXPECT_THAT(log, ElementsAre("late"));
}

TEST(NotificationCenter, PostingFromAnObserverNests) {
    NotificationCenter center;
    std::vector<std::string> log;
    auto a = center.observe("a", nullptr, [&](const Notification&) {
        log.push_back("a");
        center.post("b");
    });
    auto b = center.observe("b", nullptr, [&](const Notification&) { log.push_back("b"); });
    center.post("a");
    EXPECT_THAT(log, ElementsAre("a", "b"));
}

TEST(NotificationCenter, DeliveryQueueDefersAndRespectsLaterRemoval) {
    MainLoopTestScope scope;
    NotificationCenter center;
    std::vector<std::string> log;
    auto kept = center.observe(
        "n", nullptr,
        [&](const Notification& n) {
            EXPECT_TRUE(scope.loop().isMainThread());
            log.push_back("kept:" + n.userInfo.asString());
        },
        NotificationCenter::mainLoopDelivery());
    auto dropped = center.observe(
        "n", nullptr, [&](const Notification&) { log.push_back("dropped"); },
        NotificationCenter::mainLoopDelivery());
    center.post("n", nullptr, "1");
    EXPECT_TRUE(log.empty());
    dropped.reset();
    scope.runUntilIdle();
    EXPECT_THAT(log, ElementsAre("kept:1"));
}

TEST(NotificationCenter, ObservationRemovesOnDestructionAndMoves) {
    NotificationCenter center;
    int calls = 0;
    NotificationCenter::Observation outer;
    {
        auto inner = center.observe("n", nullptr, [&](const Notification&) { ++calls; });
        outer = std::move(inner);
        EXPECT_FALSE(inner);
    }
    center.post("n");
    EXPECT_EQ(calls, 1);
    outer = NotificationCenter::Observation();
    center.post("n");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center.observerCount(), 0u);
}
