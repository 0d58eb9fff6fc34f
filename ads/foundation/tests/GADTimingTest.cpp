#include "ads/foundation/GADTiming.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/testsupport/AdsTestScope.h"

namespace ads {
namespace {

using platform::Value;

class GADTimingTest : public ::testing::Test {
  protected:
    testing::AdsTestScope scope;
};

TEST_F(GADTimingTest, IdleRunningAndEnded) {
    auto timing = GADTiming::create("load");
    EXPECT_EQ(timing->category(), "load");
    EXPECT_FALSE(timing->isActive());
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);

    timing->start();
    EXPECT_TRUE(timing->isActive());
    scope.advance(0.25);
    EXPECT_EQ(timing->elapsedMilliseconds(), 250u);
    scope.advance(0.5);
    EXPECT_EQ(timing->elapsedMillisecondsString(), "750");

    timing->end();
    EXPECT_FALSE(timing->isActive());
    scope.advance(3);
    EXPECT_EQ(timing->elapsedMilliseconds(), 750u);
    EXPECT_EQ(timing->endTimestamp() - timing->startTimestamp(), 750u);

    // A restart forgets the end.
    timing->start();
    EXPECT_TRUE(timing->isActive());
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);
    timing->reset();
    EXPECT_FALSE(timing->isActive());
    EXPECT_EQ(timing->startTimestamp(), 0u);
}

TEST_F(GADTimingTest, EndWithoutStartAndExplicitEnds) {
    auto timing = GADTiming::create("x");
    timing->end();
    EXPECT_FALSE(timing->isActive());
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);
    EXPECT_EQ(timing->endTimestamp(), 0u);

    timing->setExplicitEnd(true);
    timing->start();
    scope.advance(1);
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);
    timing->end();
    EXPECT_EQ(timing->elapsedMilliseconds(), 1000u);
    EXPECT_TRUE(timing->explicitEnd());
}

TEST_F(GADTimingTest, NamedAfterItselfWithoutACategory) {
    auto timing = GADTiming::create();
    char expected[64];
    std::snprintf(expected, sizeof expected, "GADTiming (%p)",
                  static_cast<const void*>(timing.get()));
    EXPECT_EQ(timing->category(), expected);
    timing->setCategory("renamed");
    EXPECT_EQ(timing->category(), "renamed");
    EXPECT_NE(timing->description().find("renamed"), std::string::npos);
}

TEST_F(GADTimingTest, StoredFormAndCopies) {
    auto timing = GADTiming::create("adapter");
    timing->start();
    scope.advance(0.04);
    timing->end();
    EXPECT_EQ(timing->dictionaryRepresentation(),
              Value::dictionary({{"category", "adapter"}, {"start", 1}, {"end", 41}}));
    timing->setValue(Value("x"), "net");
    timing->setValue(Value(), "ignored");
    EXPECT_EQ(timing->dictionaryRepresentation()["userData"], Value::dictionary({{"net", "x"}}));
    EXPECT_EQ(timing->valueForKey("net"), Value("x"));
    EXPECT_FALSE(timing->valueForKey("ignored"));

    timing->setExplicitEnd(true);
    auto twin = timing->copy();
    EXPECT_NE(twin, timing);
    EXPECT_EQ(twin->dictionaryRepresentation(), timing->dictionaryRepresentation());
    EXPECT_FALSE(twin->explicitEnd());
    timing->removeValueForKey("net");
    EXPECT_FALSE(timing->valueForKey("net"));
    EXPECT_EQ(twin->valueForKey("net"), Value("x"));

    auto loaded = GADTiming::createWithDictionaryRepresentation(
        Value::dictionary({{"category", "c"}, {"start", 5}, {"end", 9}}));
    EXPECT_EQ(loaded->category(), "c");
    EXPECT_EQ(loaded->elapsedMilliseconds(), 4u);
    // Stored without user data, it still keeps what is set later.
    loaded->setValue(Value(1), "k");
    EXPECT_EQ(loaded->valueForKey("k"), Value(1));
    auto junk = GADTiming::createWithDictionaryRepresentation(
        Value::dictionary({{"start", "abc"}, {"end", -4}, {"userData", 3}}));
    EXPECT_EQ(junk->startTimestamp(), 0u);
    EXPECT_EQ(junk->endTimestamp(), 0u);
    EXPECT_EQ(junk->category().rfind("GADTiming (", 0), 0u);
}

TEST_F(GADTimingTest, NeverWrapsAround) {
    scope.advance(10);
    GADAbsoluteTime::absoluteTimeInMilliseconds();
    // Still running when an earlier process stored it: its start is that process's reading.
    auto loaded = GADTiming::createWithDictionaryRepresentation(
        Value::dictionary({{"category", "adapter"}, {"start", 5}, {"end", 0}}));
    scope.advance(2);
    EXPECT_TRUE(loaded->isActive());
    EXPECT_EQ(loaded->elapsedMilliseconds(), 0u);
    loaded->start();
    scope.advance(0.5);
    EXPECT_EQ(loaded->elapsedMilliseconds(), 500u);

    auto ahead = GADTiming::create("ahead");
    ahead->setStartTimestamp(GADAbsoluteTime::absoluteTimeInMilliseconds() + 60000);
    EXPECT_EQ(ahead->elapsedMilliseconds(), 0u);
    // A copy of a running timing of this process keeps counting.
    auto running = GADTiming::create("r");
    running->start();
    auto twin = running->copy();
    scope.advance(1);
    EXPECT_EQ(twin->elapsedMilliseconds(), 1000u);
}

}  // namespace
}  // namespace ads
