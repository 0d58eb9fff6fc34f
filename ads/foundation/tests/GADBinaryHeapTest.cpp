#include "ads/foundation/GADBinaryHeap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ads {
namespace {

TEST(GADBinaryHeapTest, KeepsTheLeastAtHandInEitherOrder) {
    GADBinaryHeap<int> heap;
    EXPECT_FALSE(heap.sortedObjects());
    EXPECT_FALSE(heap.minimum());
    EXPECT_FALSE(heap.removedMinimum());
    for (int v : {5, 1, 4, 1, 3}) heap.addObject(v);
    EXPECT_EQ(heap.count(), 5u);
    EXPECT_EQ(heap.minimum(), 1);
    EXPECT_EQ(heap.sortedObjects(), (std::vector<int>{1, 1, 3, 4, 5}));
    EXPECT_TRUE(heap.containsObject(4));
    EXPECT_FALSE(heap.containsObject(2));
    EXPECT_EQ(heap.removedMinimum(), 1);
    EXPECT_EQ(heap.removedMinimum(), 1);
    EXPECT_EQ(heap.removedMinimum(), 3);
    EXPECT_EQ(heap.count(), 2u);

    GADBinaryHeap<std::string> byLength([](const std::string& a, const std::string& b) {
        return static_cast<int>(b.size()) - static_cast<int>(a.size());
    });
    for (const char* s : {"a", "ccc", "bb"}) byLength.addObject(s);
    EXPECT_EQ(byLength.removedMinimum(), "ccc");
    // "Contains" asks the comparator: any text of two characters is the same here.
    EXPECT_TRUE(byLength.containsObject("zz"));
    EXPECT_EQ(byLength.removedMinimum(), "bb");
    EXPECT_EQ(byLength.removedMinimum(), "a");
    EXPECT_FALSE(byLength.sortedObjects());
}

TEST(GADBinaryHeapTest, PointersOrderByWhatTheyPointToAndNullIsNoElement) {
    GADBinaryHeap<std::shared_ptr<int>> heap;
    heap.addObject(std::make_shared<int>(7));
    heap.addObject(nullptr);
    heap.addObject(std::make_shared<int>(2));
    EXPECT_EQ(heap.count(), 2u);
    EXPECT_FALSE(heap.containsObject(nullptr));
    EXPECT_TRUE(heap.containsObject(std::make_shared<int>(7)));
    EXPECT_EQ(**heap.minimum(), 2);
}

}  // namespace
}  // namespace ads
