#include "ads/foundation/GADScheduler.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "ads/foundation/GADWeakTimer.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

std::shared_ptr<GADScheduler> GADScheduler::create(double interval) {
    return std::make_shared<GADScheduler>(Private{}, interval);
}

GADScheduler::GADScheduler(Private, double interval)
    : interval_(interval >= kMinimumInterval ? interval : kMinimumInterval) {}

GADScheduler::~GADScheduler() {
    stop();
}

std::int64_t GADScheduler::taskIDScheduledOnQueue(GADQueue queue, std::function<void()> block) {
    if (!queue || !block) return -1;
    const std::int64_t id = ++taskID_;
    tasks_.emplace(id, Task{std::move(block), std::move(queue)});
    return id;
}

void GADScheduler::unscheduleTaskWithID(std::int64_t taskID) {
    tasks_.erase(taskID);
}

void GADScheduler::start() {
    if (timer_) return;
    timer_ = gad_scheduledTimer(
        interval_, true, interval_ / 10,
        platform::weakCall(weak_from_this(),
                           [](GADScheduler& self, platform::Timer&) { self.executeBlocks(); }));
}

void GADScheduler::stop() {
    if (!timer_) return;
    timer_->invalidate();
    timer_.reset();
}

void GADScheduler::executeBlocks() {
    // A block that runs on the main loop may change the table; walk a copy.
    std::vector<Task> due;
    due.reserve(tasks_.size());
    for (const auto& [id, task] : tasks_) due.push_back(task);
    for (auto& task : due) task.queue.async(task.block);
}

std::string GADScheduler::description() const {
    char text[160];
    std::snprintf(text, sizeof text, "GADScheduler %p: %zu blocks, %f interval",
                  static_cast<const void*>(this), tasks_.size(), interval_);
    return text;
}

}  // namespace ads
