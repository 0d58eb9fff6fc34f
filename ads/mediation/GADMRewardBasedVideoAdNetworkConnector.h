#pragma once

// The SDK's side of one rewarded video adapter class. Unlike the banner and interstitial
// connectors it outlives a load: the shared rewarded video ad keeps one per adapter class,
// sets its adapter up once for the user and asks the same adapter again at the next load,
// giving the connector that load's network entry, configuration and request each time.
//
// It answers the adapter's questions from the entry and the request, pings the network's
// templates (click and impression with the default template when the entry names no list, the
// video start and rewarded-user lists without one; a list that is named but empty sends
// nothing) and passes the adapter's reports on: set-up, ad, click and reward to its delegate,
// screen events to the app's delegate of the ad being presented.
//
// The ad on screen keeps the entry and configuration of the load that found it until the
// adapter says it closed, even when a new load hands the connector newer ones meanwhile: its
// pings and reward follow the ad the user sees.
//
// Main thread only. The rewarded video ad holds its connectors; a connector holds its adapter,
// and its delegate and presenting ad weakly; the adapter holds the connector weakly. A
// connector going tells its adapter to stop being its delegate first.
//
// Its public face is the rewarded video ad's; what the adapter reads and reports is private
// here and reached through GADMRewardBasedVideoAdNetworkConnectorProtocol.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADMRequestTargeting.h"
#include "ads/mediation/GADMRewardBasedVideoAdConnectorDelegate.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkAdapter.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnectorProtocol.h"
#include "ads/slot/GADMAdNetworkConfig.h"
#include "ads/slot/GADMConfig.h"

namespace ads {

class GADRequest;
class GADRewardBasedVideoAd;

class GADMRewardBasedVideoAdNetworkConnector
    : public GADMRequestTargeting<GADMRewardBasedVideoAdNetworkConnectorProtocol>,
      public std::enable_shared_from_this<GADMRewardBasedVideoAdNetworkConnector> {
  public:
    static constexpr const char* kNoNetworkConfigText = "No network config to initialize adapter.";
    static constexpr const char* kEmptyAdapterClassText = "Adapter class is empty.";

    static std::shared_ptr<GADMRewardBasedVideoAdNetworkConnector> create();
    GADMRewardBasedVideoAdNetworkConnector() = default;
    ~GADMRewardBasedVideoAdNetworkConnector() override;
    GADMRewardBasedVideoAdNetworkConnector(const GADMRewardBasedVideoAdNetworkConnector&) = delete;
    GADMRewardBasedVideoAdNetworkConnector& operator=(
        const GADMRewardBasedVideoAdNetworkConnector&) = delete;

    // The load's network entry. An entry of another adapter class than the one the connector
    // has is ignored: the connector stands for one class.
    void setAdNetworkConfig(std::shared_ptr<const GADMAdNetworkConfig> networkConfig);
    void setMediationConfig(std::shared_ptr<GADMConfig> config) {
        mediationConfig_ = std::move(config);
    }
    void setDelegate(std::weak_ptr<GADMRewardBasedVideoAdConnectorDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    void setRequest(std::shared_ptr<GADRequest> request) { request_ = std::move(request); }

    // Makes the adapter (once) and sets it up for the user; a failure reaches the delegate.
    void setUpAdapterWithUserID(const std::string& userID);
    void requestRewardBasedVideoAd();
    // Pings the network's impression templates, remembers the ad presenting it (whose app
    // delegate hears the screen events) and the entry and configuration of this ad, and asks
    // the adapter to present.
    void presentFromRootViewController(const std::shared_ptr<GADRewardBasedVideoAd>& ad,
                                       const std::shared_ptr<platform::ui::ViewController>& root);
    void askAdapterToStopBeingDelegate();

    const std::shared_ptr<GADMRewardBasedVideoAdNetworkAdapter>& adapter() const {
        return adapter_;
    }
    const std::shared_ptr<GADMConfig>& mediationConfig() const { return mediationConfig_; }
    const std::shared_ptr<const GADMAdNetworkConfig>& adNetworkConfig() const {
        return adNetworkConfig_;
    }
    std::optional<std::string> adapterClassName() const;
    // The user the adapter was set up for; nothing before the first set-up.
    const std::optional<std::string>& userID() const { return userID_; }
    // The ad presenting this connector's ad, until the adapter reports it closed.
    std::shared_ptr<GADRewardBasedVideoAd> rewardBasedVideoAd() const {
        return rewardBasedVideoAd_.lock();
    }
    bool isPresenting() const { return presented_.has_value(); }
    // The configuration of the ad on screen while one is, else the current load's.
    std::shared_ptr<GADMConfig> activeMediationConfig() const;

    // Fills the templates (the default alone when there are none and a default is given) with
    // what a rewarded video ping knows - the configuration's query data, the SDK version, the
    // session and a sequence number - and sends them.
    static void ping(const std::vector<std::string>& templates,
                     const std::optional<std::string>& defaultTemplate, const GADMConfig* config);

  private:
    // GADMRewardBasedVideoAdNetworkConnectorProtocol: what the adapter reads and reports,
    // through that face (the request's targeting comes from GADMRequestTargeting; any shared
    // location counts, without the banner connectors' precision test).
    std::shared_ptr<GADRequest> targetingRequest() const override { return request_; }
    std::optional<std::string> targetingAdapterClassName() const override {
        return adapterClassName();
    }
    bool isLocationShared() const override { return isLocationShared_; }
    bool precisionRequired() const override { return false; }
    std::optional<std::string> publisherId() const override;
    platform::Value::Dictionary credentials() const override { return networkData_; }

    void adapterDidSetUpRewardBasedVideoAd(Adapter& adapter) override;
    void adapterDidFailToSetUpRewardBasedVideoAdWithError(Adapter& adapter,
                                                          const platform::Error& error) override;
    void adapterDidGetAdClick(Adapter& adapter) override;
    void adapterDidReceiveRewardBasedVideoAd(Adapter& adapter) override;
    void adapterDidOpenRewardBasedVideoAd(Adapter& adapter) override;
    void adapterDidStartPlayingRewardBasedVideoAd(Adapter& adapter) override;
    void adapterDidCloseRewardBasedVideoAd(Adapter& adapter) override;
    void adapterDidRewardUserWithReward(Adapter& adapter,
                                        const std::shared_ptr<const GADAdReward>& reward) override;
    void adapterWillLeaveApplication(Adapter& adapter) override;
    void adapterDidFailToLoadRewardBasedVideoAdwithError(Adapter& adapter,
                                                         const platform::Error& error) override;

    struct Presented {
        std::shared_ptr<GADMConfig> config;
        std::shared_ptr<const GADMAdNetworkConfig> networkConfig;
    };

    std::shared_ptr<GADMRewardBasedVideoAdConnectorDelegate> delegate() const {
        return delegate_.lock();
    }
    std::shared_ptr<const GADMAdNetworkConfig> activeNetworkConfig() const;
    void failSetUp(std::int64_t code, const std::string& text);

    std::shared_ptr<GADMRewardBasedVideoAdNetworkAdapter> adapter_;
    platform::Value::Dictionary networkData_;
    bool isLocationShared_ = false;
    std::shared_ptr<GADMConfig> mediationConfig_;
    std::shared_ptr<const GADMAdNetworkConfig> adNetworkConfig_;
    std::weak_ptr<GADRewardBasedVideoAd> rewardBasedVideoAd_;
    std::weak_ptr<GADMRewardBasedVideoAdConnectorDelegate> delegate_;
    std::shared_ptr<GADRequest> request_;
    std::optional<std::string> userID_;
    std::optional<Presented> presented_;
    bool stoppedAdapter_ = false;
};

}  // namespace ads
