#include "ads/web/GADAdViewEventQueue.h"

#include "platform/runtime/OperationQueue.h"

namespace ads {

GADAdViewEventQueue::GADAdViewEventQueue()
    : queue_(platform::OperationQueue::onMainLoop("com.zivivu.durez.ad-view-events")) {
    queue_->setSuspended(true);
}

GADAdViewEventQueue::~GADAdViewEventQueue() {
    queue_->cancelAllOperations();
}

bool GADAdViewEventQueue::add(std::function<void()> event) {
    if (queue_->isSuspended() && queue_->operationCount() >= kMaxWaiting) return false;
    queue_->addOperation(std::move(event));
    return true;
}

void GADAdViewEventQueue::holdForNewPage() {
    queue_->cancelAllOperations();
    queue_->setSuspended(true);
}

void GADAdViewEventQueue::release() {
    queue_->setSuspended(false);
}

bool GADAdViewEventQueue::isHeld() const {
    return queue_->isSuspended();
}

std::size_t GADAdViewEventQueue::waitingCount() const {
    return queue_->operationCount();
}

}  // namespace ads
