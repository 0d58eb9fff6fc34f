#pragma once

// A heap ordered by a comparator: the least element is at hand, the rest in no order. Used by
// one thread at a time (the owner's queue).

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace ads {

template <typename T>
class GADBinaryHeap {
  public:
    // Negative when a orders before b, 0 when they are the same, positive after.
    using Comparator = std::function<int(const T& a, const T& b)>;

    // Without a comparator the elements order by their own "<" (or by what they point to, for
    // pointers).
    explicit GADBinaryHeap(Comparator comparator = {})
        : compare_(comparator ? std::move(comparator) : naturalOrder()) {}

    // Duplicates are kept. An empty pointer is not an element and is ignored.
    void addObject(T element) {
        if (isEmptyPointer(element)) return;
        heap_.push_back(std::move(element));
        std::push_heap(heap_.begin(), heap_.end(), greater());
    }
    // An element the comparator finds the same as `element`; never an empty pointer.
    bool containsObject(const T& element) const {
        if (isEmptyPointer(element)) return false;
        return std::any_of(heap_.begin(), heap_.end(),
                           [&](const T& e) { return compare_(e, element) == 0; });
    }
    std::size_t count() const { return heap_.size(); }

    std::optional<T> minimum() const {
        if (heap_.empty()) return std::nullopt;
        return heap_.front();
    }
    std::optional<T> removedMinimum() {
        if (heap_.empty()) return std::nullopt;
        std::pop_heap(heap_.begin(), heap_.end(), greater());
        T least = std::move(heap_.back());
        heap_.pop_back();
        return least;
    }
    // Ascending; nothing (rather than an empty list) when the heap is empty.
    std::optional<std::vector<T>> sortedObjects() const {
        if (heap_.empty()) return std::nullopt;
        std::vector<T> sorted = heap_;
        std::sort(sorted.begin(), sorted.end(),
                  [this](const T& a, const T& b) { return compare_(a, b) < 0; });
        return sorted;
    }

  private:
    static bool isEmptyPointer(const T& element) {
        if constexpr (std::is_pointer_v<T>) {
            return element == nullptr;
        } else if constexpr (requires {
                                 element.get();
                                 element == nullptr;
                             }) {
            return element == nullptr;
        } else {
            return false;
        }
    }

    static Comparator naturalOrder() {
        return [](const T& a, const T& b) {
            if constexpr (std::is_pointer_v<T> || requires {
                              a.get();
                              *a;
                          }) {
                return *a < *b ? -1 : (*b < *a ? 1 : 0);
            } else {
                return a < b ? -1 : (b < a ? 1 : 0);
            }
        };
    }

    // std's heap functions keep the greatest element in front; inverting the order keeps the
    // least there.
    auto greater() const {
        return [this](const T& a, const T& b) { return compare_(a, b) > 0; };
    }

    Comparator compare_;
    std::vector<T> heap_;
};

}  // namespace ads
