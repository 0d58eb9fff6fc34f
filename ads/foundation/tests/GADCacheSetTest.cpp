#include "ads/foundation/GADCacheSet.h"

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Application.h"

namespace ads {
namespace {

TEST(GADCacheSetTest, HoldsUpToItsCapacityAndGivesObjectsOut) {
    auto set = GADCacheSet<int>::create(2);
    EXPECT_EQ(set->maxCapacity(), 2u);
    EXPECT_EQ(set->anyObject(), nullptr);
    auto a = std::make_shared<int>(1);
    auto b = std::make_shared<int>(2);
    set->addObject(a);
    set->addObject(b);
    set->addObject(std::make_shared<int>(3));
    set->addObject(nullptr);
    EXPECT_EQ(set->count(), 2u);
    auto taken = set->anyObject();
    EXPECT_TRUE(taken == a || taken == b);
    EXPECT_EQ(set->count(), 1u);
    set->addObject(a);  // already there or re-added: never more than the capacity
    EXPECT_LE(set->count(), 2u);
    set->removeAllObjects();
    EXPECT_EQ(set->count(), 0u);
}

TEST(GADCacheSetTest, AMemoryWarningEmptiesEverySet) {
    platform::MainLoopTestScope scope;
    auto first = GADCacheSet<int>::create(3);
    auto second = GADCacheSet<int>::create(3);
    auto kept = std::make_shared<int>(7);
    std::weak_ptr<int> watch = kept;
    first->addObject(std::move(kept));
    second->addObject(std::make_shared<int>(8));
    EXPECT_EQ(first->count() + second->count(), 2u);
    platform::ui::Application::shared().receiveMemoryWarning();
    EXPECT_EQ(first->count(), 0u);
    EXPECT_EQ(second->count(), 0u);
    EXPECT_TRUE(watch.expired());
    // A set that is gone no longer listens.
    first.reset();
    platform::ui::Application::shared().receiveMemoryWarning();
    EXPECT_EQ(second->count(), 0u);
}

}  // namespace
}  // namespace ads
