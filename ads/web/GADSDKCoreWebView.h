#pragma once

// The hidden web view that runs the SDK core page (the ad server's script that turns ad
// requests into ad URLs). It loads the page, tracks the load's state, queues script calls until
// the page is ready, tells one-time observers when a load has ended, carries the page's gmsg
// answers to its handlers, and routes the page's viewability messages to per-unit observers.
//
// States: Idle -> LoadRequested (refresh) -> Loading (the page's own navigation was allowed)
// -> Ready or Failed. A refresh from Idle, Ready or Failed starts over; one while a load is on
// its way only adds the observer. A load that has not ended 30 s after it was asked for is
// stopped and counts as failed, and so does any main-frame failure while loading. A loaded page
// whose web process ended is gone: the state becomes Failed too, and the page-end observer
// hears of it.
//
// Page messages: only in the Ready state, only gmsg URLs, each offered first to the SDK core
// handler, then to the active-view handler, then to the general handlers of an ad page
// (GADAdViewDelegate). Every other navigation is refused except the page's own address.
//
// Script calls: queued, at most 50 (the oldest goes first), and sent in queue order once the
// page is ready; a call queued while the page has failed, pushed out by the limit, or still
// waiting when a load fails or starts over is dropped, and its `dropped` callback runs on the
// main loop, so whoever waits for its answer hears that none will come. What a call is given
// to hold stays with it until it has been handed to the page or dropped (a fetch's answer
// holds its bytes of the page's budget so).
//
// Each page has its own fetches (GADSDKCoreGMSGHandler): a load that starts, fails or times
// out, and a page whose web process ended, end the old page's fetches.
//
// Threads: create, use and release on the main thread. The state, the queue of calls, the
// observers and the active-view units live on the lock queue ("com.zivivu.durez.sdk-core-
// web-view"); reads wait for it, writes are queued on it, and every observer or callback call
// is posted to the main loop, so no lock is held while one runs.
//
// Who keeps whom: the web view owns its ad view (which sits in the ad views' placeholder
// window until the web view goes), its handlers and its general page delegate. Load observers
// and active-view observers are held weakly: one that is gone is skipped.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/web/GADActiveViewGMSGHandler.h"
#include "ads/web/GADAdViewDelegateProtocol.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/runtime/SerialQueue.h"

namespace platform {
class Timer;
}

namespace ads {

class GADCSI;
class GADCSITimeRecorder;

class GADAdView;
class GADAdViewDelegate;
class GADSDKCoreGMSGHandler;
class GADSDKCoreWebView;

namespace testing {
class SDKCoreTestScope;
}

// The values are the states' numbers in logs and timings.
enum class GADSDKCoreWebViewState : std::int64_t {
    Idle = 0,
    LoadRequested = 1,
    Loading = 2,
    Ready = 3,
    Failed = 4,
};

// Told once, on the main thread, when the load it waits for has ended (ready or failed).
class GADSDKCoreWebViewObserver {
  public:
    virtual ~GADSDKCoreWebViewObserver() = default;
    virtual void didFinishLoadingSDKCoreInSDKCoreWebView(
        const std::shared_ptr<GADSDKCoreWebView>& webView) = 0;
    // The page-end observer (setPageEndObserver), on the main thread: the page's web process
    // ended, so the page is gone and the calls it was sent get no answer.
    virtual void SDKCoreWebViewPageDidEnd(const std::shared_ptr<GADSDKCoreWebView>& webView) {
        (void)webView;
    }
};

// A viewability monitor of one ad unit, told on the main thread.
class GADAdViewActiveViewMonitoring {
  public:
    virtual ~GADAdViewActiveViewMonitoring() = default;
    virtual void adViewDidChangeActiveViewVisibility(bool visible) = 0;
    virtual void adViewDidStopActiveViewMonitoring() = 0;
};

class GADSDKCoreWebView : public GADAdViewDelegateProtocol,
                          public GADActiveViewGMSGHandlerDelegate,
                          public std::enable_shared_from_this<GADSDKCoreWebView> {
    struct Private {};

  public:
    static constexpr std::size_t kMaxPendingJavaScriptCommands = 50;
    // The performance-report action of an ad load, which the page's load time is part of.
    static constexpr const char* kLoadAdAction = "load_ad_ios";
    // Seconds a load may take before it counts as failed.
    static constexpr double kLoadTimeout = 30;

    // Load times go to the performance reports of `csi` (the shared hub when none is given).
    static std::shared_ptr<GADSDKCoreWebView> create(std::shared_ptr<GADCSI> csi = nullptr);
    GADSDKCoreWebView(Private, std::shared_ptr<GADCSI> csi);
    ~GADSDKCoreWebView() override;
    GADSDKCoreWebView(const GADSDKCoreWebView&) = delete;
    GADSDKCoreWebView& operator=(const GADSDKCoreWebView&) = delete;

    // The ad server's SDK core page, as read now (the server's origin may be set per run).
    static platform::Url pageURL();

    GADSDKCoreWebViewState state() const;
    bool hasSDKCoreLoadedAtLeastOnce() const;
    const std::shared_ptr<GADSDKCoreGMSGHandler>& SDKCoreGMSGHandler() const { return handler_; }
    const std::shared_ptr<GADAdView>& adView() const { return adView_; }

    // Loading. The observer (may be empty) is told when this load has ended.
    void refreshSDKCoreAndNotifyObserver(std::weak_ptr<GADSDKCoreWebViewObserver> observer);
    // Told when the current or next load ends; at once (on a later turn) when the page is
    // already ready or failed. An empty observer is ignored.
    void addObserverForOneTimeNotification(std::weak_ptr<GADSDKCoreWebViewObserver> observer);
    void removeObserver(const GADSDKCoreWebViewObserver* observer);
    // Told every time the page's web process ends (held weakly). Main thread.
    void setPageEndObserver(std::weak_ptr<GADSDKCoreWebViewObserver> observer) {
        pageEndObserver_ = std::move(observer);
    }

    // Script calls (see above).
    void enqueueJavaScriptCommand(std::string command, std::function<void()> dropped = {},
                                  std::shared_ptr<const void> hold = nullptr);
    void dispatchPendingJavaScriptCommands();
    // An event for the page's RADE_ReceiveMessage (nullptr: the name only).
    void postJSNotification(const std::string& name, const platform::Value::Dictionary* userInfo);

    // Active-view units. An observer registered for an id stays until the page stops
    // watching it or every unit is cleared; a second one for the same id is not taken.
    void setActiveViewObserver(std::weak_ptr<GADAdViewActiveViewMonitoring> observer,
                               std::uint64_t activeViewID);
    // Forgets the observer; the unit keeps running until the page ends its monitoring.
    void removeActiveViewObserverForActiveViewID(std::uint64_t activeViewID);
    // Ends every unit: each registered observer hears that monitoring stopped (before this
    // returns, on the calling thread).
    void clearAllActiveViewInstances();
    bool isActiveViewRunning() const;

    // GADAdViewDelegateProtocol (its ad view's calls)
    bool adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                          const platform::UrlRequest& request,
                                          platform::web::NavigationType navigationType) override;
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                    const platform::Error& error) override;
    void adViewWebProcessDidEnd(const std::shared_ptr<GADAdView>& adView,
                                const platform::Error& error) override;

    // GADActiveViewGMSGHandlerDelegate
    void activeViewGMSGHandlerDidReceiveVisibilityNotification(GADActiveViewGMSGHandler& handler,
                                                               bool visible,
                                                               std::uint64_t activeViewID) override;
    void activeViewGMSGHandlerDidReceiveUntrackNotification(GADActiveViewGMSGHandler& handler,
                                                            std::uint64_t activeViewID) override;

  private:
    friend class testing::SDKCoreTestScope;

    struct Command {
        std::string script;
        std::function<void()> dropped;
        std::shared_ptr<const void> hold;
    };

    void setUp();
    void setState(GADSDKCoreWebViewState state);
    void notifyAllObserversOnlyOnceThatSDKCoreRequestIsFinished();
    // Ends a load that failed or took too long: state Failed, waiting calls dropped.
    void loadDidFail();
    void startLoadTimer();
    void loadTimedOut(std::uint64_t load);
    // The "load_ad_ios" recorder, when this process reports.
    std::shared_ptr<GADCSITimeRecorder> loadAdRecorder() const;

    const std::shared_ptr<GADCSI> csi_;
    std::shared_ptr<GADAdView> adView_;
    std::shared_ptr<GADAdViewDelegate> adViewDelegate_;
    std::shared_ptr<GADActiveViewGMSGHandler> activeViewHandler_;
    std::shared_ptr<GADSDKCoreGMSGHandler> handler_;
    // Main thread: the load the time-out watches.
    std::shared_ptr<platform::Timer> loadTimer_;
    std::weak_ptr<GADSDKCoreWebViewObserver> pageEndObserver_;
    std::uint64_t loadNumber_ = 0;

    struct Locked {
        GADSDKCoreWebViewState state = GADSDKCoreWebViewState::Idle;
        bool hasSDKCoreLoadedAtLeastOnce = false;
        std::vector<Command> pendingJSCommands;
        std::vector<std::weak_ptr<GADSDKCoreWebViewObserver>> observers;
        std::map<std::uint64_t, std::weak_ptr<GADAdViewActiveViewMonitoring>> activeViewObservers;
        std::set<std::uint64_t> runningActiveViewObservers;
    };
    // Touched only on lockQueue_; shared with the work queued there, which may outlive this
    // object.
    std::shared_ptr<Locked> locked_;
    mutable platform::SerialQueue lockQueue_{"com.zivivu.durez.sdk-core-web-view"};

    // On the lock queue: tells the observers (on the main loop) and forgets them, unless a
    // load is still on its way.
    static void notifyObserversLocked(Locked& locked, const std::weak_ptr<GADSDKCoreWebView>& self);
};

}  // namespace ads
