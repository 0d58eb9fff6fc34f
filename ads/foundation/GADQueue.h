#pragma once

// Where a block of the SDK runs: one of its named serial queues, the main loop or the shared
// pool. Scheduler tasks and statistics notifications name their queue with one of these. A
// GADQueue keeps a serial queue alive as long as it is held, as queued work does.

#include <functional>
#include <memory>
#include <string>

namespace platform {
class SerialQueue;
}

namespace ads {

class GADQueue {
  public:
    using Task = std::function<void()>;

    // No queue: async and sync do nothing and answer false.
    GADQueue() = default;

    static GADQueue serial(std::shared_ptr<platform::SerialQueue> queue);
    static GADQueue main();
    static GADQueue global();

    explicit operator bool() const { return kind_ != Kind::None; }
    std::string label() const;

    // Queues the task; answers false (dropping it) when there is no queue or no task.
    bool async(Task task) const;
    // Runs the task there and waits for it. Answers false, without running it, when there is
    // no queue or when the calling thread is running this serial queue already (it would wait
    // for itself).
    bool sync(Task task) const;

    friend bool operator==(const GADQueue& a, const GADQueue& b) {
        return a.kind_ == b.kind_ && a.serial_ == b.serial_;
    }

  private:
    enum class Kind { None, Serial, Main, Global };

    Kind kind_ = Kind::None;
    std::shared_ptr<platform::SerialQueue> serial_;
};

}  // namespace ads
