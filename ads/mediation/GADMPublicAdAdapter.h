#pragma once

// What the built-in adapters that show the SDK's own public ad classes share: the connector
// (weak), the banner view and interstitial they made, how those are set up for a waterfall and
// the relays of their delegate events to the connector.
//
// An inner banner never reloads by itself (the waterfall decides when the next ad comes), and
// it takes the connector's root controller; inner banners and interstitials take the
// connector's auto-click protection when the connector is a network connector. Events of an
// object the adapter no longer holds are dropped. Whether the banner's will-present-screen and
// will-leave-application count as a click is the subclass's choice.
//
// Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"

namespace ads {

class GADMPublicAdAdapter : public GADMAdNetworkAdapterProtocol,
                            public GADBannerViewDelegate,
                            public GADInterstitialDelegate,
                            public GADInterstitialAdClickDelegate,
                            public std::enable_shared_from_this<GADMPublicAdAdapter> {
  public:
    // The protocols its instances adopt, as the class registry lists them.
    static std::vector<std::string> protocolNames();

    const std::shared_ptr<GADBannerView>& bannerView() const { return bannerView_; }
    const std::shared_ptr<GADInterstitial>& interstitial() const { return interstitial_; }

    // GADMAdNetworkAdapterProtocol
    void initWithGADMAdNetworkConnector(
        std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) override;
    // Silences the banner's and the interstitial's delegate calls.
    void stopBeingDelegate() override;
    bool isBannerAnimationOK(std::int64_t) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;
    void changeAdSizeTo(const GADAdSize& size) override;

    // GADBannerViewDelegate
    void adViewDidReceiveAd(GADBannerView& view) override;
    void adViewDidFailToReceiveAdWithError(GADBannerView& view,
                                           const platform::Error& error) override;
    void adViewWillPresentScreen(GADBannerView& view) override;
    void adViewWillDismissScreen(GADBannerView& view) override;
    void adViewDidDismissScreen(GADBannerView& view) override;
    void adViewWillLeaveApplication(GADBannerView& view) override;

    // GADInterstitialDelegate, GADInterstitialAdClickDelegate
    void interstitialDidReceiveAd(GADInterstitial& ad) override;
    void interstitialDidFailToReceiveAdWithError(GADInterstitial& ad,
                                                 const platform::Error& error) override;
    void interstitialWillPresentScreen(GADInterstitial& ad) override;
    void interstitialWillDismissScreen(GADInterstitial& ad) override;
    void interstitialDidDismissScreen(GADInterstitial& ad) override;
    void interstitialWillLeaveApplication(GADInterstitial& ad) override;
    void interstitialDidReceiveAdClick(GADInterstitial& ad) override;

  protected:
    explicit GADMPublicAdAdapter(bool bannerScreenEventsAreClicks)
        : bannerScreenEventsAreClicks_(bannerScreenEventsAreClicks) {}

    std::shared_ptr<GADMAdNetworkConnectorProtocol> connector() const { return connector_.lock(); }
    // A new banner (replacing the earlier one, silenced) set up for the connector; nullptr for
    // a size no placement can show.
    std::shared_ptr<GADBannerView> makeBannerView(const GADAdSize& size,
                                                  const GADMAdNetworkConnectorProtocol& connector);
    std::shared_ptr<GADInterstitial> makeInterstitial(
        std::optional<std::string> adUnitID, const GADMAdNetworkConnectorProtocol& connector);

  private:
    // The connector when the event comes from this adapter's current object.
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connectorFor(const GADBannerView& view) const;
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connectorFor(const GADInterstitial& ad) const;

    const bool bannerScreenEventsAreClicks_;
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector_;
    std::shared_ptr<GADBannerView> bannerView_;
    std::shared_ptr<GADInterstitial> interstitial_;
};

}  // namespace ads
