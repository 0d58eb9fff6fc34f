#include "platform/runtime/Clock.h"

#include <chrono>
#include <mutex>

#include "platform/runtime/ManualClock.h"

namespace platform {

namespace {

// Never destroyed: pool threads read the clock at any time, also while the process exits and
// its static objects are being destroyed.
std::mutex& sourceMutex() {
    static auto* m = new std::mutex;
    return *m;
}

std::shared_ptr<ClockSource>& installed() {
    static auto* s = new std::shared_ptr<ClockSource>;
    return *s;
}

const std::shared_ptr<ClockSource>& systemClock() {
    static const auto* s = new std::shared_ptr<ClockSource>(std::make_shared<SystemClock>());
    return *s;
}

}  // namespace

double SystemClock::monotonic() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double SystemClock::wallSeconds() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::shared_ptr<ClockSource> Clock::source() {
    std::lock_guard lock(sourceMutex());
    return installed() ? installed() : systemClock();
}

std::shared_ptr<ClockSource> Clock::install(std::shared_ptr<ClockSource> source) {
    std::lock_guard lock(sourceMutex());
    auto old = installed() ? installed() : systemClock();
    installed() = std::move(source);
    return old;
}

std::shared_ptr<ManualClock> Clock::installManual() {
    auto clock = std::make_shared<ManualClock>();
    install(clock);
    return clock;
}

std::shared_ptr<ManualClock> Clock::manual() {
    auto s = source();
    if (!s->isManual()) return nullptr;
    return std::static_pointer_cast<ManualClock>(s);
}

double Clock::monotonic() {
    return source()->monotonic();
}

double Clock::wallSeconds() {
    return source()->wallSeconds();
}

}  // namespace platform
