#pragma once

#include "core/JTWeakPtrHolder.h"

namespace JTCore {

// Base that lets an object be referred to weakly. The holder is made on the first weak
// reference only: most objects are never weakly referenced and pay nothing.
class JTWeakPtrTarget : public JTRefCount {
  public:
    JTWeakPtrTarget() = default;
    ~JTWeakPtrTarget() override;

    JTWeakPtrHolder* weakHolder() const;

  private:
    mutable JTWeakPtrHolderPtr weakHolder_;
};

}  // namespace JTCore
