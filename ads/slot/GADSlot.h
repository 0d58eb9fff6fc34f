#pragma once

// The controller of one ad placement. Its owner (a banner, an interstitial, the native loader)
// drives it with loadRequest, invalidate and cancelPendingAndFutureActions and hears from it
// through the five delegates of GADSlotDelegate.h. One request at a time goes through the
// load states (GADSlotState): the request is checked, the SDK core is asked for the ad URL (or
// a shortcut in the request's extras names the ad), the ad is fetched, its response is
// processed by type and an HTML ad is rendered in the slot's ad view; the owner hears of the
// outcome once. The slot also owns the reload timer that refreshes a banner, the per-request
// statistics and timing keys, and the ad view with its delegate (GADBannerAdViewDelegate, which
// sees the slot as a GADPageSlot).
//
// Main thread only: it is driven by the owner, web view callbacks, main-loop timers and
// notifications delivered on the main loop. Made with create(); the owner holds it, everything
// else (its ad view's delegate, the opener, timers, observers, the fetcher's and the SDK core's
// answers) holds it weakly, so a slot that goes gets no late call. Delegates are weak too.
//
// setState is the only writer of the state. State 8 is final: nothing leaves it, no timer is
// scheduled and nothing is fetched in it. The slot holds at most one enable of the MRAID
// script switch (GADMRAIDInterceptor): taken on 0 -> 2, given back on entering 1, 6 or 7, on
// reaching 8 and when the slot goes.
//
// The slot coordinates small collaborators with their own files and tests: its reload timer
// (GADSlotReloadTimer), its request as a main-thread snapshot the SDK core builds parameters
// from (GADSlotRequestSnapshot, GADSlotRequestParameters), the response table that processes
// each type of ad (GADAdResponseProcessors), the ad's trackers (ads/foundation GADAdTracking)
// and its load timings (GADSlotLoadTimings). Its own member groups live in category files:
// state transitions (GADSlotState.cpp, next to docs/slot-states.md), events
// (GADSlotAdEvents.cpp), response processing and clicks (GADSlotAdResponse.cpp), placement and
// orientation (GADSlotPlacement.cpp), the fetcher's answers (GADSlotFetch.cpp), the SDK core's
// requester (GADSlotSDKCoreControllerDelegate.cpp) and the later ad kinds
// (GADSlotMediation.cpp). What its ad's full-screen screens ask of it, and the public
// interstitial it serves, live in GADSlotFullScreen.cpp.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdFetcherDelegate.h"
#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/slot/GADPageSlot.h"
#include "ads/slot/GADSlotDelegate.h"
#include "ads/slot/GADSlotLoadTimings.h"
#include "ads/slot/GADSlotReloadTimer.h"
#include "ads/web/GADSDKCoreControllerDelegate.h"
#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform {
class Timer;
namespace ui {
class Window;
}
}  // namespace platform

namespace ads {

class GADAd;
class GADAdFetcher;
class GADAdView;
class GADBannerAdViewDelegate;
class GADCorrelator;
class GADOpener;
class GADRequest;
class GADSlotActiveView;
class GADSlotStatistics;

class GADSlot : public GADAdFetcherDelegate,
                public GADSDKCoreControllerDelegate,
                public GADPageSlot,
                public std::enable_shared_from_this<GADSlot> {
    struct Private {};

  public:
    static constexpr const char* kDidLeaveWindowNotification = "GADSlotDidLeaveWindowNotification";
    static constexpr const char* kCreativeOrientationChangedNotification =
        "gad_slot_creative_orientation_changed";

    static std::shared_ptr<GADSlot> create(platform::Rect frame = {});
    GADSlot(Private, platform::Rect frame);
    ~GADSlot() override;
    GADSlot(const GADSlot&) = delete;
    GADSlot& operator=(const GADSlot&) = delete;

    // Delegates (weak).
    std::shared_ptr<GADSlotDelegate> slotDelegate() const { return slotDelegate_.lock(); }
    void setSlotDelegate(std::weak_ptr<GADSlotDelegate> d) { slotDelegate_ = std::move(d); }
    void setAdLoadDelegate(std::weak_ptr<GADSlotAdLoadDelegate> d) { adLoadDelegate_ = d; }
    void setAdEventDelegate(std::weak_ptr<GADSlotAdEventDelegate> d) { adEventDelegate_ = d; }
    void setAdResponseDelegate(std::weak_ptr<GADSlotAdResponseDelegate> d) {
        adResponseDelegate_ = std::move(d);
    }
    void setAdKeyDelegate(std::weak_ptr<GADSlotAdKeyDelegate> d) { adKeyDelegate_ = d; }

    // Properties
    const std::string& adUnitID() const { return adUnitID_; }
    void setAdUnitID(std::string adUnitID);
    const GADAdType& adType() const override { return adType_; }
    // Stores the type and nothing more.
    void setAdType(const GADAdType& type) { adType_ = type; }
    // A changed type is stored; with reload, the view waits hidden for the new ad, a request in
    // flight is cancelled and, once any request was made, the next one is made now.
    void setAdType(const GADAdType& type, bool reloadRequest);
    // Reloads the ad while a request was made and the slot is not final; its period and
    // switch are the owner's to set.
    GADSlotReloadTimer& reloadTimer() const { return *reloadTimer_; }
    const std::shared_ptr<GADRequest>& request() const override { return request_; }
    const std::shared_ptr<GADAd>& ad() const { return ad_; }
    const std::shared_ptr<GADAd>& loadingAd() const { return loadingAd_; }
    std::shared_ptr<GADAdView> adView() const override { return adView_; }
    const std::shared_ptr<GADBannerAdViewDelegate>& adViewDelegate() const {
        return adViewDelegate_;
    }
    // Milliseconds of GADAbsoluteTime when the last HTML ad finished loading; 0 before.
    std::uint64_t timeLastLoaded() const override { return timeLastLoaded_; }
    // The key of the load timings (GADSlotLoadTimings).
    std::int64_t CSIIdentifier() override { return timings_.identifier(); }
    bool slotHasAttemptedAnAdRequestAtLeastOnce() const { return attemptedRequest_; }
    bool hasAutoRefreshed() const { return hasAutoRefreshed_; }
    bool viewHasMadeImpression() const { return viewHasMadeImpression_; }
    const platform::Value& applicationStatistics() const { return applicationStatistics_; }
    bool manualImpressionsEnabled() const { return manualImpressionsEnabled_; }
    // The opener of the slot's ad view (its page delegate's).
    const std::shared_ptr<GADOpener>& opener() const { return opener_; }
    bool calledLoadAndDisplayRequest() const { return calledLoadAndDisplayRequest_; }
    void setCalledLoadAndDisplayRequest(bool called) { calledLoadAndDisplayRequest_ = called; }
    bool hasInAppPurchaseDelegate() const;
    const std::optional<platform::Value::Dictionary>& loadingAdHeaders() const {
        return loadingAdHeaders_;
    }
    // The per-ad statistics the request in flight carries; a failed load hands them back.
    const GADApplication::StatisticsSet& pendingAdStatistics() const {
        return pendingAdStatistics_;
    }
    const std::optional<std::string>& requestID() const { return requestID_; }

    // State (GADSlotState.cpp)
    GADSlotState state() const override { return state_; }
    void setState(GADSlotState state);
    // Tests watch every transition through this (from, to).
    using StateObserver = std::function<void(GADSlotState, GADSlotState)>;
    void setStateObserver(StateObserver observer) { stateObserver_ = std::move(observer); }
    bool holdsMRAIDInterceptor() const { return holdsInterceptor_; }
    void didReceiveAdURL();
    // A missing error becomes code 11.
    void didFailToReceiveAdWithError(const std::optional<GADRequestError>& error,
                                     bool shouldCancelPendingActions) override;
    void didReceiveValidAd() override;
    void didLoadAdHTMLInWebView() override;
    void didMakeAdImpression() override;
    void willLeaveAppDueToClick() override;
    void resetState() { setState(GADSlotState::Idle); }
    void invalidateState() { setState(GADSlotState::Invalidated); }

    // Request path
    // NO in states 0, 1, 6 and 7.
    bool isMakingRequest() const;
    void loadRequest(const std::shared_ptr<GADRequest>& request);
    // Loads this ad (from the SDK core, or a shortcut): fetched when it has no HTML yet. Only
    // a request waiting for its ad takes one, so a late answer of a request already over
    // (or of a slot in its final state) loads nothing.
    void loadAd(const std::shared_ptr<GADAd>& ad,
                const std::optional<platform::Value::Dictionary>& headers) override;

    // Cancellation
    void cancelLoad();
    void cancelPendingAndFutureActions();
    // The ad view goes, and the slot reaches its final state.
    void invalidate();

    // Events (GADSlotAdEvents.cpp)
    void adFinishedLoadingContent() override;
    void adWasClicked() override;
    void adWillPresentScreen() override;
    void adWillDismissScreen() override;
    void adDidDismissScreen() override;
    void adWillLeaveApplication() override;

    // The banner's placement joined a window or (null) left every window; a full-screen screen
    // opened from the placement listens for the leaving to close itself.
    void bannerDidMoveToWindow(const std::shared_ptr<platform::ui::Window>& window);

    // Response processing, pings and clicks (GADSlotAdResponse.cpp). The processor of each
    // response type is an entry of GADAdResponseProcessors.
    void processAdResponse(const std::shared_ptr<GADAd>& ad);
    // The ad's trackers (GADAdTracking): clicks at every click, impressions once.
    void pingClickURLs() override;
    bool isMRAIDEnabled() const override;
    // Page messages and blank pages pass as they are; other URLs as GADGestureClickURL makes
    // them for the shown ad.
    platform::Url gestureClickURLWithURL(const platform::Url& url) override;
    // A click is a navigation of the ad's page while the slot is in state 0, 2, 3, 4, 6 or 7
    // (not while the SDK core failed, while rendering, nor once over), at least
    // kMinimumSecondsBeforeClick after the ad finished loading, neither back/forward nor
    // reload, on an ad view that a real touch has reached since.
    bool isAdClick(platform::web::NavigationType type) const override;
    static constexpr double kMinimumSecondsBeforeClick = 0.15;
    // Placement and orientation (GADSlotPlacement.cpp)
    // A fluid ad's content size passes on as it is; a fixed one reports its announced size
    // (the loading ad's while nothing is shown yet).
    void updateContentSize(platform::Size size) override;
    // While listening, every status-bar turn is posted as the creative orientation notice
    // (object: this slot), and once at the start.
    void beginListeningToDeviceOrientationChangeEvent();
    void endListeningToDeviceOrientationChangeEvent();
    // Called for each notice until listening ends; synchronous, on the posting thread (main).
    void addCreativeOrientationChangeObserver(std::function<void()> observer);
    void didChangeDeviceOrientation();

    // The SDK core's requester (GADSlotSDKCoreControllerDelegate.cpp): the controller asks
    // through GADSDKCoreControllerDelegate, whose members the slot keeps private.

    // Full-screen screens of its ad (GADSlotFullScreen.cpp)
    std::shared_ptr<GADIntermission> intermission() const override { return intermission_.lock(); }
    void setIntermission(std::weak_ptr<GADIntermission> intermission) override {
        intermission_ = std::move(intermission);
    }
    const void* notificationObject() const override { return this; }
    std::shared_ptr<GADStatisticDictionary> currentAdStatistics() const override;
    bool hasValidAd() const override { return state_ == GADSlotState::ValidAd; }
    // The public interstitial that owns this slot (weak), which its screen keeps while up.
    std::shared_ptr<void> publicAdObject() const override { return interstitial_.lock(); }
    void setInterstitial(std::weak_ptr<void> interstitial) {
        interstitial_ = std::move(interstitial);
    }
    void interstitialViewWillAppear() override;
    void interstitialViewWillDisappear() override;
    void updateMRAIDVisibility(bool visible) override;
    // Stamps a timing label ("native:view_show") for this slot's request.
    void recordTimestamp(const char* label) const;

    // Viewability (GADSlotActiveViewMonitor.cpp): the shown ad's measurement, a
    // GADSlotActiveView made on first use; a new ad ends it, the next impression starts another.
    void startActiveViewReportingIfEnabled();
    void finishActiveViewReporting();
    GADSlotActiveView& activeView();

    // Later ad kinds (GADSlotMediation.cpp)
    bool isMediating() const;
    std::optional<std::string> adNetworkClassName() const;
    bool changeAdTypeTo(const GADAdType& type);

  private:
    // State transitions (GADSlotState.cpp), each the one place its state is entered; the rules
    // are docs/slot-states.md.
    void willRequestAdURL();
    void didFailToRetrieveSDKCoreWithError(const GADRequestError& error);
    void willFetchAdContent();
    void didFetchAdContent();
    void willProcessMediationResponse();
    void didReceiveInvalidAd();
    void willStartAdRendering();
    void willLoadAdHTMLInWebView() { willStartAdRendering(); }
    void finishedLoadingAdResponse(const std::shared_ptr<GADAd>& ad);
    void resetRequestState();

    // Requests and cancellation
    bool shouldMakeRequest(const std::shared_ptr<GADRequest>& request);
    void loadNextRequestWithAutoRefresh(bool autoRefresh);
    void cancelPendingActions();

    // Events and placement
    void willProcessAd();
    void adFailedToReceiveContentWithError(const GADRequestError& error);
    void setViewForAdUsingView(const std::shared_ptr<platform::ui::View>& view);
    static bool validateAdResponseWithAdSize(const GADAdSize& size,
                                             const std::vector<GADAdSize>& validAdSizes);
    void pingManualTrackingURLs();
    std::shared_ptr<GADSlotAdLoadDelegate> adLoadDelegate() const { return adLoadDelegate_.lock(); }
    std::shared_ptr<GADSlotAdKeyDelegate> adKeyDelegate() const { return adKeyDelegate_.lock(); }

    // The fetcher's answers (GADSlotFetch.cpp)
    void adFetcherDidFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad) override;
    void adFetcherDidFailToFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad,
                                   const GADRequestError& error,
                                   std::int64_t responseCode) override;

    // The SDK core's requester (GADSlotSDKCoreControllerDelegate.cpp). What the request needs
    // of views, windows, the owner and the slot is taken on the main thread into a
    // GADSlotRequestSnapshot, which the core's request queue builds from without the slot.
    RequestParametersBuilder requestParametersWithRequestID(const std::string& requestID) override;
    GADRequestedAdType requestedAdType() override;
    // Answers only while the slot waits for the core (state 2); a late one is dropped.
    void loadAdURLWithParameters(const platform::Value::Dictionary& parameters) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void SDKCoreRequestDidTimeOut() override;

    // The slot's own entries of the response table.
    friend class GADAdResponseProcessors;
    void processStandardAdResponse(const std::shared_ptr<GADAd>& ad);
    void processCustomRenderingAdResponse(const std::shared_ptr<GADAd>& ad);
    void processMediationAdResponse(const std::shared_ptr<GADAd>& ad);
    void loadAdNetworkJavaScriptRequest(const std::shared_ptr<GADAd>& ad);

    void setUp();
    // The reload timer's period ended.
    void reloadCurrentRequest();
    void startFetch(const std::shared_ptr<GADAd>& ad,
                    const std::optional<platform::Value::Dictionary>& headers);
    void cancelFetch();
    void releaseInterceptor();
    void requestAdURLFromSDKCore();
    bool isWaitingForSDKCore() const;
    bool isInterstitial() const { return adType_.isInterstitial(); }
    void setNewAdSize(platform::Size size) { newAdSize_ = size; }

    GADSlotState state_ = GADSlotState::Idle;
    StateObserver stateObserver_;
    bool holdsInterceptor_ = false;
    bool attemptedRequest_ = false;
    bool viewHasMadeImpression_ = false;
    std::shared_ptr<GADCorrelator> correlator_;
    std::shared_ptr<GADOpener> opener_;
    bool calledLoadAndDisplayRequest_ = false;
    std::optional<platform::Value::Dictionary> loadingAdHeaders_;
    GADSlotLoadTimings timings_;
    bool hasAutoRefreshed_ = false;
    bool manualImpressionsEnabled_ = false;
    std::weak_ptr<GADSlotDelegate> slotDelegate_;
    std::weak_ptr<GADSlotAdLoadDelegate> adLoadDelegate_;
    std::weak_ptr<GADSlotAdEventDelegate> adEventDelegate_;
    std::weak_ptr<GADSlotAdResponseDelegate> adResponseDelegate_;
    std::weak_ptr<GADSlotAdKeyDelegate> adKeyDelegate_;
    std::weak_ptr<GADIntermission> intermission_;
    std::weak_ptr<void> interstitial_;
    std::string adUnitID_;
    std::shared_ptr<GADAd> ad_;
    GADAdType adType_;
    std::shared_ptr<GADRequest> request_;
    std::uint64_t timeLastLoaded_ = 0;
    std::shared_ptr<GADAdView> adView_;
    std::shared_ptr<GADSlotStatistics> slotStats_;
    std::shared_ptr<GADBannerAdViewDelegate> adViewDelegate_;
    std::shared_ptr<GADAd> loadingAd_;
    std::shared_ptr<GADAdFetcher> adFetcher_;
    platform::Value applicationStatistics_;
    std::shared_ptr<GADSlotReloadTimer> reloadTimer_;
    std::shared_ptr<GADRequest> nextRequest_;
    platform::Size newAdSize_{};
    platform::Rect initialFrame_;
    bool isListeningToDeviceOrientationChangeEvent_ = false;
    platform::NotificationCenter::Observation statusBarObservation_;
    std::vector<platform::NotificationCenter::Observation> creativeOrientationObservations_;
    std::optional<std::string> requestID_;
    GADApplication::StatisticsSet pendingAdStatistics_;
    std::shared_ptr<GADSlotActiveView> activeView_;
};

}  // namespace ads
