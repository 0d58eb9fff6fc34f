#pragma once

// The viewability measurement of a slot's ad. Once the ad has made its impression (and when
// it is measured at all: not mediated, and with active-view settings or MRAID), a
// GADActiveViewMonitor samples the slot's ad view, and every sample goes, as one record, to
// the active-view script of an SDK core web view: the command
// "RADE_updateActiveView(<compact JSON>)". The script answers through that web view, which
// calls this object back as the unit's observer: an untrack ends the measurement. Its
// visibility verdict is the server's measurement and stays there: an MRAID creative hears
// what the player sees, which the MRAID handler finds itself at each sample (a server's rule,
// or a server that judges nothing, would otherwise decide what the creative reads).
//
// A measurement: started by startActiveViewReportingIfEnabled (a new monitor, a new
// active-view id, a core web view, one record at once even for an ad off screen, periodic
// samples while the ad view is in a window); moved by the view's window, the interstitial's
// appearance and the application's activity; ended by finishActiveViewReporting (the last
// record, with "doneReasonCode": "u", queued before the unit's observer is removed and the
// web view given back). A new ad always ends the measurement of the previous one.
//
// Main thread only. The slot owns this object; it sees the slot through
// GADSlotActiveViewHost (which it owns), the monitor holds it weakly, and the core web view
// holds it weakly as the unit's observer, so a slot let go without ending its measurement is
// freed all the same: the measurement ends with it, its last record sent.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/slot/GADActiveViewMonitor.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform::ui {
class View;
}

namespace ads {

class GADAd;

// What the measurement asks of its slot.
class GADSlotActiveViewHost {
  public:
    virtual ~GADSlotActiveViewHost() = default;
    // The slot's ad view; nothing once the slot is invalidated.
    virtual std::shared_ptr<platform::ui::View> activeViewMonitoredView() const = 0;
    // The ad shown now.
    virtual std::shared_ptr<GADAd> activeViewAd() const = 0;
    virtual bool viewHasMadeImpression() const = 0;
    virtual bool isMediating() const = 0;
    virtual bool isMRAIDEnabled() const = 0;
    virtual bool isInterstitial() const = 0;
    // The ad's MRAID handler hears where the ad view is after each sample.
    virtual void updateMRAIDPositionFromView(const platform::ui::View& view) = 0;
};

class GADSlotActiveView : public GADActiveViewMonitorDelegate,
                          public GADAdViewActiveViewMonitoring,
                          public std::enable_shared_from_this<GADSlotActiveView> {
    struct Private {};

  public:
    static constexpr const char* kCommandFunction = "RADE_updateActiveView";

    static std::shared_ptr<GADSlotActiveView> create(std::unique_ptr<GADSlotActiveViewHost> host);
    GADSlotActiveView(Private, std::unique_ptr<GADSlotActiveViewHost> host);
    // Ends a measurement still running (its last record, the observer, the web view).
    ~GADSlotActiveView() override;
    GADSlotActiveView(const GADSlotActiveView&) = delete;
    GADSlotActiveView& operator=(const GADSlotActiveView&) = delete;

    // Not mediating, an impression made, and active-view settings on the ad or MRAID.
    bool canEnableActiveViewMonitoring() const;
    bool monitoredViewIsSubviewOfDeviceScreen() const;
    void startActiveViewReportingIfEnabled();
    void finishActiveViewReporting();

    // The places a running measurement samples, starts or stops its monitor.
    // The banner's ad view joined a window (starts sampling) or left every window (one
    // sample, then no more).
    void monitoredViewDidMoveToWindow(bool inWindow);
    void interstitialViewWillAppear();
    void interstitialViewWillDisappear();

    bool isMeasuring() const { return monitor_ != nullptr; }
    // The id of the measurement running or last run; 0 before the first.
    std::uint64_t activeViewID() const { return activeViewID_; }

    // The record of one sample: {"units": [unit]}, the unit's keys as the active-view script
    // reads them; "doneReasonCode": "u" only in the last record of a measurement.
    struct RecordInputs {
        platform::Rect adBox{};
        platform::Rect globalVisibleBox{};
        platform::Rect viewBox{};
        platform::Rect screenDimension{};
        std::int64_t screenOrientation = 0;
        bool isSubViewOfVisibleWindow = false;
        bool isVisible = false;
        bool isMRAID = false;
        bool isInterstitial = false;
        std::optional<platform::Value::Dictionary> activeViewJSON;
        std::uint64_t timestamp = 0;
        std::uint64_t hashCode = 0;
        bool unloaded = false;
    };
    static platform::Value activeViewParameters(const RecordInputs& inputs);
    // "RADE_updateActiveView(<compact JSON>)"; nothing for a record JSON cannot carry.
    static std::optional<std::string> activeViewJSCommandWithParams(const platform::Value& params);
    // {"top", "bottom", "left", "right"} of the standardized rectangle, as doubles.
    static platform::Value dictionaryForBounds(platform::Rect rect);
    static const char* adFormat(bool interstitial) {
        return interstitial ? "interstitial_mb" : "banner_mb";
    }

    // GADActiveViewMonitorDelegate
    void activeViewMonitorDidRefresh(GADActiveViewMonitor& monitor) override;
    // GADAdViewActiveViewMonitoring (the core web view, on the main thread)
    void adViewDidChangeActiveViewVisibility(bool visible) override;
    void adViewDidStopActiveViewMonitoring() override;

  private:
    bool createActiveViewMonitor();
    // The record of the monitor's last sample, as the slot stands now.
    RecordInputs recordInputs(const GADActiveViewMonitor& monitor) const;
    void enqueue(const platform::Value& record);
    void activeViewMonitorWillUnload();
    void observeApplicationActivity();

    const std::unique_ptr<GADSlotActiveViewHost> host_;
    std::shared_ptr<GADActiveViewMonitor> monitor_;
    std::shared_ptr<GADSDKCoreWebView> SDKCoreWebView_;
    std::uint64_t activeViewID_ = 0;
    // The last record sent in this measurement: the last record repeats it.
    std::optional<RecordInputs> lastRecord_;
    std::vector<platform::NotificationCenter::Observation> activityObservations_;
};

}  // namespace ads
