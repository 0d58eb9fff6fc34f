#include "platform/ui/MainThread.h"

#include <atomic>

#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform::ui {

void postToMain(std::function<void()> fn) {
    MainLoop::main().post(std::move(fn));
}

void postToMainAfter(double seconds, std::function<void()> fn) {
    MainLoop::main().postAfter(seconds, std::move(fn));
}

double monotonicNow() {
    return Clock::monotonic();
}

namespace {
std::atomic<std::uint64_t> displayChanges{0};
}

void markDisplayChanged() {
    displayChanges.fetch_add(1, std::memory_order_relaxed);
    MainLoop::main().wake();
}

std::uint64_t displayGeneration() {
    return displayChanges.load(std::memory_order_relaxed);
}

void postNotification(const char* name, const void* object) {
    NotificationCenter::defaultCenter().post(name, object);
}

std::shared_ptr<void> observeNotification(const char* name, std::function<void()> fn) {
    auto observation = std::make_shared<NotificationCenter::Observation>(
        NotificationCenter::defaultCenter().observe(
            name, nullptr, [fn = std::move(fn)](const Notification&) { fn(); }));
    return observation;
}

}  // namespace platform::ui
