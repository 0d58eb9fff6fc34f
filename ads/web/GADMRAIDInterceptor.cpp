#include "ads/web/GADMRAIDInterceptor.h"

#include <mutex>

namespace ads {

namespace {

struct Holds {
    std::mutex mutex;
    std::int64_t count = 0;

    static Holds& shared() {
        static Holds* holds = new Holds;
        return *holds;
    }
};

}  // namespace

void GADMRAIDInterceptor::enableCanInitWithRequest() {
    auto& holds = Holds::shared();
    std::lock_guard lock(holds.mutex);
    ++holds.count;
}

void GADMRAIDInterceptor::disableCanInitWithRequest() {
    auto& holds = Holds::shared();
    std::lock_guard lock(holds.mutex);
    if (holds.count > 0) --holds.count;
}

std::int64_t GADMRAIDInterceptor::canInitWithRequestCount() {
    auto& holds = Holds::shared();
    std::lock_guard lock(holds.mutex);
    return holds.count;
}

void GADMRAIDInterceptor::resetCanInitWithRequestCount() {
    auto& holds = Holds::shared();
    std::lock_guard lock(holds.mutex);
    holds.count = 0;
}

}  // namespace ads
