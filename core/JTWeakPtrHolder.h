#pragma once

#include "core/JTRefCount.h"

namespace JTCore {

class JTWeakPtrTarget;

// Shared by every weak pointer to one object; the object clears it when it dies, and the
// holder itself lives on as long as a weak pointer still refers to it.
class JTWeakPtrHolder : public JTRefCount {
  public:
    explicit JTWeakPtrHolder(JTWeakPtrTarget* target) : target_(target) {}

    JTWeakPtrTarget* target() const { return target_; }
    void clear() { target_ = nullptr; }

  private:
    JTWeakPtrTarget* target_;
};

using JTWeakPtrHolderPtr = boost::intrusive_ptr<JTWeakPtrHolder>;

}  // namespace JTCore
