#include "platform/runtime/Once.h"

namespace platform {

bool Once::call(const std::function<void()>& work) {
    if (done_.load(std::memory_order_acquire)) return false;
    std::lock_guard lock(mutex_);
    if (done_.load(std::memory_order_relaxed)) return false;
    if (work) work();
    done_.store(true, std::memory_order_release);
    return true;
}

}  // namespace platform
