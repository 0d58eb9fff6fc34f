#include "ads/foundation/GADCacheSet.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/runtime/MainLoop.h"
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

// An object of the main thread that says where it ended.
struct Releases {
    std::atomic<int> onMain{0};
    std::atomic<int> elsewhere{0};
    int total() const { return onMain + elsewhere; }
};
struct MainThreadObject {
    explicit MainThreadObject(Releases& releases) : releases(releases) {}
    ~MainThreadObject() {
        ++(platform::MainLoop::main().isMainThread() ? releases.onMain : releases.elsewhere);
    }
    Releases& releases;
};

TEST(GADCacheSetTest, ObjectsItLetsGoEndOnTheMainThread) {
    platform::MainLoopTestScope scope;
    Releases releases;
    auto set = GADCacheSet<MainThreadObject>::create(1);
    set->addObject(std::make_shared<MainThreadObject>(releases));
    // Finding the set full, the second is let go on the queue, its end posted to the loop.
    set->addObject(std::make_shared<MainThreadObject>(releases));
    EXPECT_EQ(set->count(), 1u);
    EXPECT_EQ(releases.total(), 0);
    scope.runUntilIdle();
    EXPECT_EQ(releases.onMain, 1);

    // Emptied from another thread.
    std::thread([&set] { set->removeAllObjects(); }).join();
    EXPECT_EQ(releases.total(), 1);
    scope.runUntilIdle();
    EXPECT_EQ(releases.onMain, 2);

    // Emptied on the main thread (a memory warning): at once.
    set->addObject(std::make_shared<MainThreadObject>(releases));
    set->removeAllObjects();
    EXPECT_EQ(releases.onMain, 3);

    // The set's last owner lets it go on another thread, adds still waiting on its queue.
    set->addObject(std::make_shared<MainThreadObject>(releases));
    set->addObject(std::make_shared<MainThreadObject>(releases));
    std::thread([set = std::move(set)]() mutable { set.reset(); }).join();
    scope.runUntilIdle();
    EXPECT_EQ(releases.onMain, 5);
    EXPECT_EQ(releases.elsewhere, 0);
}

}  // namespace
}  // namespace ads
