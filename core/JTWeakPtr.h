#pragma once

#include <type_traits>

#include "core/JTWeakPtrTarget.h"

namespace JTCore {

// A reference to the target's holder, never to the target: back references (to the context,
// the canvas, the manager) must not keep their owners alive.
template <class T>
class JTWeakPtr {
  public:
    JTWeakPtr() = default;
    JTWeakPtr(const boost::intrusive_ptr<T>& strong) { reset(strong.get()); }
    JTWeakPtr(T* strong) { reset(strong); }

    template <class U>
    JTWeakPtr(const JTWeakPtr<U>& other) : holder_(other.holder()) {
        static_assert(std::is_base_of_v<T, U>);
    }

    // Empty when the pointer is empty or the target has died or is dying: an object whose
    // count reached 0 is being destroyed, and taking a reference then would bring it back.
    boost::intrusive_ptr<T> lock() const {
        if (!holder_) return nullptr;
        JTWeakPtrTarget* target = holder_->target();
        if (target == nullptr || target->refCount() <= 0) return nullptr;
        return boost::intrusive_ptr<T>(static_cast<T*>(target));
    }

    bool expired() const { return !lock(); }
    bool empty() const { return !holder_; }
    void reset() { holder_.reset(); }

    const JTWeakPtrHolderPtr& holder() const { return holder_; }

  private:
    void reset(T* strong) {
        if (strong != nullptr) holder_ = strong->weakHolder();
    }

    JTWeakPtrHolderPtr holder_;
};

}  // namespace JTCore
