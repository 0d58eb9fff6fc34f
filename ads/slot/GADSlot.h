#pragma once

// The controller of one ad placement: the public ad object that owns it (a banner view, an
// interstitial) hands it a request, the slot asks the SDK core for an ad URL and loads the ad
// it is given, and tells its owner how the load ended. One request at a time, through a
// numbered state that the page, the server and the statistics read:
//
//   0 idle -> 2 requesting the ad URL -> 3 ad URL received -> (the ad's fetch and rendering)
//   1 the SDK core could not be loaded; 7 the request failed, no valid ad; 8 invalidated (final)
//
// setState is the only writer of the state; state 8 is never left.
//
// As the SDK core's requester (GADSlotSDKCoreControllerDelegate.cpp) the slot completes the
// request's parameters with the placement's own (GADSlotRequestParameters), names the kind of
// ad it wants after its owner, and turns the page's answers into state changes: an ad URL
// becomes a new GADAd handed to loadAd; an "errors" answer, a refused or unusable request and
// a time-out fail the load with the request's error (codes 0, 0 and 5); a core page that
// cannot be loaded fails it with code 2.
//
// Threads: made, used and released on the main thread, where every answer of the SDK core
// arrives. The SDK core asks for the parameters on its request queue
// ("com.zivivu.durez.sdk-core-controller-url"): what they need of views, windows, the owner and
// the slot's own main-thread fields is taken on the main thread just before
// (prepareRequestParameters), so that step never waits for the main thread. The snapshot, the
// request id and the per-ad statistics sent with the request are the only fields both threads
// touch; a mutex guards them, since the request queue is not the slot's own.
//
// Ownership: the owner keeps the slot; the slot holds its delegates and its owner weakly. The
// SDK core holds the slot weakly while a request is out, so a slot let go mid-request gets no
// answer.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADMainThreadFacts.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/slot/GADSlotDelegate.h"
#include "ads/slot/GADSlotRequestParameters.h"
#include "ads/web/GADSDKCoreControllerDelegate.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace ads {

class GADAd;
class GADAdView;
class GADCorrelator;
class GADOpener;
class GADRequest;

// Values kept: the page, the server and stored statistics read the numbers.
enum class GADSlotState : std::int64_t {
    Idle = 0,
    SDKCoreFailed = 1,
    RequestingAdURL = 2,
    ReceivedAdURL = 3,
    FetchingAd = 4,
    Rendering = 5,
    ValidAd = 6,
    InvalidAd = 7,
    Invalidated = 8,
};

class GADSlot : public GADSDKCoreControllerDelegate, public std::enable_shared_from_this<GADSlot> {
    struct Private {};

  public:
    static std::shared_ptr<GADSlot> create(platform::Rect frame = {});
    GADSlot(Private, platform::Rect frame);
    ~GADSlot() override;
    GADSlot(const GADSlot&) = delete;
    GADSlot& operator=(const GADSlot&) = delete;

    // Owner and delegates (held weakly).
    std::shared_ptr<GADSlotDelegate> slotDelegate() const { return slotDelegate_.lock(); }
    void setSlotDelegate(std::weak_ptr<GADSlotDelegate> delegate) {
        slotDelegate_ = std::move(delegate);
    }
    std::shared_ptr<GADSlotAdLoadDelegate> adLoadDelegate() const { return adLoadDelegate_.lock(); }
    void setAdLoadDelegate(std::weak_ptr<GADSlotAdLoadDelegate> delegate) {
        adLoadDelegate_ = std::move(delegate);
    }
    std::shared_ptr<GADSlotAdKeyDelegate> adKeyDelegate() const { return adKeyDelegate_.lock(); }
    void setAdKeyDelegate(std::weak_ptr<GADSlotAdKeyDelegate> delegate) {
        adKeyDelegate_ = std::move(delegate);
    }

    // The placement.
    const std::string& adUnitID() const { return adUnitID_; }
    void setAdUnitID(std::string adUnitID) { adUnitID_ = std::move(adUnitID); }
    const GADAdType& adType() const { return adType_; }
    void setAdType(const GADAdType& adType) { adType_ = adType; }
    const std::shared_ptr<GADCorrelator>& correlator() const { return correlator_; }
    void setCorrelator(std::shared_ptr<GADCorrelator> correlator) {
        correlator_ = std::move(correlator);
    }
    const std::shared_ptr<GADAdView>& adView() const { return adView_; }
    const std::shared_ptr<GADOpener>& opener() const { return opener_; }
    bool calledLoadAndDisplayRequest() const { return calledLoadAndDisplayRequest_; }
    void setCalledLoadAndDisplayRequest(bool called) { calledLoadAndDisplayRequest_ = called; }
    bool manualImpressionsEnabled() const { return manualImpressionsEnabled_; }
    void setManualImpressionsEnabled(bool enabled) { manualImpressionsEnabled_ = enabled; }
    bool hasInAppPurchaseDelegate() const;

    // The load.
    const std::shared_ptr<GADRequest>& request() const { return request_; }
    // The ad shown, and the one being loaded.
    const std::shared_ptr<GADAd>& ad() const { return ad_; }
    const std::shared_ptr<GADAd>& loadingAd() const { return loadingAd_; }
    const std::optional<platform::Value::Dictionary>& loadingAdHeaders() const {
        return loadingAdHeaders_;
    }
    // The application's statistics for the request in flight (taken by willRequestAdURL).
    const platform::Value& applicationStatistics() const { return applicationStatistics_; }
    // The per-ad statistics the request in flight carries; a failed load hands them back.
    GADApplication::StatisticsSet pendingAdStatistics() const;
    void setPendingAdStatistics(GADApplication::StatisticsSet statistics);
    std::optional<std::string> requestID() const;

    // Asks the SDK core for an ad URL for a copy of the request. Main thread.
    void loadRequest(const std::shared_ptr<GADRequest>& request);
    // Loads the ad into the slot: the ad's fetch starts from its ad URL.
    void loadAd(const std::shared_ptr<GADAd>& ad,
                const std::optional<platform::Value::Dictionary>& headers) override;
    // The current ad came from a mediation answer.
    bool isMediating() const;

    // State (GADSlotState.cpp). Main thread.
    GADSlotState state() const { return state_; }
    void setState(GADSlotState state);
    // State 2; the application's statistics for this request are taken.
    void willRequestAdURL();
    void didReceiveAdURL();
    // State 1, and the owner is told.
    void didFailToRetrieveSDKCoreWithError(const GADRequestError& error);
    // The load ends without an ad (state 7) and the owner is told; no error means code 11.
    void didFailToReceiveAdWithError(const std::optional<GADRequestError>& error,
                                     bool shouldCancelPendingActions);
    // State 7: the loading ad is dropped and the per-ad statistics go back to the application.
    void didReceiveInvalidAd();
    void resetState() { setState(GADSlotState::Idle); }
    void invalidateState() { setState(GADSlotState::Invalidated); }
    void adFailedToReceiveContentWithError(const GADRequestError& error);

    // As the SDK core's requester (GADSlotSDKCoreControllerDelegate.cpp).
    void prepareRequestParameters() override;
    void setRequestID(const std::string& requestID) override;
    std::optional<platform::Value::Dictionary> requestParameters() override;
    GADRequestedAdType requestedAdType() override;
    std::int64_t CSIIdentifier() override { return CSIIdentifier_; }
    void loadAdURLWithParameters(const platform::Value::Dictionary& parameters) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void SDKCoreRequestDidTimeOut() override;

  private:
    // What the request step needs of the main thread, taken there just before it runs.
    struct RequestSnapshot {
        std::shared_ptr<GADRequest> request;
        GADMainThreadFacts facts;
        GADSlotRequestInputs inputs;
    };

    GADSlotState state_ = GADSlotState::Idle;
    std::weak_ptr<GADSlotDelegate> slotDelegate_;
    std::weak_ptr<GADSlotAdLoadDelegate> adLoadDelegate_;
    std::weak_ptr<GADSlotAdKeyDelegate> adKeyDelegate_;
    std::string adUnitID_;
    GADAdType adType_ = GADAdType::interstitialAdType();
    std::shared_ptr<GADCorrelator> correlator_;
    std::shared_ptr<GADAdView> adView_;
    std::shared_ptr<GADOpener> opener_;
    bool calledLoadAndDisplayRequest_ = false;
    bool manualImpressionsEnabled_ = false;
    const std::int64_t CSIIdentifier_;

    std::shared_ptr<GADRequest> request_;
    std::shared_ptr<GADAd> ad_;
    std::shared_ptr<GADAd> loadingAd_;
    std::optional<platform::Value::Dictionary> loadingAdHeaders_;
    platform::Value applicationStatistics_;

    // Shared with the SDK core's request queue.
    mutable std::mutex mutex_;
    std::optional<RequestSnapshot> snapshot_;
    std::optional<std::string> requestID_;
    GADApplication::StatisticsSet pendingAdStatistics_;
};

}  // namespace ads
