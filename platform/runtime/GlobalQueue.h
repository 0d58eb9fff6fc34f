#pragma once

// The shared pool of worker threads behind background work, serial queues and operation
// queues. It keeps about one running thread per core; a worker that blocks in one of our
// waits (SerialQueue::sync, OperationQueue waits) does not count, so blocked work can never
// starve the work it waits for. Threads never exit; the pool lives until the process does.

#include <cstddef>
#include <functional>

namespace platform {

class GlobalQueue {
  public:
    using Task = std::function<void()>;

    static GlobalQueue& shared();
    // Runs the task on some pool thread, soon.
    static void async(Task task) { shared().submit(std::move(task)); }

    void submit(Task task);
    std::size_t threadCount() const;

    // Marks the calling pool thread as blocked for the scope's lifetime (no effect on other
    // threads).
    class BlockingScope {
      public:
        BlockingScope();
        ~BlockingScope();
        BlockingScope(const BlockingScope&) = delete;
        BlockingScope& operator=(const BlockingScope&) = delete;

      private:
        bool active_ = false;
    };

    // Hard limit on threads; more work then waits for a free one.
    static constexpr std::size_t kMaxThreads = 64;

  private:
    GlobalQueue();
    struct State;
    State* state_;
};

}  // namespace platform
