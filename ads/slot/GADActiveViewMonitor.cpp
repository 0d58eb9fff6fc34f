#include "ads/slot/GADActiveViewMonitor.h"

#include "ads/foundation/GADQueue.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADScheduler.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/View.h"

namespace ads {

std::shared_ptr<GADActiveViewMonitor> GADActiveViewMonitor::create(
    const std::shared_ptr<platform::ui::View>& view) {
    if (!view) return nullptr;
    return std::make_shared<GADActiveViewMonitor>(Private{}, view);
}

GADActiveViewMonitor::GADActiveViewMonitor(Private, const std::shared_ptr<platform::ui::View>& view)
    : view_(view),
      locked_(std::make_shared<Locked>()),
      lockQueue_(std::make_shared<platform::SerialQueue>(kLockQueueLabel)) {}

GADActiveViewMonitor::~GADActiveViewMonitor() {
    stopMonitoring();
}

void GADActiveViewMonitor::startMonitoring() {
    std::uint64_t start = 0;
    lockQueue_->sync([&, locked = locked_] {
        if (locked->monitoring) return;
        locked->monitoring = true;
        start = ++locked->start;
    });
    if (!start) return;
    GADRunOnMainThread([weak = weak_from_this(), start] {
        if (auto monitor = weak.lock()) monitor->startScheduler(start);
    });
}

void GADActiveViewMonitor::startScheduler(std::uint64_t start) {
    auto scheduler =
        GADScheduler::create(GADSDKCoreController::sharedInstance()->activeViewSamplingInterval());
    scheduler->taskIDScheduledOnQueue(GADQueue::main(), [weak = weak_from_this()] {
        if (auto monitor = weak.lock()) monitor->updateViewBounds();
    });
    bool current = false;
    lockQueue_->sync([&, locked = locked_] {
        current = locked->monitoring && locked->start == start;
        if (current) locked->scheduler = scheduler;
    });
    // A stop overtook this step: the scheduler goes unstarted.
    if (current) scheduler->start();
}

void GADActiveViewMonitor::stopMonitoring() {
    std::shared_ptr<GADScheduler> taken;
    lockQueue_->sync([&, locked = locked_] {
        locked->monitoring = false;
        taken = std::move(locked->scheduler);
    });
    if (taken) GADRunOnMainThread([taken = std::move(taken)] { taken->stop(); });
}

bool GADActiveViewMonitor::isMonitoring() const {
    bool monitoring = false;
    lockQueue_->sync([&, locked = locked_] { monitoring = locked->monitoring; });
    return monitoring;
}

void GADActiveViewMonitor::sample() {
    GADRunOnMainThread([weak = weak_from_this()] {
        if (auto monitor = weak.lock()) monitor->updateViewBounds();
    });
}

void GADActiveViewMonitor::updateViewBounds() {
    MOVU_CHECK_MAIN_THREAD();
    platform::Rect bounds{};
    if (auto view = view_.lock()) bounds = gad_visibleBounds(*view);
    const bool visible = !(bounds == platform::Rect{});
    lockQueue_->async([locked = locked_, bounds, visible] {
        locked->visibleBounds = bounds;
        locked->visible = visible;
    });
    if (auto delegate = this->delegate()) delegate->activeViewMonitorDidRefresh(*this);
}

std::shared_ptr<GADActiveViewMonitorDelegate> GADActiveViewMonitor::delegate() const {
    std::shared_ptr<GADActiveViewMonitorDelegate> delegate;
    lockQueue_->sync([&, locked = locked_] { delegate = locked->delegate.lock(); });
    return delegate;
}

void GADActiveViewMonitor::setDelegate(std::weak_ptr<GADActiveViewMonitorDelegate> delegate) {
    lockQueue_->async(
        [locked = locked_, delegate = std::move(delegate)] { locked->delegate = delegate; });
}

platform::Rect GADActiveViewMonitor::monitoredViewVisibleBounds() const {
    platform::Rect bounds{};
    lockQueue_->sync([&, locked = locked_] { bounds = locked->visibleBounds; });
    return bounds;
}

void GADActiveViewMonitor::setMonitoredViewVisibleBounds(platform::Rect bounds) {
    lockQueue_->async([locked = locked_, bounds] { locked->visibleBounds = bounds; });
}

bool GADActiveViewMonitor::monitoredViewVisible() const {
    bool visible = false;
    lockQueue_->sync([&, locked = locked_] { visible = locked->visible; });
    return visible;
}

}  // namespace ads
