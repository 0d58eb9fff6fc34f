#pragma once

// What every store that keeps its data in the user defaults and writes them on a serial queue
// shares: the queue, the defaults it writes into, and the promise that no queued save is lost -
// queued work is waited for when the application terminates and when the store goes.
//
// The queue serialises the owner's own state too where the owner says so; it is not a lock
// around anything of this class. Any thread.

#include <memory>
#include <string>

#include "platform/base/Value.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform {
class SerialQueue;
class UserDefaults;
}  // namespace platform

namespace ads {

class GADQueuedStore {
  public:
    // Writes into the given user defaults (the standard ones when none), which must outlive
    // the store.
    GADQueuedStore(std::string queueLabel, platform::UserDefaults* defaults);
    ~GADQueuedStore();
    GADQueuedStore(const GADQueuedStore&) = delete;
    GADQueuedStore& operator=(const GADQueuedStore&) = delete;

    platform::UserDefaults& defaults() const { return *defaults_; }
    platform::SerialQueue& queue() const { return *queue_; }

    // Writes the value under the key on the queue, after the work queued before it.
    void save(std::string key, platform::Value value);
    // Waits until every piece of work queued so far is done.
    void waitForSaves();

  private:
    platform::UserDefaults* defaults_;
    std::shared_ptr<platform::SerialQueue> queue_;
    platform::NotificationCenter::Observation willTerminate_;
};

}  // namespace ads
