#include "core/JTWeakPtrTarget.h"

namespace JTCore {

JTWeakPtrTarget::~JTWeakPtrTarget() {
    if (weakHolder_) weakHolder_->clear();
}

JTWeakPtrHolder* JTWeakPtrTarget::weakHolder() const {
    if (!weakHolder_) {
        weakHolder_ = JTNew<JTWeakPtrHolder>(const_cast<JTWeakPtrTarget*>(this));
    }
    return weakHolder_.get();
}

}  // namespace JTCore
