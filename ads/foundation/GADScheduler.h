#pragma once

// Periodic work of the SDK (pings, content traversal, ...): tasks, each a block and the queue
// it runs on, all started together on every tick of one repeating main-loop timer. A tick
// queues every task's block on its queue and never waits for it.
//
// Lives on the main thread: create, schedule, start, stop and drop it there. The timer holds
// the scheduler weakly and the scheduler stops its timer when it is dropped, so an abandoned
// scheduler never ticks again. Each task holds its queue.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ads/foundation/GADQueue.h"

namespace platform {
class Timer;
}

namespace ads {

class GADScheduler : public std::enable_shared_from_this<GADScheduler> {
  public:
    // The shortest tick: intervals come from the server, and a zero, negative or NaN one must
    // not spin the main loop.
    static constexpr double kMinimumInterval = 0.1;

    static std::shared_ptr<GADScheduler> create(double interval);
    ~GADScheduler();
    GADScheduler(const GADScheduler&) = delete;
    GADScheduler& operator=(const GADScheduler&) = delete;

    // Ids run 1, 2, 3 ... per scheduler and are never reused. Without a queue or a block: -1,
    // and nothing is added.
    std::int64_t taskIDScheduledOnQueue(GADQueue queue, std::function<void()> block);
    // An unknown id changes nothing.
    void unscheduleTaskWithID(std::int64_t taskID);

    // Does nothing while started; the first tick comes one interval after the start, and the
    // timer may fire up to a tenth of the interval late.
    void start();
    // Does nothing while stopped.
    void stop();
    bool isStarted() const { return timer_ != nullptr; }

    // One tick: every task's block queued on its queue.
    void executeBlocks();

    double interval() const { return interval_; }
    std::size_t taskCount() const { return tasks_.size(); }
    // "GADScheduler 0x...: 2 blocks, 60.000000 interval"
    std::string description() const;

  private:
    struct Private {};

  public:
    GADScheduler(Private, double interval);

  private:
    struct Task {
        std::function<void()> block;
        GADQueue queue;
    };

    double interval_;
    std::int64_t taskID_ = 0;
    std::map<std::int64_t, Task> tasks_;
    std::shared_ptr<platform::Timer> timer_;
};

}  // namespace ads
