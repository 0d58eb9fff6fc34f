#include "platform/testing/TestGate.h"

namespace platform::testing {

bool TestGate::wait() {
    std::unique_lock lock(mutex_);
    ++arrivals_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_ || abandoned_; });
    return !abandoned_;
}

void TestGate::release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

void TestGate::abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
}

bool TestGate::waitForArrivals(std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return arrivals_ >= count; });
}

std::size_t TestGate::arrivals() const {
    std::lock_guard lock(mutex_);
    return arrivals_;
}

bool TestGate::isReleased() const {
    std::lock_guard lock(mutex_);
    return released_;
}

}  // namespace platform::testing
