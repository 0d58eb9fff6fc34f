#include "ads/foundation/GADTimingManager.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADTiming.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Application.h"

namespace ads {
namespace {

using platform::Value;

class GADTimingManagerTest : public ::testing::Test {
  protected:
    testing::AdsTestScope scope;

    // What a later launch finds: a new user-defaults object on the same file.
    Value storedForm(const std::string& identifier) {
        auto defaults = scope.home().openDefaults();
        return defaults->objectForKey("zivivu_timing_" + identifier).value_or(Value());
    }
};

TEST_F(GADTimingManagerTest, TimingsComeBackInTheNextLaunch) {
    {
        auto defaults = scope.home().openDefaults();
        auto manager = GADTimingManager::create(defaults.get());
        manager->setIdentifier("unit-1");
        EXPECT_EQ(manager->userDefaultsKey(), "zivivu_timing_unit-1");
        auto a = manager->addTimingWithCategory("a");
        a->start();
        scope.advance(0.25);
        a->end();
        auto b = manager->addTimingWithCategory("b");
        b->start();
        manager->savePersistentTimings();
    }
    auto defaults = scope.home().openDefaults();
    auto manager = GADTimingManager::create(defaults.get());
    auto other = manager->addTimingWithCategory("mine");
    auto stale = manager->addTimingWithCategory("a");
    manager->setIdentifier("unit-1");
    EXPECT_EQ(manager->categories(), (std::vector<std::string>{"a", "b", "mine"}));
    EXPECT_NE(manager->timingForCategory("a"), stale);
    EXPECT_EQ(manager->timingForCategory("mine"), other);
    EXPECT_EQ(manager->timingForCategory("a")->startTimestamp(), 1u);
    EXPECT_EQ(manager->timingForCategory("a")->endTimestamp(), 251u);
    EXPECT_EQ(manager->timingForCategory("a")->elapsedMilliseconds(), 250u);
    // "b" was running in the other process: no made-up duration.
    EXPECT_TRUE(manager->timingForCategory("b")->isActive());
    EXPECT_EQ(manager->timingForCategory("b")->elapsedMilliseconds(), 0u);
    EXPECT_EQ(manager->timings().size(), 3u);
}

TEST_F(GADTimingManagerTest, RemovalsReachStorageWithTheNextSave) {
    auto defaults = scope.home().openDefaults();
    auto manager = GADTimingManager::create(defaults.get());
    manager->addTimingWithCategory("before-identifier");
    manager->waitForSaves();
    EXPECT_FALSE(defaults->objectForKey("zivivu_timing_u"));

    manager->setIdentifier("u");
    manager->addTimingWithCategory("x");
    manager->addTimingWithCategory("y");
    manager->waitForSaves();
    manager->removeTimingForCategory("x");
    manager->removeTiming(manager->timingForCategory("y"));
    EXPECT_TRUE(manager->categories() == std::vector<std::string>{"before-identifier"});
    EXPECT_TRUE(storedForm("u").contains("x"));
    EXPECT_TRUE(storedForm("u").contains("y"));
    manager->addTiming(nullptr);  // saves all the same
    manager->waitForSaves();
    EXPECT_FALSE(storedForm("u").contains("x"));
    EXPECT_TRUE(storedForm("u").contains("before-identifier"));

    manager->removeTimingsForCategories({"before-identifier", "nothing"});
    EXPECT_TRUE(manager->categories().empty());
    manager->addTimingWithCategory("z");
    manager->removeAllTimings();
    EXPECT_TRUE(manager->timings().empty());
}

TEST_F(GADTimingManagerTest, TerminationWaitsForQueuedSaves) {
    auto defaults = scope.home().openDefaults();
    auto manager = GADTimingManager::create(defaults.get());
    manager->setIdentifier("t");
    for (int i = 0; i < 12; ++i) manager->addTimingWithCategory("c" + std::to_string(i));
    platform::ui::Application::shared().terminate();
    // Every save was written by the time the notification returned.
    EXPECT_EQ(storedForm("t").size(), 12u);
}

}  // namespace
}  // namespace ads
