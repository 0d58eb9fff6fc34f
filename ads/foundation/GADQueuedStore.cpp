#include "ads/foundation/GADQueuedStore.h"

#include "platform/runtime/SerialQueue.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Application.h"

namespace ads {

GADQueuedStore::GADQueuedStore(std::string queueLabel, platform::UserDefaults* defaults)
    : defaults_(defaults ? defaults : &platform::UserDefaults::standard()),
      queue_(std::make_shared<platform::SerialQueue>(std::move(queueLabel))) {
    // The observer holds the queue, not the store: a notification that races the store's end
    // still finds what it waits on.
    willTerminate_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kWillTerminateNotification, nullptr,
        [queue = queue_](const platform::Notification&) { queue->sync([] {}); });
}

GADQueuedStore::~GADQueuedStore() {
    willTerminate_.reset();
    // Queued saves write into defaults the owner keeps only as long as this store.
    waitForSaves();
}

void GADQueuedStore::save(std::string key, platform::Value value) {
    queue_->async([defaults = defaults_, key = std::move(key), value = std::move(value)] {
        defaults->setObject(key, value);
        defaults->synchronize();
    });
}

void GADQueuedStore::waitForSaves() {
    queue_->sync([] {});
}

}  // namespace ads
