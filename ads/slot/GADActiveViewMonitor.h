#pragma once

// A sampler of one view's visible rectangle: while monitoring, a GADScheduler tick every
// sampling interval (the SDK core's, 0.4 s unless the server says otherwise) takes one sample
// on the main thread, stores the view's visible bounds (gad_visibleBounds, window
// coordinates) and the verdict (visible unless that rectangle is the zero rectangle), and
// tells the delegate. The slot measures its ad's viewability with it; native ad views count
// their impressions with it.
//
// Threads: start, stop and sample may be called on any thread; the sample itself and the
// scheduler always run on the main thread (a start from another thread makes its scheduler
// on a later main-loop turn, and a stop that comes first leaves none). The scheduler, the delegate
// and the last sample live on the lock queue ("com.zivivu.durez.active-view-monitor"): reads wait
// for it, writes are queued on it, so a delegate reading the monitor from its callback sees the
// sample it is told about. start and stop wait for the lock queue: never call them from work queued
// there.
//
// Who keeps whom: the view and the delegate are held weakly, so a delegate that is let go
// without clearing itself is freed all the same and hears nothing more; the scheduler's task
// holds the monitor weakly, and a monitor that goes stops its scheduler.

#include <cstdint>
#include <memory>

#include "platform/base/Geometry.h"

namespace platform {
class SerialQueue;
namespace ui {
class View;
}
}  // namespace platform

namespace ads {

class GADActiveViewMonitor;
class GADScheduler;

class GADActiveViewMonitorDelegate {
  public:
    virtual ~GADActiveViewMonitorDelegate() = default;
    // On the main thread, after every sample.
    virtual void activeViewMonitorDidRefresh(GADActiveViewMonitor& monitor) = 0;
};

class GADActiveViewMonitor : public std::enable_shared_from_this<GADActiveViewMonitor> {
    struct Private {};

  public:
    static constexpr const char* kLockQueueLabel = "com.zivivu.durez.active-view-monitor";

    // Nothing without a view. Nothing is sampled yet.
    static std::shared_ptr<GADActiveViewMonitor> create(
        const std::shared_ptr<platform::ui::View>& view);
    GADActiveViewMonitor(Private, const std::shared_ptr<platform::ui::View>& view);
    ~GADActiveViewMonitor();
    GADActiveViewMonitor(const GADActiveViewMonitor&) = delete;
    GADActiveViewMonitor& operator=(const GADActiveViewMonitor&) = delete;

    // A monitor already monitoring is left as it is: one scheduler at most. The first sample
    // comes one interval after the start.
    void startMonitoring();
    // Harmless while idle. No last sample is taken.
    void stopMonitoring();
    bool isMonitoring() const;
    // One sample now: at once on the main thread, else on a later main-loop turn.
    void sample();
    // The sample itself. Main thread only.
    void updateViewBounds();

    std::shared_ptr<GADActiveViewMonitorDelegate> delegate() const;
    void setDelegate(std::weak_ptr<GADActiveViewMonitorDelegate> delegate);
    // The view, or nothing once it is gone.
    std::shared_ptr<platform::ui::View> monitoredView() const { return view_.lock(); }
    // The last sample; the zero rectangle and not visible until the first.
    platform::Rect monitoredViewVisibleBounds() const;
    void setMonitoredViewVisibleBounds(platform::Rect bounds);
    bool monitoredViewVisible() const;

  private:
    struct Locked {
        // Monitoring from the start to the stop; the scheduler is made on the main thread
        // after the start, for the start it belongs to.
        bool monitoring = false;
        std::uint64_t start = 0;
        std::shared_ptr<GADScheduler> scheduler;
        std::weak_ptr<GADActiveViewMonitorDelegate> delegate;
        platform::Rect visibleBounds{};
        bool visible = false;
    };

    // The main-thread step of a start: the scheduler, kept only while that start is current.
    void startScheduler(std::uint64_t start);

    const std::weak_ptr<platform::ui::View> view_;
    // Touched only on lockQueue_; shared with the work queued there.
    const std::shared_ptr<Locked> locked_;
    const std::shared_ptr<platform::SerialQueue> lockQueue_;
};

}  // namespace ads
