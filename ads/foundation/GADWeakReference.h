#pragma once

// A box that lets sets and maps hold an object weakly and by identity (delegates, observers).
// Identity is the object's ownership block, which the box keeps allocated: two boxes of one
// object stay equal after the object is gone, and a new object that happens to get the freed
// address is never taken for the old one.

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

namespace ads {

template <typename T>
class GADWeakReference {
  public:
    // Nothing for an empty pointer.
    static std::optional<GADWeakReference> create(const std::shared_ptr<T>& object) {
        if (!object) return std::nullopt;
        return GADWeakReference(object);
    }

    // The object, or nullptr once it is gone.
    std::shared_ptr<T> weakObject() const { return object_.lock(); }
    // The object's address when the box was made.
    const void* uniqueID() const { return address_; }

    std::size_t hash() const { return std::hash<const void*>{}(address_); }
    friend bool operator==(const GADWeakReference& a, const GADWeakReference& b) {
        return !a.object_.owner_before(b.object_) && !b.object_.owner_before(a.object_);
    }

    // "<GADWeakReference: 0x... weakObject:0x... uniqueID:0x...>", "(null)" once gone.
    std::string description() const {
        char text[160];
        auto object = weakObject();
        char objectText[32] = "(null)";
        if (object)
            std::snprintf(objectText, sizeof objectText, "%p",
                          static_cast<const void*>(object.get()));
        std::snprintf(text, sizeof text, "<GADWeakReference: %p weakObject:%s uniqueID:%p>",
                      static_cast<const void*>(this), objectText, address_);
        return text;
    }

    template <typename Set>
    static bool setContainsObject(const Set& set, const std::shared_ptr<T>& object) {
        auto box = create(object);
        return box && set.count(*box) != 0;
    }

  private:
    explicit GADWeakReference(const std::shared_ptr<T>& object)
        : object_(object), address_(static_cast<const void*>(object.get())) {}

    std::weak_ptr<T> object_;
    const void* address_;
};

}  // namespace ads

template <typename T>
struct std::hash<ads::GADWeakReference<T>> {
    std::size_t operator()(const ads::GADWeakReference<T>& box) const { return box.hash(); }
};
