#include "ads/foundation/GADWeakReference.h"

#include <gtest/gtest.h>

#include <new>
#include <unordered_set>

namespace ads {
namespace {

struct Delegate {
    int id = 0;
};

TEST(GADWeakReferenceTest, BoxesCompareByTheObjectEvenAfterItIsGone) {
    EXPECT_FALSE(GADWeakReference<Delegate>::create(nullptr));
    auto object = std::make_shared<Delegate>();
    auto a = *GADWeakReference<Delegate>::create(object);
    auto b = *GADWeakReference<Delegate>::create(object);
    auto other = *GADWeakReference<Delegate>::create(std::make_shared<Delegate>());
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a == other);
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_EQ(a.weakObject(), object);
    EXPECT_EQ(a.uniqueID(), object.get());

    std::unordered_set<GADWeakReference<Delegate>> set{a};
    EXPECT_TRUE(GADWeakReference<Delegate>::setContainsObject(set, object));
    EXPECT_FALSE(GADWeakReference<Delegate>::setContainsObject(set, nullptr));
    EXPECT_NE(a.description().find("weakObject:0x"), std::string::npos);

    const void* address = object.get();
    object.reset();
    EXPECT_EQ(a.weakObject(), nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.uniqueID(), address);
    EXPECT_NE(a.description().find("weakObject:(null)"), std::string::npos);
}

TEST(GADWeakReferenceTest, ANewObjectAtAFreedAddressIsAnotherObject) {
    // Both objects live in one buffer, so the second one surely gets the first one's address.
    alignas(Delegate) unsigned char buffer[sizeof(Delegate)];
    auto destroyOnly = [](Delegate* d) { d->~Delegate(); };
    std::shared_ptr<Delegate> first(new (buffer) Delegate{1}, destroyOnly);
    auto box = *GADWeakReference<Delegate>::create(first);
    first.reset();
    std::shared_ptr<Delegate> second(new (buffer) Delegate{2}, destroyOnly);
    ASSERT_EQ(static_cast<const void*>(second.get()), box.uniqueID());
    auto newBox = *GADWeakReference<Delegate>::create(second);
    EXPECT_FALSE(box == newBox);
    EXPECT_EQ(box.weakObject(), nullptr);
    std::unordered_set<GADWeakReference<Delegate>> set{box};
    EXPECT_FALSE(GADWeakReference<Delegate>::setContainsObject(set, second));
}

}  // namespace
}  // namespace ads
