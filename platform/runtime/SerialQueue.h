#pragma once

// A serial queue: tasks run one at a time, in the order given, on pool threads. `sync` runs
// its task on the calling thread once everything queued before it has run. A `sync` onto a
// queue the calling thread is already running would wait for itself forever; it is detected,
// logged and refused instead.

#include <functional>
#include <memory>
#include <string>

namespace platform {

class SerialQueue {
  public:
    using Task = std::function<void()>;

    // The label is kept as given (it names the queue in logs).
    explicit SerialQueue(std::string label);
    // Work already queued still runs after the queue object is gone.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const;

    void async(Task task);
    // Answers false (without running the task) when refused: called from this queue's own
    // work. An exception thrown by the task is rethrown here.
    bool sync(Task task);
    // Queues the task after a delay measured on the main loop's clock.
    void asyncAfter(double seconds, Task task);

    // Whether the calling thread is running this queue's work right now.
    bool isCurrent() const;
    // Label of the innermost queue the calling thread is running, or "" when none.
    static std::string currentLabel();

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace platform
