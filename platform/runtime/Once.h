#pragma once

// Runs some work once per Once object, however many threads ask at the same moment;
// callers arriving during the first run wait for it to finish. If the first run throws, the
// next caller tries again.

#include <atomic>
#include <functional>
#include <mutex>

namespace platform {

class Once {
  public:
    // Answers true to the caller whose call ran the work.
    bool call(const std::function<void()>& work);
    bool hasRun() const { return done_.load(std::memory_order_acquire); }

  private:
    std::mutex mutex_;
    std::atomic<bool> done_{false};
};

}  // namespace platform
