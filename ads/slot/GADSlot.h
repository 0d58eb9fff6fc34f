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
// its load timings (GADSlotLoadTimings) and its creative-orientation notices
// (GADSlotOrientationEvents). Its public face is the owner's; what the ad's page, the opener and
// the screens ask of it is private here and reached through GADPageSlot and GADFullScreenSlot,
// the SDK core's questions through GADSDKCoreControllerDelegate. Its own member groups live in
// category files: state transitions (GADSlotState.cpp, next to docs/slot-states.md), events
// (GADSlotAdEvents.cpp), response processing and clicks (GADSlotAdResponse.cpp), placement
// (GADSlotPlacement.cpp), the fetcher's answers (GADSlotFetch.cpp), the SDK core's
// requester (GADSlotSDKCoreControllerDelegate.cpp), the later ad kinds (GADSlotMediation.cpp),
// and ad networks' scripts with what the publisher formats keep here
// (GADSlotAdNetworkJavaScript.cpp), in-app purchases (GADSlotInAppPurchase.cpp). What its ad's
// full-screen screens ask of it, and the public interstitial it serves, live in
// GADSlotFullScreen.cpp.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdFetcherDelegate.h"
#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/slot/GADMediatedSlot.h"
#include "ads/slot/GADPageSlot.h"
#include "ads/slot/GADSlotDelegate.h"
#include "ads/slot/GADSlotLoadTimings.h"
#include "ads/slot/GADSlotOrientationEvents.h"
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
class ViewController;
class Window;
}  // namespace ui
}  // namespace platform

namespace ads {

class GADAd;
class GADAdFetcher;
class GADAdView;
class GADSlotSwipe;
class GADBannerAdViewDelegate;
class GADCorrelator;
class GADMConfig;
class GADMSlotDelegate;
class GADInAppPurchase;
class GADInAppPurchaseDelegate;
class GADOpener;
class GADRequest;
class GADSlotMRAID;
class GADSlotActiveView;
class GADSlotStatistics;

class GADSlot : public GADAdFetcherDelegate,
                public GADSDKCoreControllerDelegate,
                public GADPageSlot,
                public GADMediatedSlot,
                public std::enable_shared_from_this<GADSlot> {
    struct Private {};

  public:
    static std::shared_ptr<GADSlot> create(platform::Rect frame = {});
    GADSlot(Private, platform::Rect frame);
    ~GADSlot() override;
    GADSlot(const GADSlot&) = delete;
    GADSlot& operator=(const GADSlot&) = delete;

    // The owner's wiring: its delegates (weak) and its ad unit.
    const GADSlotDelegates& delegates() const { return delegates_; }
    void setDelegates(GADSlotDelegates delegates) { delegates_ = std::move(delegates); }
    const std::string& adUnitID() const { return adUnitID_; }
    void setAdUnitID(std::string adUnitID);

    // The type of ad asked for. Without reload the type is stored and nothing more; with it, a
    // changed type makes the view wait hidden for the new ad, cancels a request in flight and,
    // once any request was made, makes the next one now.
    const GADAdType& adType() const override { return adType_; }
    void setAdType(const GADAdType& type, bool reloadRequest = false);
    // Reloads the ad while a request was made and the slot is not final; its period and
    // switch are the owner's to set.
    GADSlotReloadTimer& reloadTimer() const { return *reloadTimer_; }
    // The creative-orientation notices, posted with this slot as their object.
    GADSlotOrientationEvents& orientationEvents() const { return *orientationEvents_; }

    // What the slot shows and where it stands (GADSlotState.cpp).
    GADSlotState state() const override { return state_; }
    const std::shared_ptr<GADRequest>& request() const override { return request_; }
    const std::shared_ptr<GADAd>& ad() const { return ad_; }
    std::shared_ptr<GADAdView> adView() const override { return adView_; }
    // The swipe to a store sheet (GADSlotSwipe, GADSlotSwipeHost.cpp): made on first use, it
    // samples the ad's geometry while an ad with a swipe configuration shows.
    const std::shared_ptr<GADSlotSwipe>& swipe();
    bool hasAutoRefreshed() const { return hasAutoRefreshed_; }
    // The opener of the slot's ad view (its page delegate's), which a mediated network's
    // clicks share.
    const std::shared_ptr<GADOpener>& opener() const { return opener_; }

    // In-app purchases (GADSlotInAppPurchase.cpp): the SDK's default purchase flow while the
    // app has it on, else the owner's delegate.
    std::shared_ptr<GADInAppPurchaseDelegate> inAppPurchaseDelegate() const;
    // Hands the purchase to that delegate on the main thread; without one it logs and drops it.
    void didReceiveInAppPurchase(const std::shared_ptr<GADInAppPurchase>& purchase);
    // Answers the default flow while it is on, nullptr otherwise: the purchase room above sets
    // it at start-up, so the slot names no class of it.
    using DefaultInAppPurchaseFlowProvider =
        std::function<std::shared_ptr<GADInAppPurchaseDelegate>()>;
    static void setDefaultInAppPurchaseFlowProvider(DefaultInAppPurchaseFlowProvider provider);

    // The owner's commands.
    void loadRequest(const std::shared_ptr<GADRequest>& request);
    void cancelPendingAndFutureActions();
    // The ad view goes, and the slot reaches its final state.
    void invalidate();
    // The final state without letting the ad view go (an interstitial that was shown).
    void invalidateState() { setState(GADSlotState::Invalidated); }
    // The banner's placement joined a window or (null) left every window; a full-screen screen
    // opened from the placement listens for the leaving to close itself.
    void bannerDidMoveToWindow(const std::shared_ptr<platform::ui::Window>& window);
    // The public interstitial that owns this slot (weak), which its screen keeps while up.
    void setInterstitial(std::weak_ptr<void> interstitial) {
        interstitial_ = std::move(interstitial);
    }
    // What an owner reports of the ad it shows: a failure (a missing error becomes code 11),
    // an impression it counted itself, its full-screen screen going.
    void didFailToReceiveAdWithError(const std::optional<GADRequestError>& error,
                                     bool shouldCancelPendingActions) override;
    void didMakeAdImpression() override;
    void interstitialViewWillDisappear() override;
    // Stamps a timing label ("native:view_show") for this slot's request.
    void recordTimestamp(const char* label) const;

    // MRAID (GADSlotMRAID.cpp): the creative's event handler, which its ads point at from
    // "mraidLoaded" until the slot resets its request state.
    const std::shared_ptr<GADSlotMRAID>& MRAID() const { return MRAID_; }
    // Viewability (GADSlotActiveViewMonitor.cpp): the shown ad's measurement, a
    // GADSlotActiveView made on first use; a new ad ends it, the next impression starts another.
    void finishActiveViewReporting();

    // Later ad kinds and mediation (GADSlotMediation.cpp). A mediation answer's configuration
    // goes to the slot's manager (GADMSlotDelegate, made by its registered name), which
    // reports back through the slot's GADMediatedSlot face.
    bool isMediating() const;
    // In state 6 only: the shown network's adapter class, or the SDK's own adapter's name.
    std::optional<std::string> adNetworkClassName() const;
    bool changeAdTypeTo(const GADAdType& type);
    void presentMediatedInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root);

    // The publisher formats (GADSlotAdNetworkJavaScript.cpp): the correlator and manual
    // impressions they keep here, and the steps of an ad the owner renders itself.
    const std::shared_ptr<GADCorrelator>& correlator() const { return correlator_; }
    void setCorrelator(std::shared_ptr<GADCorrelator> correlator);
    bool manualImpressionsEnabled() const { return manualImpressionsEnabled_; }
    void setManualImpressionsEnabled(bool enabled);
    // Pings the shown ad's manual impression URLs.
    void recordManualImpression();
    // A custom-rendered ad the owner draws: state 5 while it draws (only from state 4).
    void willRenderCustomAd();

    // A click is a navigation of the ad's page while the slot is in state 0, 2, 3, 4, 6 or 7
    // (not while the SDK core failed, while rendering, nor once over), at least this long after
    // the ad finished loading, neither back/forward nor reload, on an ad view that a real touch
    // has reached since.
    static constexpr double kMinimumSecondsBeforeClick = 0.15;

  private:
    // Tests look at the slot's inner state through this peer (ads/slot/tests).
    friend class GADSlotTestPeer;

    // What the mediation room asks of it (GADMediatedSlot, GADSlotMediation.cpp).
    void processMediationAdResponse(const std::shared_ptr<GADAd>& ad) override;
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const override;
    const std::shared_ptr<GADSlotStatistics>& slotStats() const override { return slotStats_; }
    void showMediatedView(const std::shared_ptr<platform::ui::View>& view) override;
    void mediatedViewWasTouched(const platform::ui::View& view) override;
    void mediatedAdNetworkAutoRefreshed() override { hasAutoRefreshed_ = true; }
    void mediatedAdFailedToReceiveContentWithError(const GADRequestError& error) override {
        adFailedToReceiveContentWithError(error);
    }
    bool openMediatedClickThrough(const platform::Url& url) override;

    // The steps of its later ad kinds (viewability, mediation), which only its category files
    // call.
    // Starts the shown ad's measurement at its impression (GADSlotActiveViewMonitor.cpp).
    void startActiveViewReportingIfEnabled();
    GADSlotActiveView& activeView();
    void requestAdWithType(const GADAdType& type, std::shared_ptr<GADMConfig> config);
    // Reports the failure (codes 0, 7, 10) and answers false when the types do not fit.
    bool hasConsistentMediationConfigForAdType(const std::optional<GADAdType>& requested);
    const std::shared_ptr<GADMSlotDelegate>& mediationManager() const { return mediationManager_; }
    const std::shared_ptr<GADMConfig>& mediationConfiguration() const {
        return mediationConfiguration_;
    }

    // The slot's MRAID role, a part of the slot in a class of its own.
    friend class GADSlotMRAID;
    // The slot as its viewability measurement sees it (GADSlotActiveViewMonitor.cpp).
    friend class GADSlotActiveViewSlotHost;

    // What the ad's page delegate, the opener and the full-screen screens ask of the slot
    // (GADPageSlot, GADFullScreenSlot); they hold the slot as that face.
    std::uint64_t timeLastLoaded() const override { return timeLastLoaded_; }
    // The reload after a script ad passed back (GADSlotAdNetworkJavaScript.cpp).
    void scheduleAdReloadTimer() override;
    void didReceiveValidAd() override;
    void didLoadAdHTMLInWebView() override;
    void willLeaveAppDueToClick() override;
    void updateContentSize(platform::Size size) override;
    // Events (GADSlotAdEvents.cpp)
    void adFinishedLoadingContent() override;
    void adWasClicked() override;
    void adWillPresentScreen() override;
    void adWillDismissScreen() override;
    void adDidDismissScreen() override;
    void adWillLeaveApplication() override;
    // The ad's trackers (GADAdTracking): clicks at every click, impressions once.
    void pingClickURLs() override;
    bool isMRAIDEnabled() const override;
    // Page messages and blank pages pass as they are; other URLs as GADGestureClickURL makes
    // them for the shown ad.
    platform::Url gestureClickURLWithURL(const platform::Url& url) override;
    bool isAdClick(platform::web::NavigationType type) const override;
    // Full-screen screens of its ad (GADSlotFullScreen.cpp)
    std::shared_ptr<GADIntermission> intermission() const override { return intermission_.lock(); }
    void setIntermission(std::weak_ptr<GADIntermission> intermission) override {
        intermission_ = std::move(intermission);
    }
    const void* notificationObject() const override { return this; }
    std::shared_ptr<GADStatisticDictionary> currentAdStatistics() const override;
    bool hasValidAd() const override { return state_ == GADSlotState::ValidAd; }
    std::shared_ptr<void> publicAdObject() const override { return interstitial_.lock(); }
    void interstitialViewWillAppear() override;
    void updateMRAIDVisibility(bool visible) override;
    // Its own page's expand or resize waits while the ad is rendered (GADSlotMRAID holds it).
    bool deferMRAIDLayoutChangeUntilShown(const std::shared_ptr<GADAdView>& page,
                                          const std::string& action,
                                          std::function<void()> change) override;

    // State (GADSlotState.cpp): setState is the only writer of the state.
    void setState(GADSlotState state);
    // Tests watch every transition through this (from, to).
    using StateObserver = std::function<void(GADSlotState, GADSlotState)>;
    void didReceiveAdURL();
    void resetState() { setState(GADSlotState::Idle); }
    // NO in states 0, 1, 6 and 7.
    bool isMakingRequest() const;
    void cancelLoad();
    // Response processing and clicks (GADSlotAdResponse.cpp). The processor of each response
    // type is an entry of GADAdResponseProcessors.
    void processAdResponse(const std::shared_ptr<GADAd>& ad);
    bool hasInAppPurchaseDelegate() const;
    std::shared_ptr<GADSlotDelegate> slotDelegate() const { return delegates_.slot.lock(); }
    std::shared_ptr<GADMRAIDEventHandling> MRAIDEventHandler() const override;
    // The slot's opener carries the server's auto-click protection.
    bool isAutoClickProtected() const override;

    // State transitions (GADSlotState.cpp), each the one place its state is entered; the rules
    // are docs/slot-states.md.
    void willRequestAdURL();
    void didFailToRetrieveSDKCoreWithError(const GADRequestError& error);
    void willFetchAdContent();
    void didFetchAdContent();
    void willProcessMediationResponse();
    void didReceiveInvalidAd();
    void willStartAdRendering();
    void willLoadAdHTMLInWebView() override { willStartAdRendering(); }
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
    std::shared_ptr<GADSlotAdLoadDelegate> adLoadDelegate() const {
        return delegates_.adLoad.lock();
    }
    std::shared_ptr<GADSlotAdKeyDelegate> adKeyDelegate() const { return delegates_.adKey.lock(); }

    // The fetcher's answers (GADSlotFetch.cpp)
    void adFetcherDidFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad) override;
    void adFetcherDidFailToFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad,
                                   const GADRequestError& error,
                                   std::int64_t responseCode) override;

    // The SDK core's requester (GADSlotSDKCoreControllerDelegate.cpp). What the request needs
    // of views, windows, the owner and the slot is taken on the main thread into a
    // GADSlotRequestSnapshot, which the core's request queue builds from without the slot.
    RequestParametersBuilder requestParametersWithRequestID(const std::string& requestID) override;
    // Loads this ad (from the SDK core, or a shortcut): fetched when it has no HTML yet. Only
    // a request waiting for its ad takes one, so a late answer of a request already over
    // (or of a slot in its final state) loads nothing.
    void loadAd(const std::shared_ptr<GADAd>& ad,
                const std::optional<platform::Value::Dictionary>& headers) override;
    // The key of the load timings (GADSlotLoadTimings).
    std::int64_t CSIIdentifier() override { return timings_.identifier(); }
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
    // Without a mediation manager: code 8.
    void refuseMediationAdResponse(const std::shared_ptr<GADAd>& ad);
    void loadAdNetworkJavaScriptRequest(const std::shared_ptr<GADAd>& ad);
    // A slot whose ad view still has a script ad's delegate gets a plain one for other ads.
    void usePlainAdViewDelegate();

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
    GADSlotDelegates delegates_;
    std::shared_ptr<GADSlotSwipe> swipe_;
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
    std::shared_ptr<GADSlotOrientationEvents> orientationEvents_;
    std::optional<std::string> requestID_;
    GADApplication::StatisticsSet pendingAdStatistics_;
    std::shared_ptr<GADSlotActiveView> activeView_;
    std::shared_ptr<GADMSlotDelegate> mediationManager_;
    std::shared_ptr<GADMConfig> mediationConfiguration_;
    std::shared_ptr<GADSlotMRAID> MRAID_;
};

}  // namespace ads
