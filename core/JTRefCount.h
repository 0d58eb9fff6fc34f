#pragma once

#include <cstdint>

#include <boost/intrusive_ptr.hpp>

namespace JTCore {

// The intrusive count behind every game-core object. It starts at 1 (the creator's reference),
// which JTNew adopts, so a fresh object owned by an intrusive_ptr has exactly one owner.
// Game-core objects live on the main thread only, so the count is a plain integer.
class JTRefCount {
  public:
    JTRefCount() = default;
    JTRefCount(const JTRefCount&) = delete;
    JTRefCount& operator=(const JTRefCount&) = delete;
    virtual ~JTRefCount() = default;

    int32_t refCount() const { return refCount_; }

  private:
    friend void intrusive_ptr_add_ref(const JTRefCount* p);
    friend void intrusive_ptr_release(const JTRefCount* p);

    mutable int32_t refCount_ = 1;
};

inline void intrusive_ptr_add_ref(const JTRefCount* p) {
    ++p->refCount_;
}

inline void intrusive_ptr_release(const JTRefCount* p) {
    // The count stays 0 while the destructors run; weak pointers read that as "gone".
    if (--p->refCount_ == 0) delete p;
}

// Makes a new object and adopts its initial count, so the object has exactly one owner.
template <class T, class... Args>
boost::intrusive_ptr<T> JTNew(Args&&... args) {
    return boost::intrusive_ptr<T>(new T(static_cast<Args&&>(args)...), false);
}

}  // namespace JTCore
