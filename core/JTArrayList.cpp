#include "core/JTArrayList.h"

#include <stdexcept>

namespace JTCore {

JTArrayList::~JTArrayList() {
    clear();
}

void JTArrayList::add(const JTObjectPtr& obj) {
    items_.push_back(obj);
}

JTObjectPtr JTArrayList::get(int32_t i) const {
    checkIndex(i);
    return items_[static_cast<size_t>(i)];
}

void JTArrayList::remove(int32_t i) {
    checkIndex(i);
    // Released only once the list is consistent again: the element's destructor may use it.
    JTObjectPtr removed = std::move(items_[static_cast<size_t>(i)]);
    items_.erase(items_.begin() + i);
}

void JTArrayList::clear() {
    // Released from a moved-out vector: an element's destructor may reach back into this list.
    std::vector<JTObjectPtr> old;
    old.swap(items_);
}

void JTArrayList::checkIndex(int32_t i) const {
    if (i < 0 || i >= size()) throw std::out_of_range("out of range");
}

}  // namespace JTCore
