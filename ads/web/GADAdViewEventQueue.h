#pragma once

// The events an ad view sends its page, in order, one at a time, on the main loop. While a
// page loads the queue holds them (at most kMaxWaiting; later ones are dropped, since a page
// that never loads must not collect events without end); a new load drops what waits for the
// old page; a finished load lets them run. Main thread.

#include <cstddef>
#include <functional>
#include <memory>

namespace platform {
class OperationQueue;
}

namespace ads {

class GADAdViewEventQueue {
  public:
    static constexpr std::size_t kMaxWaiting = 20;

    // Held from the start: an ad view has no page yet.
    GADAdViewEventQueue();
    // What waits is dropped.
    ~GADAdViewEventQueue();
    GADAdViewEventQueue(const GADAdViewEventQueue&) = delete;
    GADAdViewEventQueue& operator=(const GADAdViewEventQueue&) = delete;

    // Answers false when the event was dropped (kMaxWaiting already wait).
    bool add(std::function<void()> event);
    // A load begins: what waits is dropped, and new events wait.
    void holdForNewPage();
    // The page has loaded: events run, each on a later main-loop turn, in order.
    void release();
    bool isHeld() const;
    std::size_t waitingCount() const;

  private:
    std::unique_ptr<platform::OperationQueue> queue_;
};

}  // namespace ads
