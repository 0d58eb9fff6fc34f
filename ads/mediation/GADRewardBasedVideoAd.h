#pragma once

// The public rewarded video ad: one shared object per process. The app sets a delegate, loads
// an ad for an ad unit and its user, waits for rewardBasedVideoAdDidReceiveAd (or polls
// isReady) and presents the ad when the user asks to watch; the delegate hears the video open,
// start, reward the user, close, and the user leave the app.
//
// It has no ad slot and nothing lower in the SDK uses it: it asks the SDK core for the ad URL
// and fetches the answer itself, and every answer it takes is a mediation configuration whose
// networks it walks itself (GADRewardBasedVideoAdMediation.cpp), with one connector per
// adapter class kept from load to load so an adapter set up for the user is asked again at
// once. Each network gets the configuration's time-out; an attempt's time-out acts only while
// that very attempt is still the one asking, and a network that fails hands over to the next
// on the following turn of the main loop. The reward the app hears is the configuration's
// first "rewards" entry when there is a list, else the network's.
//
// Its public face is the app's, with the one call the presenting connector makes when its ad
// closes. What the SDK core, the fetcher and the connectors' set-ups and answers call is
// private here and reached through GADSDKCoreControllerDelegate, GADAdFetcherDelegate and
// GADMRewardBasedVideoAdConnectorDelegate.
//
// States: idle -> loading -> ready -> presented; a failed load goes back to idle, and a new
// load may start from any state but loading (it clears readiness at once). A load while one
// runs is ignored with a public log message; presenting when not ready does nothing.
//
// Main thread only, except requestParametersWithRequestID's builder, which runs on the SDK
// core's queue from a copy of what the load knew. The delegate is weak and hears on the main
// thread.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdFetcherDelegate.h"
#include "ads/foundation/GADMainThreadFacts.h"
#include "ads/mediation/GADMRewardBasedVideoAdConnectorDelegate.h"
#include "ads/web/GADSDKCoreControllerDelegate.h"
#include "platform/base/Error.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADAd;
class GADAdFetcher;
class GADAdReward;
class GADMConfig;
class GADRequest;
class GADRewardBasedVideoAd;

// Every call is optional: the defaults do nothing.
class GADRewardBasedVideoAdDelegate {
  public:
    virtual ~GADRewardBasedVideoAdDelegate() = default;
    virtual void rewardBasedVideoAdDidReceiveAd(GADRewardBasedVideoAd& ad) { (void)ad; }
    // The error is a request error (domain "com.zivivu.ads").
    virtual void rewardBasedVideoAdDidFailToLoadwithError(GADRewardBasedVideoAd& ad,
                                                          const platform::Error& error) {
        (void)ad;
        (void)error;
    }
    virtual void rewardBasedVideoAdDidOpen(GADRewardBasedVideoAd& ad) { (void)ad; }
    virtual void rewardBasedVideoAdDidStartPlaying(GADRewardBasedVideoAd& ad) { (void)ad; }
    virtual void rewardBasedVideoAdDidClose(GADRewardBasedVideoAd& ad) { (void)ad; }
    virtual void rewardBasedVideoAdWillLeaveApplication(GADRewardBasedVideoAd& ad) { (void)ad; }
    // Nothing when the server's reward description was malformed.
    virtual void rewardBasedVideoAdDidRewardUserWithReward(
        GADRewardBasedVideoAd& ad, const std::shared_ptr<const GADAdReward>& reward) {
        (void)ad;
        (void)reward;
    }
};

class GADRewardBasedVideoAd : public GADSDKCoreControllerDelegate,
                              public GADAdFetcherDelegate,
                              public GADMRewardBasedVideoAdConnectorDelegate,
                              public std::enable_shared_from_this<GADRewardBasedVideoAd> {
    struct Private {};

  public:
    static constexpr const char* kRequestInProgressMessage =
        "Ignoring request. Another request is already in progress.";
    static constexpr const char* kLoadAdText =
        "Error loading ad. Check with ZivivuDuRezAdSDK support team.";
    static constexpr const char* kInvalidRequestText = "Request object configured wrong.";
    static constexpr const char* kNoNetworkText = "No network connection.";
    static constexpr const char* kInvalidResponseText = "Invalid server response.";
    static constexpr const char* kConfigParseText = "Failed to parse mediation config.";
    static constexpr const char* kInvalidAdTypeText = "Invalid mediation adtype returned.";
    static constexpr const char* kNoAdText = "No ad returned from any ad server.";
    static constexpr const char* kTimeoutText = "Ad request timeout.";

    // The app's one instance, made on first use (thread-safe).
    static std::shared_ptr<GADRewardBasedVideoAd> sharedInstance();
    // An instance of its own, for tests and tools; it keeps its own connectors.
    static std::shared_ptr<GADRewardBasedVideoAd> create();
    explicit GADRewardBasedVideoAd(Private) {}
    ~GADRewardBasedVideoAd() override;
    GADRewardBasedVideoAd(const GADRewardBasedVideoAd&) = delete;
    GADRewardBasedVideoAd& operator=(const GADRewardBasedVideoAd&) = delete;

    std::shared_ptr<GADRewardBasedVideoAdDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADRewardBasedVideoAdDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Without a request a plain one is used.
    void loadRequest(std::shared_ptr<GADRequest> request, std::optional<std::string> adUnitID,
                     std::optional<std::string> userID);
    bool isReady() const { return ready_; }
    bool isLoading() const { return requestInProgress_; }
    void presentFromRootViewController(const std::shared_ptr<platform::ui::ViewController>& root);

    // The presented ad's connector reports the ad closed.
    void connectorDidEndPresentation(Connector& connector);

  private:
    friend class GADRewardBasedVideoAdTestPeer;

    // What the waterfall holds.
    const std::shared_ptr<GADMConfig>& mediationConfig() const { return mediationConfig_; }
    std::shared_ptr<GADMRewardBasedVideoAdNetworkConnector> connectorFor(
        const std::string& adapterClassName) const;
    std::optional<std::string> requestID() const;

    // The load's outcomes, also reached from the waterfall.
    void loadAd(const std::shared_ptr<GADAd>& ad);
    void adLoadedSuccessfully();
    void failedToLoadAdWithError(const platform::Error& error);

    // The mediation side (GADRewardBasedVideoAdMediation.cpp).
    void processMediationAd(const std::shared_ptr<GADAd>& ad);
    void presentMediatedRewardBasedVideoAdFromViewController(
        const std::shared_ptr<platform::ui::ViewController>& root);

    // GADSDKCoreControllerDelegate
    RequestParametersBuilder requestParametersWithRequestID(const std::string& requestID) override;
    GADRequestedAdType requestedAdType() override { return GADRequestedAdType::Interstitial; }
    std::int64_t CSIIdentifier() override { return -1; }
    void loadAdURLWithParameters(const platform::Value::Dictionary& parameters) override;
    void loadAd(const std::shared_ptr<GADAd>& ad,
                const std::optional<platform::Value::Dictionary>& headers) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void SDKCoreRequestDidTimeOut() override;

    // GADAdFetcherDelegate
    void adFetcherDidFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad) override;
    void adFetcherDidFailToFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad,
                                   const GADRequestError& error,
                                   std::int64_t responseCode) override;

    // GADMRewardBasedVideoAdConnectorDelegate
    void connectorDidSetUpRewardBasedVideoAd(Connector& connector) override;
    void connectorDidFailToSetUpRewardBasedVideoAdWithError(Connector& connector,
                                                            const platform::Error& error) override;
    void connectorDidReceiveRewardBasedVideoAd(Connector& connector) override;
    void connectorDidFailToReceiveRewardBasedVideoAdWithError(
        Connector& connector, const platform::Error& error) override;
    void connectorDidReceiveClick(Connector& connector) override;
    void connectorDidRewardUserWithReward(
        Connector& connector, const std::shared_ptr<const GADAdReward>& reward) override;

    // Takes the ad URL, or fails the load when the server named errors.
    void fetchAdURL(const platform::Value::Dictionary& parameters);
    void failWithCode(std::int64_t code, std::optional<std::string> text);
    // Drops the fetcher after its answer, on the next turn (it is still in its own call).
    void releaseFetcher();

    // Waterfall steps (GADRewardBasedVideoAdMediation.cpp).
    void setUpAdapters();
    void buildPendingAdRequestConnectorsList();
    void makeNextAdRequest();
    // The next step on the next turn, unless a new load or another step came first.
    void postNextAdRequest();
    void requestAdFrom(const std::shared_ptr<Connector>& connector);
    void removeConnector(const std::string& adapterClassName);
    bool isRequesting(const Connector& connector) const {
        return requestingConnector_.get() == &connector;
    }

    // What the load knew when it started, for the SDK core's request parameters.
    struct RequestSnapshot {
        std::shared_ptr<GADRequest> request;
        GADMainThreadFacts facts;
        std::optional<std::string> userID;
        std::optional<std::string> adUnitID;
    };

    bool ready_ = false;
    bool requestInProgress_ = false;
    bool waitingForSDKCore_ = false;
    std::weak_ptr<GADRewardBasedVideoAdDelegate> delegate_;
    std::shared_ptr<GADRequest> request_;
    std::optional<std::string> adUnitID_;
    std::optional<std::string> userID_;
    mutable std::mutex requestIDMutex_;
    std::optional<std::string> requestID_;
    std::shared_ptr<GADAdFetcher> adFetcher_;
    std::shared_ptr<const RequestSnapshot> requestSnapshot_;

    std::shared_ptr<GADMConfig> mediationConfig_;
    std::vector<std::shared_ptr<Connector>> pendingAdRequestConnectors_;
    std::shared_ptr<Connector> requestingConnector_;
    std::shared_ptr<Connector> receivedConnector_;
    // The connector whose ad is on screen, until it closes (it may have left `connectors_`).
    std::shared_ptr<Connector> presentingConnector_;
    std::map<std::string, std::uint64_t> pendingSetUpConnectorsTimestamp_;
    std::map<std::string, std::shared_ptr<Connector>> connectors_;
    // Every load and every attempt has a number: late time-outs and posted steps check theirs.
    std::uint64_t loadNumber_ = 0;
    std::uint64_t attemptNumber_ = 0;
};

}  // namespace ads
