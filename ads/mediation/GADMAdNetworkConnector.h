#pragma once

// The SDK's side of one ad network in a mediation pass. The manager makes a connector of the
// class the ad's mediation delegate names (by its registered name, then initWithConfig), lets
// it create the network's adapter (setUpAdapter: the adapter class's factory, then
// initWithGADMAdNetworkConnector) and asks it for an ad. The connector answers the adapter's
// questions from the network's entry and the publisher's request (reached through the
// manager's slot: a connector the manager let go of answers nothing, NO or 0) and turns the
// adapter's callbacks into calls on the manager and the slot. The base class asks for no ad
// and ignores the callbacks; the banner and interstitial connectors act on theirs.
//
// Its public face is the manager's. What the adapter reads and reports is private here and in
// every kind of connector, reached through GADMAdNetworkConnectorProtocol.
//
// Click and impression pings: reportClick once per ad (a new ad from the network allows
// another), reportImpression every time, with the templates of the configuration followed by
// the entry's, or the default template.
//
// Main thread only. The manager holds its connectors; a connector holds its adapter and the
// manager weakly; the adapter holds the connector weakly. A connector going tells its adapter
// to stop being its delegate first.

#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdType.h"
#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADMRequestTargeting.h"
#include "ads/slot/GADMAdNetworkConfig.h"
#include "ads/slot/GADMConfig.h"

namespace ads {

class GADMConnectorDelegate;
class GADRequest;
class GADSlot;

class GADMAdNetworkConnector : public GADMRequestTargeting<GADMAdNetworkConnectorProtocol>,
                               public std::enable_shared_from_this<GADMAdNetworkConnector> {
  public:
    static constexpr const char* kClassName = "GADMAdNetworkConnector";
    static constexpr const char* kInitCall = "initWithConfig:networkConfig:";
    // Registers the base class and the call its instances answer.
    static void registerClass();

    GADMAdNetworkConnector() = default;
    ~GADMAdNetworkConnector() override;
    GADMAdNetworkConnector(const GADMAdNetworkConnector&) = delete;
    GADMAdNetworkConnector& operator=(const GADMAdNetworkConnector&) = delete;

    // Takes the configurations; the location flag and the credentials adapters see (without
    // the location flag) are made here. Nothing else works before this.
    void initWithConfig(std::shared_ptr<GADMConfig> config,
                        std::shared_ptr<const GADMAdNetworkConfig> networkConfig);
    // Makes the entry's adapter class; false when it cannot be made.
    bool setUpAdapter();
    virtual void getAdFromAdapterWithType(const GADAdType& type);
    void askAdapterToStopBeingDelegate();
    // The native connector takes the loader's configuration; the others ignore it.
    virtual void setAdLoaderConfiguration(std::shared_ptr<void> configuration) {
        (void)configuration;
    }
    // The registered name of this connector's class.
    virtual const char* className() const { return kClassName; }

    void setAdManager(std::weak_ptr<GADMConnectorDelegate> manager) {
        adManager_ = std::move(manager);
    }
    std::shared_ptr<GADMConnectorDelegate> adManager() const { return adManager_.lock(); }
    const std::shared_ptr<GADMAdNetworkAdapterProtocol>& adapter() const { return adapter_; }
    const std::shared_ptr<GADMConfig>& mediationConfig() const { return mediationConfig_; }
    const std::shared_ptr<const GADMAdNetworkConfig>& networkConfig() const {
        return networkConfig_;
    }
    // The adapter's registered class name.
    std::optional<std::string> adapterClassName() const;
    bool didNetworkRefresh() const { return didNetworkRefresh_; }
    bool clicked() const { return clicked_; }

    void reportClick();
    void reportImpression();
    // The player touched the view its own adapter drew (a built-in adapter's creative): one
    // touch of the slot's ad, which lets one of its click-throughs through the opener's gate.
    void adapterViewWasTouched(Adapter& adapter, const platform::ui::View& view);
    // A link the page of that view followed: opened as the slot's own ads open theirs, through
    // the same gate (a touch already reported lets one through, the link itself is none), then
    // this network's click is reported.
    void openClickThroughURL(Adapter& adapter, const platform::Url& url);
    // "adapter: <class>, version: <version>", the version from the class, else the instance,
    // else "unknown".
    std::string adapterVersion() const;
    std::optional<std::string> requestAgent() const;
    bool isAutoClickProtected() const;
    // How deep in waterfalls of our own ads the publisher's request lies (its
    // mediationDepth); 0 once the manager let go of the connector.
    int publisherRequestDepth() const;

  protected:
    bool isOwnAdapter(const Adapter& adapter) const { return adapter_.get() == &adapter; }
    std::shared_ptr<GADSlot> slot() const;
    // The publisher's request, through the manager's slot.
    std::shared_ptr<GADRequest> publisherRequest() const;
    // Code 11 with the text, through this connector's own failure callback.
    void failInternally(const std::string& text);
    void setClicked(bool clicked) { clicked_ = clicked; }
    void setDidNetworkRefresh(bool refreshed) { didNetworkRefresh_ = refreshed; }

  private:
    // GADMAdNetworkConnectorProtocol: what the adapter reads and reports, through that face
    // (the request's targeting comes from GADMRequestTargeting).
    std::shared_ptr<GADRequest> targetingRequest() const override { return publisherRequest(); }
    std::optional<std::string> targetingAdapterClassName() const override {
        return adapterClassName();
    }
    bool isLocationShared() const override { return isLocationShared_; }
    bool precisionRequired() const override { return true; }
    std::optional<std::string> publisherId() const override;
    platform::Value::Dictionary credentials() const override { return strippedCredentials_; }
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const override;

    void adapterDidFailAd(Adapter&, const platform::Error&) override {}
    void adapterDidReceiveAdView(Adapter&, const std::shared_ptr<platform::ui::View>&) override {}
    void adapterDidReceiveInterstitial(Adapter&) override {}
    void adapterDidReceiveMediatedNativeAd(Adapter&, const std::shared_ptr<void>&) override {}
    void adapterDidGetAdClick(Adapter& adapter) override;
    void adapterWillLeaveApplication(Adapter&) override {}
    void adapterWillPresentFullScreenModal(Adapter&) override {}
    void adapterWillDismissFullScreenModal(Adapter&) override {}
    void adapterDidDismissFullScreenModal(Adapter&) override {}
    void adapterWillPresentInterstitial(Adapter&) override {}
    void adapterWillDismissInterstitial(Adapter&) override {}
    void adapterDidDismissInterstitial(Adapter&) override {}
    void adapterDidReceiveInterstitialObject(Adapter& adapter,
                                             const std::shared_ptr<void>&) override {
        adapterDidReceiveInterstitial(adapter);
    }
    void adapterClickDidOccurInBanner(Adapter& adapter,
                                      const std::shared_ptr<platform::ui::View>&) override {
        adapterDidGetAdClick(adapter);
    }
    void adapterDidFailInterstitial(Adapter&, const platform::Error&) override {}

    void ping(const std::vector<std::string>& configTemplates,
              const std::vector<std::string>& networkTemplates, const std::string& defaultTemplate,
              std::optional<std::string> durations, std::optional<std::string> exitCodes);

    std::shared_ptr<GADMConfig> mediationConfig_;
    std::shared_ptr<const GADMAdNetworkConfig> networkConfig_;
    platform::Value::Dictionary strippedCredentials_;
    bool isLocationShared_ = false;
    bool didNetworkRefresh_ = false;
    bool clicked_ = false;
    std::weak_ptr<GADMConnectorDelegate> adManager_;
    std::shared_ptr<GADMAdNetworkAdapterProtocol> adapter_;
};

}  // namespace ads
