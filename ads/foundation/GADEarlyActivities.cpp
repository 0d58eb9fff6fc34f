#include "ads/foundation/GADEarlyActivities.h"

#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

std::shared_ptr<GADEarlyActivities> GADEarlyActivities::create() {
    return std::make_shared<GADEarlyActivities>(Private{});
}

void GADEarlyActivities::add(int rank, Step step) {
    if (!step) return;
    {
        std::lock_guard lock(mutex_);
        if (!started_) {
            steps_.emplace(rank, std::move(step));
            return;
        }
    }
    platform::MainLoop::main().runOnMain(std::move(step));
}

void GADEarlyActivities::run() {
    auto& loop = platform::MainLoop::main();
    if (!loop.isMainThread()) {
        loop.post(platform::weakCall(weak_from_this(), &GADEarlyActivities::run));
        return;
    }
    std::vector<Step> due;
    {
        std::lock_guard lock(mutex_);
        if (started_) return;
        started_ = true;
        for (auto& [rank, step] : steps_) due.push_back(std::move(step));
        steps_.clear();
    }
    for (auto& step : due) step();
}

bool GADEarlyActivities::hasRun() const {
    std::lock_guard lock(mutex_);
    return started_;
}

}  // namespace ads
