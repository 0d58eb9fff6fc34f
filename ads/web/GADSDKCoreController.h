#pragma once

// The owner of the SDK core page: everything that needs an ad URL (an ad slot, the mediation
// URL adapter) hands itself over with buildAdURL. The controller keeps the page loaded and
// fresh (reloaded when idle or failed and once an hour), sends one script call per request
// (RADE_getAd, or RADE_getAdapterLessMediationAd for mediation), and routes the page's answer
// back by request id. The same page hands over the SDK constants, which the controller writes
// under "/zivivu/ads/" and applies. It also lends SDK core web views to viewability monitors
// and keeps those still running in a small cache.
//
// Every request gets exactly one answer on the main thread, or none when its delegate is gone
// (delegates are held weakly): the page's "loadAdURL", "loadAd" or "invalidRequest"; the
// page's failure to load, to finish loading within 30 s, or to survive a reload while the
// request waited (failedJavaScriptFile); an answer that cannot be used (no parameters, an ad
// object that is no object or no ad of the requested kind: invalidJavaScriptRequest); or
// silence for 60 s (SDKCoreRequestDidTimeOut). When the page's web process ends, the calls it
// was sent are sent again to the page loaded in its place, within the same 60 s.
//
// Threads: one shared instance, made on the main thread by the first sharedInstance() call and
// kept for the whole process. buildAdURL and the active-view calls are made on the main
// thread, where every delegate answer arrives too; those main-thread methods check their
// caller's thread. The lock queue ("com.zivivu.durez.sdk-core-controller") serves as the lock of
// the fields shared with queued work (the pending requests, the active-view settings and web
// views, the page's age): reads wait for it, writes are queued, so the counts and settings
// getters may be called from any thread; the core web view, the time-outs and the hooks are
// the main thread's. Request ids are given on the main thread as requests become ready, each
// with the builder its requester hands back; the request step (the builder, the JSON, the
// script call) runs on the request queue ("com.zivivu.durez.sdk-core-controller-url") in that
// order and never calls a requester. No queue is held while a delegate or the web view is
// called.
//
// The SDK constants also switch parts of the SDK built above this room (the MRAID script
// interceptor, the content tokenizer's character sets): those parts register hooks at start-up.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ads/web/GADSDKCoreControllerDelegate.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/base/Value.h"
#include "platform/runtime/SerialQueue.h"

namespace platform {
class Timer;
}

namespace ads {

class GADCSI;
class GADCSITimeRecorder;
struct GADSDKConstants;

namespace testing {
class SDKCoreTestScope;
}

class GADSDKCoreController : public GADSDKCoreGMSGHandlerDelegate,
                             public GADSDKCoreWebViewObserver,
                             public std::enable_shared_from_this<GADSDKCoreController> {
    struct Private {};

  public:
    // A page load older than this (on the SDK's millisecond clock) is made again.
    static constexpr std::uint64_t kRefreshIntervalMilliseconds = 3'600'000;
    // Seconds a request may wait for its answer.
    static constexpr double kRequestTimeout = 60;
    // The version the page is told in RADE_getSdkConstants.
    static constexpr const char* kSDKCoreJSVersion = "rade-sdk-i-v7.5.2";

    // What the SDK constants switch in rooms above this one; an empty hook is skipped.
    // The parts of higher rooms the SDK constants switch (the MRAID script paths and the
    // interceptor's redirect, the content tokenizer's character sets). Each hook has its own
    // setter, so the features that set different hooks keep each other's; setting a hook again
    // replaces that hook alone. Main thread.
    using PathHook = std::function<void(const std::optional<std::string>&)>;
    void setBannerImplementationPathHook(PathHook hook);
    void setInterstitialImplementationPathHook(PathHook hook);
    void setExpandedBannerImplementationPathHook(PathHook hook);
    // The interceptor's redirect: allowed unless "mraid_disable_redirect" is "1".
    void setAllowRedirectHook(std::function<void()> hook);
    void setDisallowRedirectHook(std::function<void()> hook);
    void setUpdateCharacterSetsHook(std::function<void()> hook);

    static std::shared_ptr<GADSDKCoreController> sharedInstance();
    // Timings go to the performance reports of `csi` (the shared hub when none is given).
    static std::shared_ptr<GADSDKCoreController> create(std::shared_ptr<GADCSI> csi = nullptr);
    GADSDKCoreController(Private, std::shared_ptr<GADCSI> csi);
    ~GADSDKCoreController() override;
    GADSDKCoreController(const GADSDKCoreController&) = delete;
    GADSDKCoreController& operator=(const GADSDKCoreController&) = delete;

    // Main thread.
    void buildAdURL(const std::shared_ptr<GADSDKCoreControllerDelegate>& delegate);

    const std::shared_ptr<GADSDKCoreWebView>& activeSDKCoreWebView() const {
        return activeSDKCoreWebView_;
    }
    // Requests whose script call is out, waiting for the page's answer.
    std::size_t pendingBuildAdURLDelegateCount() const;

    // Active view, main thread. A web view for one monitor: the shared one (made again after
    // the page asked for a reload), or a new one each time when the constants say so.
    std::shared_ptr<GADSDKCoreWebView> SDKCoreWebViewForActiveViewProcessing();
    // A web view still running units waits in the cache (newest kept, at most the cache size);
    // the others are dropped.
    void finishedUsingSDKCoreWebViewForActiveViewProcessing(
        const std::shared_ptr<GADSDKCoreWebView>& webView);
    double activeViewSamplingInterval() const;
    double swipeToViewSamplingInterval() const;
    std::uint64_t activeViewUnloadCacheMaxSize() const;
    bool useNewWebViewsForActiveViewProcessing() const;
    std::size_t activeViewUnloadCacheCount() const;

    // GADSDKCoreGMSGHandlerDelegate (main thread)
    void SDKCoreGMSGHandlerLoadAdURLWithRequestID(
        GADSDKCoreGMSGHandler& handler, const std::optional<std::string>& requestID,
        const platform::Value::Dictionary& parameters) override;
    void SDKCoreGMSGHandlerLoadAdWithRequestID(GADSDKCoreGMSGHandler& handler,
                                               const std::optional<std::string>& requestID,
                                               const platform::Value& fetchedAd) override;
    void SDKCoreGMSGHandlerDidReceiveInvalidAdWithRequestID(
        GADSDKCoreGMSGHandler& handler, const std::optional<std::string>& requestID,
        const platform::Value::Dictionary& parameters) override;
    void SDKCoreGMSGHandlerDidLoadSDKConstants(
        GADSDKCoreGMSGHandler& handler, const platform::Value::Dictionary& constants) override;
    void SDKCoreGMSGHandlerDidReceiveSDKCoreUpdateNotification(
        GADSDKCoreGMSGHandler& handler) override;

    // GADSDKCoreWebViewObserver (main thread)
    void didFinishLoadingSDKCoreInSDKCoreWebView(
        const std::shared_ptr<GADSDKCoreWebView>& webView) override;
    void SDKCoreWebViewPageDidEnd(const std::shared_ptr<GADSDKCoreWebView>& webView) override;

    // The parameters as the page's script call takes them: the JSON-safe copy as compact JSON
    // ("" when even that cannot be written); nothing without parameters.
    static std::optional<std::string> adRequestParameterJSONFromParameters(
        const std::optional<platform::Value::Dictionary>& parameters);
    // The page's ad object made into an ad of the kind asked for; nothing for an object that
    // is no dictionary or a kind that makes no ad. A mediation answer ("is_mediation") is
    // marked so, its headers saying so too.
    static std::shared_ptr<GADAd> adFromFetchedAd(GADRequestedAdType type,
                                                  const platform::Value& fetchedAd);

  private:
    friend class testing::SDKCoreTestScope;

    // One buildAdURL: its delegate, the key of its timings and the ticket its time-out timer
    // knows it by.
    struct Request {
        std::weak_ptr<GADSDKCoreControllerDelegate> delegate;
        std::int64_t CSIIdentifier = 0;
        std::uint64_t ticket = 0;
    };

    // The shared instance may be asked for from any thread, and a test scope replaces it, so
    // the one slot that holds it sits behind a mutex.
    static std::mutex& sharedMutex();
    static std::shared_ptr<GADSDKCoreController>& sharedSlot();

    void setUp();
    void attemptToRefreshActiveWebViewSDKCore();
    void refreshActiveWebViewSDKCore();
    void observeSDKCoreWebViewForSDKCoreLoadRequestCompleted();
    void asynchronouslyRequestURLForDelegate(
        Request request, std::string requestID,
        GADSDKCoreControllerDelegate::RequestParametersBuilder parameters);

    // Takes the request waiting for the id out of the table (each id is answered once).
    std::optional<Request> takeRequest(const std::optional<std::string>& requestID);
    // Main thread: ends the request's time-out and calls `answer` with its delegate, if alive.
    void answer(const Request& request,
                const std::function<void(GADSDKCoreControllerDelegate&)>& answer);
    // Posts the answer to a later main-loop turn.
    void answerLater(Request request, std::function<void(GADSDKCoreControllerDelegate&)> answer);
    void failRequestWithID(const std::string& requestID);
    void requestTimedOut(std::uint64_t ticket);

    void applySDKConstants(const GADSDKConstants& constants);
    // The "load_ad_ios" recorder, when this process reports; timings are kept apart per
    // requester by its CSIIdentifier.
    std::shared_ptr<GADCSITimeRecorder> loadAdRecorder() const;
    static std::string timingKey(const char* name, const Request& request);

    void cacheRunningActiveViewWebView(const std::shared_ptr<GADSDKCoreWebView>& webView);
    void removeFinishedActiveViewWebViews();

    const std::shared_ptr<GADCSI> csi_;
    // Made once; main thread.
    std::shared_ptr<GADSDKCoreWebView> activeSDKCoreWebView_;
    // Main thread: the time-out of every request not yet answered, by ticket.
    std::map<std::uint64_t, std::shared_ptr<platform::Timer>> timeouts_;
    std::uint64_t nextTicket_ = 1;
    struct SDKConstantsHooks {
        PathHook setBannerImplementationPath;
        PathHook setInterstitialImplementationPath;
        PathHook setExpandedBannerImplementationPath;
        std::function<void()> allowRedirect;
        std::function<void()> disallowRedirect;
        std::function<void()> updateCharacterSets;
    };
    SDKConstantsHooks hooks_;

    struct Locked {
        std::vector<Request> pendingActiveWebViewLoadDelegates;
        std::vector<std::shared_ptr<GADSDKCoreWebView>> activeViewSDKCoreWebViews;
        std::uint64_t lastWebViewRefreshTimestamp = 0;
        std::uint64_t activeViewUnloadCacheMaxSize = 3;
        bool SDKCoreUpdateHandled = false;
        std::shared_ptr<GADSDKCoreWebView> activeViewSDKCoreWebView;
        bool useNewWebViewsForActiveViewProcessing = false;
        double activeViewSamplingInterval = 0.4;
        double swipeToViewSamplingInterval = 0;
        bool SDKConstantsNeedReload = true;
        std::map<std::string, Request> pendingBuildAdURLDelegates;
    };
    // Touched only on lockQueue_; shared with the work queued there.
    std::shared_ptr<Locked> locked_;
    mutable platform::SerialQueue lockQueue_{"com.zivivu.durez.sdk-core-controller"};
    // Main thread: the id of the next request that becomes ready.
    std::uint64_t nextRequestID_ = 1;
    platform::SerialQueue requestURLQueue_{"com.zivivu.durez.sdk-core-controller-url"};
};

}  // namespace ads
